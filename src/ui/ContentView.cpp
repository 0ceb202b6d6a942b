#include "ui/ContentView.h"

#include "store/VaultStore.h"
#include "ui/BannerStack.h"
#include "ui/DetailScreenView.h"
#include "ui/VaultSidebarView.h"

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

    connect(sidebar_, &VaultSidebarView::createVaultRequested, this, &ContentView::createVaultRequested);
    connect(sidebar_, &VaultSidebarView::actionRequested, this, &ContentView::performSidebarAction);
    connect(detail_, &DetailScreenView::actionRequested, this, &ContentView::performDetailAction);
    for (auto changed : {&VaultStore::vaultsChanged, &VaultStore::selectedVaultIDChanged, &VaultStore::statusChanged,
                         &VaultStore::sessionsChanged, &VaultStore::isBusyChanged, &VaultStore::deletingVaultIDChanged}) {
        connect(&store_, changed, this, &ContentView::showDetail);
    }
    showDetail();
}

void ContentView::requestUnlock(const QUuid& vaultID)
{
    store_.selectVault(vaultID);
}

const DetailScreenModel& ContentView::detailScreen() const
{
    return detail_->model();
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
        for (const Vault& vault : store_.vaults()) {
            if (vault.id == vaultID) {
                emit deleteVaultRequested(vault);
            }
        }
        return;
    case SidebarRowModel::Action::lock:
    case SidebarRowModel::Action::openInFileManager:
        // Locking and opening a volume are store operations still to come; until then the
        // toggle and the menu entries of an unlocked vault do nothing.
        return;
    }
}

void ContentView::performDetailAction(DetailScreenModel::Action action)
{
    switch (action) {
    case DetailScreenModel::Action::createVault:
        emit createVaultRequested();
        return;
    case DetailScreenModel::Action::checkAgain:
        store_.refresh();
        return;
    case DetailScreenModel::Action::requestDelete:
        if (const std::optional<Vault> vault = store_.selectedVault()) {
            emit deleteVaultRequested(*vault);
        }
        return;
    }
}
