#pragma once

#include <QFont>
#include <QString>

class QLabel;
class QWidget;

// The few text styles of the window, so that titles and captions look alike on every screen.
namespace TextStyle {

// A title: the widget's font `scale` times larger, in `weight`.
void emphasize(QWidget* widget, qreal scale, QFont::Weight weight = QFont::Bold);

// Muted text for captions and explanations, word-wrapped when asked.
QLabel* secondaryLabel(const QString& text, QWidget* parent, bool wordWrap = false);

} // namespace TextStyle
