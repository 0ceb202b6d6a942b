#include "ui/ContentView.h"

#include "store/VaultStore.h"
#include "ui/BannerStack.h"
#include "ui/ChangePasswordSheet.h"
#include "ui/ConfirmationModel.h"
#include "ui/CreateVaultSheet.h"
#include "ui/DestructiveButtonStyle.h"
#include "ui/DetailScreenView.h"
#include "ui/FoundImageAlert.h"
#include "ui/ItemPicker.h"
#include "ui/KovaraIcons.h"
#include "ui/VaultLockedView.h"
#include "ui/VaultMenu.h"
#include "ui/VaultSidebarView.h"
#include "ui/VaultUnlockedView.h"
#include "ui/VaultUpkeepFlows.h"

#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

QKeySequence shortcutOf(ToolbarModel::Action action)
{
    switch (action) {
    case ToolbarModel::Action::newVault:
        return QKeySequence(Qt::CTRL | Qt::Key_N);
    case ToolbarModel::Action::addItems:
        return QKeySequence(Qt::CTRL | Qt::Key_O);
    case ToolbarModel::Action::trashItem:
        return QKeySequence(Qt::Key_Delete);
    case ToolbarModel::Action::showInFileManager:
        return QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_O);
    case ToolbarModel::Action::lock:
        break;
    }
    return QKeySequence(Qt::CTRL | Qt::Key_L);
}

} // namespace

ContentView::ContentView(VaultStore& store, FinderImportCoordinator& finderImport, QWidget* parent)
    : QWidget(parent)
    , store_(store)
    , sidebar_(new VaultSidebarView(store, this))
    , banners_(new BannerStack(store, finderImport, this))
    , detailPane_(new QStackedWidget(this))
    , detail_(new DetailScreenView(this))
    , locked_(new VaultLockedView(store, this))
    , unlocked_(new VaultUnlockedView(store, this))
    , toolbar_(new QToolBar(QStringLiteral("Barra de ferramentas"), this))
    , vaultMenu_(new VaultMenu(store, *sidebar_, this))
    , upkeep_(new VaultUpkeepFlows(store, this))
{
    detailPane_->addWidget(detail_);
    detailPane_->addWidget(locked_);
    detailPane_->addWidget(unlocked_);

    auto* pane = new QWidget(this);
    pane->setBackgroundRole(QPalette::Base);
    pane->setAutoFillBackground(true);
    auto* paneLayout = new QVBoxLayout(pane);
    paneLayout->setContentsMargins(0, 0, 0, 0);
    paneLayout->setSpacing(0);
    paneLayout->addWidget(banners_);
    paneLayout->addWidget(detailPane_, 1);
    // Narrow enough that sidebar and pane fit a 1280-pixel screen at twice the normal scale.
    pane->setMinimumWidth(430);

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
    buildToolbar();

    connect(sidebar_, &VaultSidebarView::createVaultRequested, this, &ContentView::presentCreateSheet);
    connect(sidebar_, &VaultSidebarView::actionRequested, this, &ContentView::performSidebarAction);
    connect(vaultMenu_, &VaultMenu::createVaultRequested, this, &ContentView::presentCreateSheet);
    connect(vaultMenu_, &VaultMenu::actionRequested, this, &ContentView::performSidebarAction);
    connect(detail_, &DetailScreenView::actionRequested, this, &ContentView::performDetailAction);
    connect(unlocked_, &VaultUnlockedView::addItemsRequested, this, &ContentView::presentItemPicker);
    connect(unlocked_, &VaultUnlockedView::itemsDropped, this, &ContentView::addItems);
    connect(unlocked_, &VaultUnlockedView::trashRequested, this, &ContentView::confirmTrash);
    connect(unlocked_, &VaultUnlockedView::selectedItemChanged, this, &ContentView::showToolbar);
    for (auto changed :
         {&VaultStore::vaultsChanged, &VaultStore::selectedVaultIDChanged, &VaultStore::statusChanged,
          &VaultStore::sessionsChanged, &VaultStore::isBusyChanged, &VaultStore::deletingVaultIDChanged}) {
        connect(&store_, changed, this, &ContentView::showDetail);
    }
    for (auto changed : {&VaultStore::errorMessageChanged, &VaultStore::forceLockVaultIDChanged,
                         &VaultStore::forceLockContinuesTerminationChanged}) {
        connect(&store_, changed, this, &ContentView::showErrorAlert);
    }
    connect(&store_, &VaultStore::foundImagesChanged, this, &ContentView::offerFoundImage);
    showDetail();
    showErrorAlert();
}

