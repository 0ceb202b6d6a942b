#include "ui/VaultMenu.h"

#include "store/VaultStore.h"
#include "ui/VaultSidebarView.h"

#include <QAction>

VaultMenu::VaultMenu(VaultStore& store, const VaultSidebarView& sidebar, QWidget* parent)
    : QMenu(QStringLiteral("&Cofre"), parent)
    , store_(store)
    , sidebar_(sidebar)
{
    setToolTipsVisible(true);
    connect(this, &QMenu::aboutToShow, this, &VaultMenu::rebuild);
    rebuild();
}

void VaultMenu::rebuild()
{
    clear();
    QAction* newVault = addAction(QStringLiteral("Novo cofre…"), this, &VaultMenu::createVaultRequested);
    newVault->setEnabled(!store_.isBusy());
    const std::optional<SidebarRowModel> selected = sidebar_.selectedRowModel();
    const QUuid vaultID = selected ? selected->vaultID : QUuid();
    for (const SidebarRowModel::MenuEntry& entry : SidebarRowModel::menuBarEntries(selected, store_.isBusy())) {
        if (entry.startsGroup) {
            addSeparator();
        }
        const SidebarRowModel::Action action = entry.action;
        QAction* added =
            addAction(entry.title, this, [this, vaultID, action] { emit actionRequested(vaultID, action); });
        added->setEnabled(entry.isEnabled);
        added->setToolTip(entry.hint);
    }
}
