#include "ui/CreateVaultSheet.h"

#include "store/VaultStore.h"
#include "ui/InlineMessage.h"
#include "ui/KovaraIcons.h"
#include "ui/SheetLayout.h"
#include "ui/TextStyle.h"

#include <QFileDialog>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>

#include <algorithm>

namespace {

constexpr int fieldWidth = 320;

// The labels of every section share one width, so the fields line up from section to section.
QLabel* fieldLabel(const QString& text, QWidget* buddy, QWidget* parent)
{
    static const QStringList allLabels{QStringLiteral("Nome"), QStringLiteral("Capacidade"), QStringLiteral("Senha"),
                                       QStringLiteral("Confirmar senha"), QStringLiteral("Pasta de origem")};
    auto* label = new QLabel(text, parent);
    int width = 0;
    for (const QString& each : allLabels) {
        width = std::max(width, label->fontMetrics().horizontalAdvance(each));
    }
    label->setMinimumWidth(width);
    label->setBuddy(buddy);
    return label;
}

QLineEdit* secureField(const QString& label, QWidget* parent)
{
    auto* field = new QLineEdit(parent);
    field->setEchoMode(QLineEdit::Password);
    field->setAccessibleName(label);
    return field;
}

} // namespace

CreateVaultSheet::CreateVaultSheet(VaultStore& store, QWidget* parent)
    : QDialog(parent)
    , store_(store)
    , name_(new QLineEdit(this))
    , nameWarning_(new InlineMessage(KovaraIcons::error, false, this))
    , capacity_(new QSpinBox(this))
    , password_(secureField(QStringLiteral("Senha"), this))
    , confirmation_(secureField(QStringLiteral("Confirmar senha"), this))
    , passwordMessage_(new InlineMessage(KovaraIcons::error, false, this))
    , sourceName_(new QLabel(this))
    , removeSource_(new QToolButton(this))
    , chooseSource_(new QPushButton(this))
    , sourceNote_(TextStyle::secondaryLabel(
          QStringLiteral("Os itens serão copiados. A pasta original permanece onde está."), this, true))
    , create_(new QPushButton(QStringLiteral("Criar cofre"), this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::WindowModal);
    setWindowTitle(QStringLiteral("Criar cofre"));

    name_->setPlaceholderText(QStringLiteral("Documentos privados"));
    name_->setAccessibleName(QStringLiteral("Nome"));
    capacity_->setRange(CreateVaultForm::minimumCapacity, CreateVaultForm::maximumCapacity);
    capacity_->setValue(form_.capacityInGigabytes);
    capacity_->setSuffix(QStringLiteral(" GB"));
    capacity_->setAccessibleName(QStringLiteral("Capacidade"));
    // Digits of one width, so the field does not jitter while the value is stepped.
    capacity_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    capacity_->setAlignment(Qt::AlignRight);

    auto* vaultSection = new QGroupBox(QStringLiteral("Cofre"), this);
    auto* vaultForm = new QFormLayout(vaultSection);
    vaultForm->addRow(fieldLabel(QStringLiteral("Nome"), name_, this), name_);
    vaultForm->addRow(QString(), nameWarning_);
    vaultForm->addRow(fieldLabel(QStringLiteral("Capacidade"), capacity_, this), capacity_);

    auto* passwordSection = new QGroupBox(QStringLiteral("Senha"), this);
    auto* passwordForm = new QFormLayout(passwordSection);
    passwordForm->addRow(fieldLabel(QStringLiteral("Senha"), password_, this), password_);
    passwordForm->addRow(fieldLabel(QStringLiteral("Confirmar senha"), confirmation_, this), confirmation_);
    passwordForm->addRow(QString(), passwordMessage_);
    auto* hint = new InlineMessage(KovaraIcons::keyOff, true, this);
    hint->setMessage(QStringLiteral("A senha não é salva nem pode ser recuperada."));
    passwordForm->addRow(QString(), hint);

    auto* sourceSection = new QGroupBox(QStringLiteral("Conteúdo inicial (opcional)"), this);
    removeSource_->setIcon(KovaraIcons::icon(KovaraIcons::removeSource));
    removeSource_->setAutoRaise(true);
    removeSource_->setAccessibleName(QStringLiteral("Remover pasta de origem"));
    removeSource_->setToolTip(QStringLiteral("Remover pasta de origem"));
    auto* sourceRow = new QHBoxLayout;
    sourceRow->addWidget(sourceName_, 1);
    sourceRow->addWidget(removeSource_);
    sourceRow->addWidget(chooseSource_);
    auto* sourceForm = new QFormLayout(sourceSection);
    sourceForm->addRow(fieldLabel(QStringLiteral("Pasta de origem"), chooseSource_, this), sourceRow);
    sourceForm->addRow(sourceNote_);

    auto* cancel = new QPushButton(QStringLiteral("Cancelar"), this);
    cancel->setAutoDefault(false);
    create_->setDefault(true);
    new SheetLayout(*this, QStringLiteral("Criar cofre"),
                    QStringLiteral("Uma imagem criptografada, privada e fora da busca do sistema."),
                    {vaultSection, passwordSection, sourceSection}, {cancel, create_});
    // The fields' width keeps every message on one line.
    name_->setMinimumWidth(fieldWidth);

    connect(name_, &QLineEdit::textChanged, this, [this](const QString& text) {
        form_.name = text;
        showForm();
    });
    connect(capacity_, &QSpinBox::valueChanged, this, [this](int value) {
        form_.capacityInGigabytes = value;
        showForm();
    });
    connect(password_, &QLineEdit::textChanged, this, [this](const QString& text) {
        form_.password = text;
        showForm();
    });
    connect(confirmation_, &QLineEdit::textChanged, this, [this](const QString& text) {
        form_.passwordConfirmation = text;
        showForm();
    });
    connect(removeSource_, &QToolButton::clicked, this, [this] {
        // Only the form forgets the folder; nothing on disk is touched.
        form_.sourceFolder.reset();
        showForm();
    });
    connect(chooseSource_, &QPushButton::clicked, this, &CreateVaultSheet::chooseSourceFolder);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(this, &QDialog::rejected, &store_, &VaultStore::clearMessages);
    connect(create_, &QPushButton::clicked, this, &CreateVaultSheet::createVault);
    connect(&store_, &VaultStore::isBusyChanged, this, &CreateVaultSheet::showForm);
    // The keyboard walks the form as it reads, the footer last.
    QWidget* const tabOrder[] = {name_,         capacity_,     password_, confirmation_,
                                 removeSource_, chooseSource_, cancel,    create_};
    for (std::size_t index = 1; index < std::size(tabOrder); ++index) {
        setTabOrder(tabOrder[index - 1], tabOrder[index]);
    }
    showForm();
    name_->setFocus();
}