void ContentView::buildToolbar()
{
    toolbar_->setObjectName(QStringLiteral("toolbar"));
    toolbar_->setMovable(false);
    toolbar_->setFloatable(false);
    toolbar_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    toolbar_->setContextMenuPolicy(Qt::PreventContextMenu);
    for (const ToolbarModel::Button& button : ToolbarModel::make(VaultStatus::noSelection, false, false).buttons) {
        auto* action = new QAction(this);
        action->setShortcut(shortcutOf(button.action));
        const ToolbarModel::Action which = button.action;
        connect(action, &QAction::triggered, this, [this, which] { performToolbarAction(which); });
        toolbar_->addAction(action);
        actions_.insert(button.action, action);
    }
    // A button whose title follows the selection ("Mostrar…" for an item, "Abrir…" for the
    // vault) keeps the width of its longest title, so the buttons after it never move.
    QHash<QAction*, int> widest;
    for (const bool hasSelectedItem : {false, true}) {
        for (const ToolbarModel::Button& button :
             ToolbarModel::make(VaultStatus::unlocked, false, hasSelectedItem).buttons) {
            QAction* action = actions_.value(button.action);
            action->setText(button.title);
            action->setIcon(KovaraIcons::icon(button.iconName));
            widest[action] = std::max(widest.value(action), toolbar_->widgetForAction(action)->sizeHint().width());
        }
    }
    for (auto width = widest.cbegin(); width != widest.cend(); ++width) {
        toolbar_->widgetForAction(width.key())->setMinimumWidth(width.value());
    }
}

void ContentView::requestUnlock(const QUuid& vaultID)
{
    unlockFocusVaultID_ = vaultID;
    store_.selectVault(vaultID);
    showDetail();
}

const DetailScreenModel& ContentView::detailScreen() const
{
    return detail_->model();
}

void ContentView::presentCreateSheet()
{
    (new CreateVaultSheet(store_, this))->open();
}

void ContentView::presentChangePasswordSheet(const QUuid& vaultID)
{
    for (const Vault& vault : store_.vaults()) {
        if (vault.id == vaultID) {
            (new ChangePasswordSheet(store_, vault, this))->open();
            return;
        }
    }
}

void ContentView::presentItemPicker()
{
    auto* picker = new ItemPicker(this);
    connect(picker, &ItemPicker::itemsChosen, this, &ContentView::addItems);
    picker->open();
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
        inputs.entryProblem = store_.entryProblem(selected->id).value_or(QString());
    }
    inputs.isBusy = store_.isBusy();
    const DetailScreenModel model = DetailScreenModel::make(inputs);
    detail_->display(model);
    switch (model.screen) {
    case DetailScreenModel::Screen::locked:
        locked_->display(*model.vault);
        detailPane_->setCurrentWidget(locked_);
        if (unlockFocusVaultID_ == model.vault->id) {
            unlockFocusVaultID_.reset();
            locked_->focusPasswordField();
        }
        break;
    case DetailScreenModel::Screen::unlocked:
        unlocked_->display(*model.vault);
        detailPane_->setCurrentWidget(unlocked_);
        break;
    default:
        detailPane_->setCurrentWidget(detail_);
        break;
    }
    setWindowTitle(model.windowTitle);
    showToolbar();
}

std::optional<VaultContentItem> ContentView::selectedItem() const
{
    if (detailPane_->currentWidget() != unlocked_) {
        return std::nullopt;
    }
    return unlocked_->selectedItem();
}

void ContentView::showToolbar()
{
    toolbarModel_ = ToolbarModel::make(store_.status(), store_.isBusy(), selectedItem().has_value());
    for (const ToolbarModel::Button& button : std::as_const(toolbarModel_.buttons)) {
        QAction* action = actions_.value(button.action);
        action->setText(button.title);
        action->setIcon(KovaraIcons::icon(button.iconName));
        action->setToolTip(button.helpText);
        action->setVisible(button.isVisible);
        action->setEnabled(button.isEnabled);
    }
}

void ContentView::performToolbarAction(ToolbarModel::Action action)
{
    // A shortcut can arrive between a change and the redraw it causes: the rules are checked again.
    showToolbar();
    const ToolbarModel::Button& button = toolbarModel_.button(action);
    if (!button.isVisible || !button.isEnabled) {
        return;
    }
    const std::optional<QUuid> vaultID = store_.selectedVaultID();
    const std::optional<VaultContentItem> item = selectedItem();
    switch (action) {
    case ToolbarModel::Action::newVault:
        presentCreateSheet();
        return;
    case ToolbarModel::Action::addItems:
        presentItemPicker();
        return;
    case ToolbarModel::Action::trashItem:
        confirmTrash(*item);
        return;
    case ToolbarModel::Action::showInFileManager:
        if (item) {
            store_.revealItem(*item, *vaultID);
        } else {
            store_.openVault(*vaultID);
        }
        return;
    case ToolbarModel::Action::lock:
        store_.lockSelected();
        return;
    }
}

