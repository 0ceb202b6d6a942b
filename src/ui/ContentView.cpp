#include "ui/ContentView.h"

#include "store/VaultStore.h"
#include "ui/BannerStack.h"
#include "ui/ConfirmationModel.h"
#include "ui/CreateVaultSheet.h"
#include "ui/DetailScreenView.h"
#include "ui/VaultSidebarView.h"

#include <QMessageBox>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

ContentView::ContentView(VaultStore& store, FinderImportCoordinator& finderImport, QWidget* parent)
    : QWidget(parent)
    , store_(store)
    , sidebar_(new VaultSidebarView(store, this))
    , banners_(new BannerStack(store, finderImport, this))
    , detail_(new DetailScreenView(this))
{
    auto* pane = new QWidget(this);
    pane->setBackgroundRole(QPalette::Base);
    pane->setAutoFillBackground(true);
    auto* paneLayout = new QVBoxLayout(pane);
    paneLayout->setContentsMargins(0, 0, 0, 0);
    paneLayout->setSpacing(0);
    paneLayout->addWidget(banners_);
    paneLayout->addWidget(detail_, 1);
    pane->setMinimumWidth(460);

    auto* split = new QSplitter(Qt::Horizontal, this);
    split->setChildrenCollapsible(false);
    split->setHandleWidth(1);
    split->addWidget(sidebar_);
    split->addWidget(pane);
    split->setStretchFactor(0, 0);
    split->setStretchFactor(1, 1);
    split->setSizes({250, 710});

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(split);

    connect(sidebar_, &VaultSidebarView::createVaultRequested, this, &ContentView::presentCreateSheet);
    connect(sidebar_, &VaultSidebarView::actionRequested, this, &ContentView::performSidebarAction);
    connect(detail_, &DetailScreenView::actionRequested, this, &ContentView::performDetailAction);
    for (auto changed : {&VaultStore::vaultsChanged, &VaultStore::selectedVaultIDChanged, &VaultStore::statusChanged,
                         &VaultStore::sessionsChanged, &VaultStore::isBusyChanged, &VaultStore::deletingVaultIDChanged}) {
        connect(&store_, changed, this, &ContentView::showDetail);
    }
    for (auto changed : {&VaultStore::errorMessageChanged, &VaultStore::forceLockVaultIDChanged,
                         &VaultStore::forceLockContinuesTerminationChanged}) {
        connect(&store_, changed, this, &ContentView::showErrorAlert);
    }
    showDetail();
    showErrorAlert();
}

void ContentView::requestUnlock(const QUuid& vaultID)
{
    store_.selectVault(vaultID);
}

const DetailScreenModel& ContentView::detailScreen() const
{
    return detail_->model();
}

void ContentView::presentCreateSheet()
{
    (new CreateVaultSheet(store_, this))->open();
}

void ContentView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Every vault needs attention until a refresh has confirmed what is mounted, so the first
    // one runs as soon as the user can see the window.
    if (!hasRefreshedOnFirstShow_) {
        hasRefreshedOnFirstShow_ = true;
        store_.refresh();
    }
}

void ContentView::showDetail()
{
    const std::optional<Vault> selected = store_.selectedVault();
    DetailScreenModel::Inputs inputs{store_.vaults(), selected, store_.deletingVaultID()};
    if (selected) {
        inputs.selectedState = store_.state(selected->id);
    }
    inputs.isBusy = store_.isBusy();
    const DetailScreenModel model = DetailScreenModel::make(inputs);
    detail_->display(model);
    setWindowTitle(model.windowTitle);
}

void ContentView::performSidebarAction(const QUuid& vaultID, SidebarRowModel::Action action)
{
    switch (action) {
    case SidebarRowModel::Action::requestUnlock:
        requestUnlock(vaultID);
        return;
    case SidebarRowModel::Action::checkAgain:
        store_.selectVault(vaultID);
        store_.refresh();
        return;
    case SidebarRowModel::Action::requestDelete:
        confirmDeletion(vaultID);
        return;
    case SidebarRowModel::Action::lock:
        store_.lock(vaultID, false);
        return;
    case SidebarRowModel::Action::openInFileManager:
        store_.openVault(vaultID);
        return;
    }
}

