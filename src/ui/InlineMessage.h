#pragma once

#include <QWidget>

#include <optional>

class IconLabel;
class QLabel;

// A short line under a field with its icon: a warning after a failed attempt, or a standing
// hint. Hidden while it has nothing to say; its text is selectable and read by screen readers.
class InlineMessage : public QWidget
{
    Q_OBJECT

public:
    // `iconName`: a KovaraIcons name. A secondary message is drawn in the muted text colour.
    InlineMessage(const QString& iconName, bool isSecondary, QWidget* parent = nullptr);

    void setMessage(const std::optional<QString>& message);
    QString text() const;

private:
    IconLabel* icon_;
    QLabel* text_;
};
