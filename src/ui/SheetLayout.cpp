#include "ui/SheetLayout.h"

#include "ui/SheetHeader.h"
#include "ui/SheetScrollArea.h"

#include <QDialog>
#include <QHBoxLayout>

SheetLayout::SheetLayout(QDialog& sheet, const QString& title, const QString& subtitle, const QList<QWidget*>& sections,
                         const QList<QWidget*>& trailingButtons, const QList<QWidget*>& leadingButtons)
    : QVBoxLayout(&sheet)
{
    setContentsMargins(20, 20, 20, 16);
    setSpacing(14);
    addWidget(new SheetHeader(title, subtitle, &sheet));
    addWidget(new SheetScrollArea(sections, &sheet), 1);
    auto* footer = new QHBoxLayout;
    for (QWidget* button : leadingButtons) {
        footer->addWidget(button);
    }
    footer->addStretch();
    for (QWidget* button : trailingButtons) {
        footer->addWidget(button);
    }
    addLayout(footer);
}

QString SheetLayout::vaultSubtitle(const QString& vaultName)
{
    return QStringLiteral("Cofre “") + vaultName + QStringLiteral("”");
}
