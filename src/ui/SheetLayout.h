#pragma once

#include <QList>
#include <QVBoxLayout>

class QDialog;
class QWidget;

// The frame every sheet shares: its header on top, its sections in a `SheetScrollArea` (so that
// the buttons stay on screen however large the text), and its buttons along the bottom, the
// leading ones on the left and the trailing ones on the right.
class SheetLayout : public QVBoxLayout
{
public:
    SheetLayout(QDialog& sheet, const QString& title, const QString& subtitle, const QList<QWidget*>& sections,
                const QList<QWidget*>& trailingButtons, const QList<QWidget*>& leadingButtons = {});

    // A subtitle naming the vault a sheet acts on.
    static QString vaultSubtitle(const QString& vaultName);
};
