#pragma once

#include "ui/SidebarRowModel.h"

#include <QMenu>
#include <QUuid>

class VaultSidebarView;
class VaultStore;

// The menu bar's "Cofre" menu: "Novo cofre…" and every action on the selected vault, mirroring
// the vault's context menu. Entries that do not apply to the selected vault (or to none) are
// disabled rather than hidden, so that the keyboard and screen readers find every action in the
// same place. It is drawn anew each time it opens.
class VaultMenu : public QMenu
{
    Q_OBJECT

public:
    VaultMenu(VaultStore& store, const VaultSidebarView& sidebar, QWidget* parent = nullptr);

signals:
    void createVaultRequested();
    void actionRequested(const QUuid& vaultID, SidebarRowModel::Action action);

private:
    void rebuild();

    VaultStore& store_;
    const VaultSidebarView& sidebar_;
};
