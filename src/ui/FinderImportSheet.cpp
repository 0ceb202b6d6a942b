#include "ui/FinderImportSheet.h"

#include "finder/FinderImportCoordinator.h"
#include "store/VaultStore.h"
#include "ui/CreateVaultSheet.h"
#include "ui/InlineMessage.h"
#include "ui/KovaraIcons.h"
#include "ui/SheetLayout.h"
#include "ui/TextStyle.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

using Status = FinderImportSheetModel::Status;

constexpr int iconSize = 16;
constexpr int firstVaultIconSize = 48;

QLabel* iconLabel(const QString& iconName, int size, QWidget* parent)
{
    auto* icon = new QLabel(parent);
    icon->setPixmap(KovaraIcons::icon(iconName).pixmap(size, size));
    icon->setFixedSize(size, size);
    return icon;
}

std::optional<Vault> vaultWithID(const QList<Vault>& vaults, const std::optional<QUuid>& vaultID)
{
    for (const Vault& vault : vaults) {
        if (vault.id == vaultID) {
            return vault;
        }
    }
    return std::nullopt;
}

} // namespace

FinderImportSheet::FinderImportSheet(VaultStore& store, FinderImportCoordinator& finderImport, QWidget* parent)
    : QDialog(parent)
    , store_(store)
    , finderImport_(finderImport)
    , body_(new QStackedWidget(this))
    , folderRows_(new QVBoxLayout)
    , vaultPicker_(new QComboBox(this))
    , passwordBlock_(new QWidget(this))
    , password_(new QLineEdit(passwordBlock_))
    , passwordMessage_(new InlineMessage(KovaraIcons::error, false, passwordBlock_))
    , checkAgain_(new QPushButton(QStringLiteral("Verificar novamente"), this))
    , importButton_(new QPushButton(this))
    , createButton_(new QPushButton(QStringLiteral("Criar cofre"), this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::WindowModal);
    setWindowTitle(QStringLiteral("Adicionar ao Kovara"));

    // With no vault: an invitation to create the first one.
    auto* firstVault = new QWidget(body_);
    auto* firstVaultTitle = new QLabel(QStringLiteral("Crie seu primeiro cofre"), firstVault);
    QFont titleFont = firstVaultTitle->font();
    titleFont.setWeight(QFont::DemiBold);
    firstVaultTitle->setFont(titleFont);
    auto* firstVaultLayout = new QVBoxLayout(firstVault);
    firstVaultLayout->addStretch();
    firstVaultLayout->addWidget(iconLabel(KovaraIcons::locked, firstVaultIconSize, firstVault), 0, Qt::AlignHCenter);
    firstVaultLayout->addWidget(firstVaultTitle, 0, Qt::AlignHCenter);
    auto* firstVaultText = TextStyle::secondaryLabel(
        QStringLiteral("O Kovara precisa de um cofre criptografado antes de adicionar estas pastas."), firstVault,
        true);
    firstVaultText->setAlignment(Qt::AlignHCenter);
    firstVaultLayout->addWidget(firstVaultText);
    firstVaultLayout->addStretch();
    body_->addWidget(firstVault);

    // Otherwise: the folders, then where they go.
    auto* form = new QWidget(body_);
    auto* folders = new QGroupBox(QStringLiteral("Selecionado no gerenciador de arquivos"), form);
    auto* foldersLayout = new QVBoxLayout(folders);
    foldersLayout->addLayout(folderRows_);
    foldersLayout->addWidget(TextStyle::secondaryLabel(
        QStringLiteral("As pastas serão copiadas. As origens permanecerão onde estão."), folders, true));

    auto* destination = new QGroupBox(QStringLiteral("Destino"), form);
    // The picker in a form row; the lines under it in a plain column, where a word-wrapped line
    // is given the height it needs (a form layout's spanning row gave it none).
    auto* destinationLayout = new QVBoxLayout(destination);
    auto* pickerRow = new QFormLayout;
    vaultPicker_->setAccessibleName(QStringLiteral("Cofre"));
    pickerRow->addRow(QStringLiteral("Cofre"), vaultPicker_);
    destinationLayout->addLayout(pickerRow);
    const std::pair<Status, QString> statusIcons[] = {{Status::selectVault, QString()},
                                                      {Status::unlocked, KovaraIcons::unlocked},
                                                      {Status::missingImage, KovaraIcons::missingImage},
                                                      {Status::needsAttention, KovaraIcons::warning},
                                                      {Status::unusableEntry, KovaraIcons::warning}};
    for (const auto& [status, iconName] : statusIcons) {
        statusLines_[status] = new InlineMessage(iconName, status == Status::selectVault, destination);
        destinationLayout->addWidget(statusLines_[status]);
    }
    password_->setEchoMode(QLineEdit::Password);
    password_->setAccessibleName(QStringLiteral("Senha do cofre"));
    password_->setPlaceholderText(QStringLiteral("Senha do cofre"));
    auto* hint = new InlineMessage(KovaraIcons::keyOff, true, passwordBlock_);
    hint->setMessage(QStringLiteral("A senha é usada somente para desbloquear e não será salva."));
    auto* passwordLayout = new QVBoxLayout(passwordBlock_);
    passwordLayout->setContentsMargins(0, 0, 0, 0);
    passwordLayout->addWidget(password_);
    passwordLayout->addWidget(hint);
    passwordLayout->addWidget(passwordMessage_);
    destinationLayout->addWidget(passwordBlock_);
    checkAgain_->setAutoDefault(false);
    destinationLayout->addWidget(checkAgain_, 0, Qt::AlignRight);

    auto* formLayout = new QVBoxLayout(form);
    formLayout->setContentsMargins(0, 0, 0, 0);
    formLayout->addWidget(folders);
    formLayout->addWidget(destination);
    formLayout->addStretch();
    body_->addWidget(form);

    auto* cancel = new QPushButton(QStringLiteral("Cancelar"), this);
    cancel->setAutoDefault(false);
    new SheetLayout(*this, QStringLiteral("Adicionar ao Kovara"),
                    QStringLiteral("Escolha onde guardar as pastas selecionadas no gerenciador de arquivos."), {body_},
                    {cancel, createButton_, importButton_});
    setMinimumWidth(480);

    connect(cancel, &QPushButton::clicked, this, &FinderImportSheet::reject);
    connect(importButton_, &QPushButton::clicked, this, &FinderImportSheet::importItems);
    connect(createButton_, &QPushButton::clicked, this, &FinderImportSheet::presentCreateSheet);
    connect(checkAgain_, &QPushButton::clicked, this, [this] { store_.refresh(); });
    connect(password_, &QLineEdit::textChanged, this, &FinderImportSheet::showModel);
    connect(vaultPicker_, &QComboBox::activated, this,
            [this](int index) { chooseVault(vaultPicker_->itemData(index).toUuid()); });

    connect(&finderImport_, &FinderImportCoordinator::requestChanged, this, &FinderImportSheet::showFolders);
    connect(&finderImport_, &FinderImportCoordinator::isPresentedChanged, this, [this](bool isPresented) {
        if (!isPresented && isVisible()) {
            done(QDialog::Accepted);
        }
    });
    connect(&store_, &VaultStore::vaultsChanged, this, [this] {
        // A vault just created (from this sheet or the window) becomes the choice when there
        // was none, as it would on opening the sheet.
        if (vaultWithID(store_.vaults(), selectedVaultID_)) {
            showVaults();
        } else {
            prepareSelection();
        }
    });
    for (auto changed :
         {&VaultStore::sessionsChanged, &VaultStore::attentionVaultIDsChanged, &VaultStore::isBusyChanged}) {
        connect(&store_, changed, this, &FinderImportSheet::showModel);
    }
    for (auto changed : {&VaultStore::activeOperationChanged, &VaultStore::isBusyChanged}) {
        connect(&store_, changed, this, &FinderImportSheet::followImport);
    }
    showVaults();
    showFolders();
}