void ContentView::performDetailAction(DetailScreenModel::Action action)
{
    switch (action) {
    case DetailScreenModel::Action::createVault:
        presentCreateSheet();
        return;
    case DetailScreenModel::Action::checkAgain:
        store_.refresh();
        return;
    case DetailScreenModel::Action::requestDelete:
        if (const std::optional<QUuid> vaultID = store_.selectedVaultID()) {
            confirmDeletion(*vaultID);
        }
        return;
    }
}

void ContentView::confirmDeletion(const QUuid& vaultID)
{
    for (const Vault& vault : store_.vaults()) {
        if (vault.id == vaultID) {
            presentAlert(ConfirmationModel::deleteVault(vault, store_.state(vaultID)),
                         [this, vaultID] { store_.deleteVault(vaultID); }, [] {});
            return;
        }
    }
}

void ContentView::showErrorAlert()
{
    if (errorAlert_) {
        // Closed by the store, not by the user: its buttons' actions must not run.
        errorAlert_->disconnect(this);
        errorAlert_->close();
    }
    if (!store_.errorMessage()) {
        return;
    }
    const std::optional<QUuid> forceLockVaultID = store_.forceLockVaultID();
    const bool continuesTermination = store_.forceLockContinuesTermination();
    errorAlert_ = presentAlert(
        ConfirmationModel::error(store_.errorMessage(), forceLockVaultID, continuesTermination),
        [this, forceLockVaultID, continuesTermination] {
            // This alert is already closing: clearing the error must not close it again.
            errorAlert_.clear();
            store_.clearError();
            forceLock(*forceLockVaultID, continuesTermination);
        },
        [this] {
            errorAlert_.clear();
            store_.clearError();
        });
}

void ContentView::forceLock(const QUuid& vaultID, bool continuesTermination)
{
    // A store already at work refuses the lock with its own message; the quit stays cancelled.
    const bool followsTermination = continuesTermination && !store_.isBusy();
    store_.lock(vaultID, true);
    if (!followsTermination) {
        return;
    }
    // The lock starts on the next turn of the event loop and runs in the background; quitting
    // goes on only once it has really locked the vault. A failed forced lock leaves its own
    // error and the quit stays cancelled.
    struct Progress
    {
        QMetaObject::Connection connection;
        bool hasStarted = false;
    };
    auto progress = std::make_shared<Progress>();
    progress->connection = connect(&store_, &VaultStore::isBusyChanged, this, [this, vaultID, progress] {
        if (store_.isBusy()) {
            progress->hasStarted = true;
            return;
        }
        if (!progress->hasStarted) {
            return;
        }
        disconnect(progress->connection);
        if (store_.state(vaultID) != VaultRowState::unlocked) {
            emit terminationRequested();
        }
    });
}

QMessageBox* ContentView::presentAlert(const ConfirmationModel& model, std::function<void()> onDestructive,
                                       std::function<void()> onDismiss)
{
    auto* alert = new QMessageBox(this);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->setIcon(QMessageBox::Warning);
    alert->setText(model.title);
    alert->setInformativeText(model.message);
    alert->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QPushButton* destructive = nullptr;
    if (model.destructiveTitle) {
        destructive = alert->addButton(*model.destructiveTitle, QMessageBox::DestructiveRole);
    }
    QPushButton* dismiss =
        alert->addButton(model.dismissTitle, destructive ? QMessageBox::RejectRole : QMessageBox::AcceptRole);
    alert->setDefaultButton(dismiss);
    alert->setEscapeButton(dismiss);
    connect(alert, &QMessageBox::finished, this,
            [alert, destructive, onDestructive = std::move(onDestructive), onDismiss = std::move(onDismiss)] {
                if (destructive && alert->clickedButton() == destructive) {
                    onDestructive();
                } else {
                    onDismiss();
                }
            });
    alert->open();
    return alert;
}
