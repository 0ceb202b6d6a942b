#pragma once

#include "model/Vault.h"
#include "ui/SidebarRowModel.h"

#include <QList>
#include <QWidget>

#include <optional>

class QListWidget;
class QPushButton;
class VaultStore;

// The left column: the vaults in catalogue order with their state, a lock toggle and a context
// menu each, and the "Novo cofre" button. Its selection is the store's.
class VaultSidebarView : public QWidget
{
    Q_OBJECT

public:
    explicit VaultSidebarView(VaultStore& store, QWidget* parent = nullptr);

    // The rows as they are drawn, for whoever needs to know what the sidebar shows.
    QList<SidebarRowModel> rowModels() const;
    // The selected vault's row, which the menu bar's vault menu mirrors.
    std::optional<SidebarRowModel> selectedRowModel() const;

signals:
    void createVaultRequested();
    // Actions that need the window (asking for a password, confirming a deletion) or a store
    // operation; the window carries them out.
    void actionRequested(const QUuid& vaultID, SidebarRowModel::Action action);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void applyListStyle();
    void reload();
    void showSelectedVault();
    void showContextMenu(const QPoint& position);

    VaultStore& store_;
    QListWidget* list_;
    QPushButton* newVault_;
};