void FinderImportSheet::importItems()
{
    didAttemptImport_ = true;
    showModel();
    const std::optional<FinderImportRequest> request = finderImport_.request();
    if (!request || !vaultWithID(store_.vaults(), selectedVaultID_)) {
        return;
    }
    const bool isLocked = store_.state(*selectedVaultID_) == VaultRowState::locked;
    if (isLocked && password_->text().isEmpty()) {
        return;
    }
    store_.clearMessages();
    // The coordinator lives as long as the application; this sheet may be gone by the end.
    FinderImportCoordinator* coordinator = &finderImport_;
    const QUuid requestID = request->id;
    const bool accepted = store_.enqueueImportItems(request->urls, *selectedVaultID_,
                                                    isLocked ? std::optional<QString>(password_->text()) : std::nullopt,
                                                    [coordinator, requestID](const VaultImportBatchResult& result) {
                                                        coordinator->complete(requestID, result.completedSourceURLs);
                                                    });
    if (accepted) {
        isImporting_ = true;
        // The typed password went with the import; an empty field is not something to flag.
        didAttemptImport_ = false;
        password_->clear();
    }
}

void FinderImportSheet::followImport()
{
    if (!isImporting_) {
        return;
    }
    if (!store_.isBusy()) {
        // Ended before copying: the store's alert says why (a refused password, a missing
        // image); the user goes on from the password field.
        isImporting_ = false;
        if (passwordBlock_->isVisible()) {
            password_->setFocus();
        }
        return;
    }
    const std::optional<VaultOperationState>& operation = store_.activeOperation();
    if (operation && operation->phase >= VaultOperationPhase::preparingCopy && isVisible()) {
        done(QDialog::Accepted);
    }
}

