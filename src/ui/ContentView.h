#pragma once

#include "content/VaultContentItem.h"
#include "ui/DetailScreenModel.h"
#include "ui/SidebarRowModel.h"
#include "ui/ToolbarModel.h"

#include <QHash>
#include <QPointer>
#include <QSet>
#include <QUuid>
#include <QWidget>

#include <functional>
#include <optional>

class BannerStack;
struct ConfirmationModel;
class DetailScreenView;
class FinderImportCoordinator;
class FoundImageAlert;
class QAction;
class QMessageBox;
class QStackedWidget;
class QToolBar;
class VaultLockedView;
class VaultMenu;
class VaultSidebarView;
class VaultStore;
class VaultUnlockedView;
class VaultUpkeepFlows;

// The main window's content: the vault sidebar beside the detail pane, with the banners above
// the pane, and the toolbar the window places above both. It keeps no vault state: it shows the
// store and calls it. Its window title follows the screen shown.
class ContentView : public QWidget
{
    Q_OBJECT

public:
    ContentView(VaultStore& store, FinderImportCoordinator& finderImport, QWidget* parent = nullptr);

    // Selects the vault and puts the keyboard focus in its password field.
    void requestUnlock(const QUuid& vaultID);

    const DetailScreenModel& detailScreen() const;
    const ToolbarModel& toolbarModel() const { return toolbarModel_; }
    // The window shows it; its actions carry the keyboard shortcuts.
    QToolBar* toolbar() const { return toolbar_; }
    // The menu bar's "Cofre" menu, acting on the selected vault; the window shows it.
    VaultMenu* vaultMenu() const { return vaultMenu_; }

    // The create-vault sheet, over this window.
    void presentCreateSheet();
    // The sheet that gives the vault a new password, over this window.
    void presentChangePasswordSheet(const QUuid& vaultID);
    // The picker that adds files and folders to the selected vault.
    void presentItemPicker();

signals:
    // A forced lock that quitting was waiting on has succeeded: quitting can go on.
    void terminationRequested();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildToolbar();
    void showDetail();
    void showToolbar();
    std::optional<VaultContentItem> selectedItem() const;
    void performToolbarAction(ToolbarModel::Action action);
    void performSidebarAction(const QUuid& vaultID, SidebarRowModel::Action action);
    void performDetailAction(DetailScreenModel::Action action);
    void addItems(const QList<QUrl>& urls);
    void confirmDeletion(const QUuid& vaultID);
    void confirmTrash(const VaultContentItem& item);
    // The store's error as an alert, redrawn whenever the error or its forced-lock offer changes.
    void showErrorAlert();
    void forceLock(const QUuid& vaultID, bool continuesTermination);
    // The first image the catalogue has lost that the user has not put off, one alert at a time.
    void offerFoundImage();
    // A window-modal alert; `onDestructive` runs when its destructive button is chosen,
    // `onDismiss` on every other way of closing it.
    QMessageBox* presentAlert(const ConfirmationModel& model, std::function<void()> onDestructive,
                              std::function<void()> onDismiss);

    VaultStore& store_;
    VaultSidebarView* sidebar_;
    BannerStack* banners_;
    QStackedWidget* detailPane_;
    DetailScreenView* detail_;
    VaultLockedView* locked_;
    VaultUnlockedView* unlocked_;
    QToolBar* toolbar_;
    VaultMenu* vaultMenu_;
    VaultUpkeepFlows* upkeep_;
    QHash<ToolbarModel::Action, QAction*> actions_;
    ToolbarModel toolbarModel_;
    QPointer<QMessageBox> errorAlert_;
    QPointer<FoundImageAlert> foundImageAlert_;
    QSet<QUuid> postponedFoundImages_;
    // The vault whose password field takes the focus as soon as its locked screen shows.
    std::optional<QUuid> unlockFocusVaultID_;
    bool hasRefreshedOnFirstShow_ = false;
};