void ContentView::performSidebarAction(const QUuid& vaultID, SidebarRowModel::Action action)
{
    switch (action) {
    case SidebarRowModel::Action::requestUnlock:
        requestUnlock(vaultID);
        return;
    case SidebarRowModel::Action::changePassword:
        presentChangePasswordSheet(vaultID);
        return;
    case SidebarRowModel::Action::increaseCapacity:
    case SidebarRowModel::Action::showRecoveryKey:
    case SidebarRowModel::Action::resetPasswordWithKey:
    case SidebarRowModel::Action::verify:
        upkeep_->present(vaultID, action);
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
    case SidebarRowModel::Action::addItems:
        store_.selectVault(vaultID);
        presentItemPicker();
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

void ContentView::addItems(const QList<QUrl>& urls)
{
    if (const std::optional<QUuid> vaultID = store_.selectedVaultID(); vaultID && !urls.isEmpty()) {
        store_.enqueueImportItems(urls, *vaultID, std::nullopt);
    }
}

void ContentView::confirmDeletion(const QUuid& vaultID)
{
    for (const Vault& vault : store_.vaults()) {
        if (vault.id == vaultID) {
            presentAlert(
                ConfirmationModel::deleteVault(vault, store_.state(vaultID)),
                [this, vaultID] { store_.deleteVault(vaultID); }, [] {});
            return;
        }
    }
}

void ContentView::confirmTrash(const VaultContentItem& item)
{
    const std::optional<QUuid> vaultID = store_.selectedVaultID();
    if (!vaultID) {
        return;
    }
    // The vault is remembered with the item: the store refuses the item if the selection moved
    // to another vault meanwhile.
    presentAlert(
        ConfirmationModel::trashItem(item.name), [this, item, vaultID] { store_.trashItem(item, *vaultID); }, [] {});
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

void ContentView::offerFoundImage()
{
    if (foundImageAlert_) {
        return;
    }
    for (const FoundVaultImage& image : store_.foundImages()) {
        if (postponedFoundImages_.contains(image.id)) {
            continue;
        }
        foundImageAlert_ = new FoundImageAlert(image, this);
        connect(foundImageAlert_, &FoundImageAlert::addRequested, &store_, &VaultStore::addFoundImage);
        connect(foundImageAlert_, &FoundImageAlert::trashRequested, &store_, &VaultStore::trashFoundImage);
        connect(foundImageAlert_, &FoundImageAlert::postponed, this, [this](const QUuid& imageID) {
            postponedFoundImages_.insert(imageID);
            offerFoundImage();
        });
        foundImageAlert_->open();
        return;
    }
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
    // Over the sheet the user is working in, if any, so that the keyboard is not left stuck
    // behind a modal sheet once the alert closes; focus then goes back where it was.
    QWidget* owner = QApplication::activeModalWidget() ? QApplication::activeModalWidget() : this;
    const QPointer<QWidget> focused = QApplication::focusWidget();
    auto* alert = new QMessageBox(owner);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->setIcon(model.isInformational ? QMessageBox::Information : QMessageBox::Warning);
    alert->setWindowTitle(model.title);
    alert->setText(model.title);
    alert->setInformativeText(model.message);
    alert->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QPushButton* destructive = nullptr;
    if (model.destructiveTitle) {
        destructive = alert->addButton(*model.destructiveTitle, QMessageBox::DestructiveRole);
        DestructiveButtonStyle::apply(destructive);
    }
    QPushButton* dismiss =
        alert->addButton(model.dismissTitle, destructive ? QMessageBox::RejectRole : QMessageBox::AcceptRole);
    alert->setDefaultButton(dismiss);
    alert->setEscapeButton(dismiss);
    connect(alert, &QMessageBox::finished, this,
            [alert, destructive, focused, onDestructive = std::move(onDestructive), onDismiss = std::move(onDismiss)] {
                if (focused) {
                    focused->activateWindow();
                    focused->setFocus(Qt::OtherFocusReason);
                }
                if (destructive && alert->clickedButton() == destructive) {
                    onDestructive();
                } else {
                    onDismiss();
                }
            });
    alert->open();
    return alert;
}