void FinderImportSheet::reject()
{
    // "Cancelar" and Escape drop the request, which closes the sheet, and stop the unlock this
    // sheet started.
    if (isImporting_ && store_.canCancelActiveOperation()) {
        store_.cancelActiveOperation();
    }
    finderImport_.cancel();
    if (isVisible()) {
        QDialog::reject();
    }
}

void FinderImportSheet::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    prepareSelection();
}

void FinderImportSheet::closeEvent(QCloseEvent* event)
{
    // Closing the window keeps the request, which the main window's banner offers again.
    if (isVisible()) {
        done(QDialog::Rejected);
    }
    event->accept();
}

void FinderImportSheet::keyPressEvent(QKeyEvent* event)
{
    // Return tries the import even while the button is disabled, so that the attempt shows
    // what is missing.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && event->modifiers() == Qt::NoModifier &&
        !model_.offersFirstVault) {
        importItems();
        return;
    }
    QDialog::keyPressEvent(event);
}

QCoro::Task<> FinderImportSheet::prepareSelection()
{
    if (!vaultWithID(store_.vaults(), selectedVaultID_)) {
        selectedVaultID_ = store_.selectedVault()      ? std::optional<QUuid>(store_.selectedVault()->id)
                           : store_.vaults().isEmpty() ? std::nullopt
                                                       : std::optional<QUuid>(store_.vaults().first().id);
    }
    showVaults();
    store_.selectVault(selectedVaultID_);
    const QPointer<FinderImportSheet> self(this);
    co_await store_.refresh();
    if (self && selectedVaultID_ && store_.state(*selectedVaultID_) == VaultRowState::locked) {
        password_->setFocus();
    }
}

void FinderImportSheet::chooseVault(const QUuid& vaultID)
{
    if (selectedVaultID_ == vaultID) {
        return;
    }
    selectedVaultID_ = vaultID;
    didAttemptImport_ = false;
    password_->clear();
    store_.selectVault(vaultID);
    showModel();
    store_.refresh();
}

void FinderImportSheet::presentCreateSheet()
{
    if (createSheet_) {
        return;
    }
    createSheet_ = new CreateVaultSheet(store_, this);
    // Once it closes the store is refreshed, so that a new vault is offered in the picker.
    connect(createSheet_, &QDialog::finished, this, [this] { prepareSelection(); });
    createSheet_->open();
}

void FinderImportSheet::showModel()
{
    const std::optional<Vault> vault = vaultWithID(store_.vaults(), selectedVaultID_);
    const QList<QUrl> folders = finderImport_.request() ? finderImport_.request()->urls : QList<QUrl>();
    model_ = FinderImportSheetModel::make({folders, store_.vaults(), vault,
                                           vault ? store_.state(vault->id) : VaultRowState::needsAttention,
                                           store_.isBusy(), !password_->text().isEmpty(), didAttemptImport_});
    body_->setCurrentIndex(model_.offersFirstVault ? 0 : 1);
    for (const auto& [status, line] : statusLines_) {
        line->setMessage(status == model_.status ? std::optional<QString>(model_.statusText) : std::nullopt);
    }
    passwordBlock_->setVisible(model_.status == Status::locked);
    passwordMessage_->setMessage(model_.passwordMessage);
    checkAgain_->setVisible(model_.status == Status::needsAttention);
    checkAgain_->setEnabled(model_.canCheckAgain);
    importButton_->setText(model_.importButtonTitle);
    importButton_->setEnabled(model_.canImport);
    importButton_->setVisible(!model_.offersFirstVault);
    importButton_->setDefault(!model_.offersFirstVault);
    createButton_->setVisible(model_.offersFirstVault);
    createButton_->setDefault(model_.offersFirstVault);
}

void FinderImportSheet::showFolders()
{
    while (QLayoutItem* row = folderRows_->takeAt(0)) {
        delete row->widget();
        delete row;
    }
    showModel();
    for (const FinderImportSheetModel::FolderRow& folder : std::as_const(model_.folders)) {
        auto* row = new QWidget(this);
        row->setToolTip(folder.path);
        row->setAccessibleName(folder.name);
        row->setAccessibleDescription(folder.path);
        auto* rowLayout = new QHBoxLayout(row);
        rowLayout->setContentsMargins(0, 0, 0, 0);
        rowLayout->addWidget(iconLabel(KovaraIcons::folder, iconSize, row));
        rowLayout->addWidget(new QLabel(folder.name, row), 1);
        folderRows_->addWidget(row);
    }
}

void FinderImportSheet::showVaults()
{
    vaultPicker_->clear();
    for (const Vault& vault : store_.vaults()) {
        vaultPicker_->addItem(vault.name, vault.id);
    }
    vaultPicker_->setCurrentIndex(selectedVaultID_ ? vaultPicker_->findData(*selectedVaultID_) : -1);
    showModel();
}
