#pragma once

#include "model/Vault.h"
#include "ui/DetailScreenModel.h"
#include "ui/SidebarRowModel.h"

#include <QPointer>
#include <QUuid>
#include <QWidget>

#include <functional>

#include <optional>

class BannerStack;
struct ConfirmationModel;
class QMessageBox;
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

    // The create-vault sheet, over this window.
    void presentCreateSheet();

signals:
    // A forced lock that quitting was waiting on has succeeded: quitting can go on.
    void terminationRequested();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showDetail();
    void performSidebarAction(const QUuid& vaultID, SidebarRowModel::Action action);
    void performDetailAction(DetailScreenModel::Action action);
    void confirmDeletion(const QUuid& vaultID);
    // The store's error as an alert, redrawn whenever the error or its forced-lock offer changes.
    void showErrorAlert();
    void forceLock(const QUuid& vaultID, bool continuesTermination);
    // A window-modal alert; `onDestructive` runs when its destructive button is chosen,
    // `onDismiss` on every other way of closing it.
    QMessageBox* presentAlert(const ConfirmationModel& model, std::function<void()> onDestructive,
                              std::function<void()> onDismiss);

    VaultStore& store_;
    VaultSidebarView* sidebar_;
    BannerStack* banners_;
    DetailScreenView* detail_;
    QPointer<QMessageBox> errorAlert_;
    bool hasRefreshedOnFirstShow_ = false;
};
