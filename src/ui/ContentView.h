#pragma once

#include "model/Vault.h"
#include "ui/DetailScreenModel.h"
#include "ui/SidebarRowModel.h"

#include <QUuid>
#include <QWidget>

#include <optional>

class BannerStack;
class DetailScreenView;
class FinderImportCoordinator;
class QSplitter;
class VaultSidebarView;
class VaultStore;

// The main window's content: the vault sidebar beside the detail pane, with the banners above
// the pane. It keeps no vault state: it shows the store and calls it. Its window title follows
// the screen shown.
class ContentView : public QWidget
{
    Q_OBJECT

public:
    ContentView(VaultStore& store, FinderImportCoordinator& finderImport, QWidget* parent = nullptr);

    // Selects the vault so that its password can be typed.
    void requestUnlock(const QUuid& vaultID);

    const DetailScreenModel& detailScreen() const;

signals:
    void createVaultRequested();
    void deleteVaultRequested(const Vault& vault);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showDetail();
    void performSidebarAction(const QUuid& vaultID, SidebarRowModel::Action action);
    void performDetailAction(DetailScreenModel::Action action);

    VaultStore& store_;
    VaultSidebarView* sidebar_;
    BannerStack* banners_;
    DetailScreenView* detail_;
    bool hasRefreshedOnFirstShow_ = false;
};