void CreateVaultSheet::createVault()
{
    form_.didAttemptCreation = true;
    showForm();
    if (!form_.canCreate(store_.isBusy())) {
        return;
    }
    if (!store_.enqueueCreateVault(form_.trimmedName(), form_.password, form_.capacityInGigabytes,
                                   form_.sourceFolder)) {
        // The store's error alert says why; the form stays as typed.
        return;
    }
    password_->clear();
    confirmation_->clear();
    emit enqueued();
    accept();
}

void CreateVaultSheet::keyPressEvent(QKeyEvent* event)
{
    // Return creates even while the button is disabled, so that the attempt shows what is missing.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && event->modifiers() == Qt::NoModifier) {
        createVault();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CreateVaultSheet::chooseSourceFolder()
{
    auto* picker = new QFileDialog(this, QStringLiteral("Pasta de origem"));
    picker->setAttribute(Qt::WA_DeleteOnClose);
    picker->setFileMode(QFileDialog::Directory);
    picker->setOption(QFileDialog::ShowDirsOnly);
    // Read once the dialog is accepted: Qt's own dialog (no desktop portal or platform theme)
    // emits only filesSelected, a native one only urlsSelected, and both answer selectedUrls().
    connect(picker, &QDialog::accepted, this, [this, picker] {
        const QList<QUrl> urls = picker->selectedUrls();
        if (!urls.isEmpty()) {
            form_.sourceFolder = urls.first();
            showForm();
        }
    });
    picker->open();
}

void CreateVaultSheet::showForm()
{
    nameWarning_->setMessage(form_.nameWarning());
    passwordMessage_->setMessage(form_.passwordMessage());
    sourceName_->setText(form_.sourceFolderName());
    sourceName_->setToolTip(form_.sourceFolder ? form_.sourceFolder->toLocalFile() : QString());
    removeSource_->setVisible(form_.sourceFolder.has_value());
    chooseSource_->setText(form_.sourceButtonTitle());
    sourceNote_->setVisible(form_.sourceFolder.has_value());
    create_->setEnabled(form_.canCreate(store_.isBusy()));
}
