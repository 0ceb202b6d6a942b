#include "ui/VaultLockedView.h"

#include "store/VaultStore.h"
#include "ui/ElidedLabel.h"
#include "ui/IconLabel.h"
#include "ui/InlineMessage.h"
#include "ui/KovaraIcons.h"
#include "ui/TextStyle.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int lockIconSize = 56;
constexpr int factIconSize = 18;
constexpr int formWidth = 340;

QWidget* securityFact(const QString& iconName, const QString& title, QWidget* parent)
{
    auto* fact = new QWidget(parent);
    auto* icon = new IconLabel(KovaraIcons::icon(iconName), factIconSize, fact);
    QLabel* text = TextStyle::secondaryLabel(title, fact);
    auto* layout = new QHBoxLayout(fact);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addWidget(icon);
    layout->addWidget(text);
    return fact;
}

} // namespace

VaultLockedView::VaultLockedView(VaultStore& store, QWidget* parent)
    : QWidget(parent)
    , store_(store)
    , name_(new ElidedLabel(this))
    , password_(new QLineEdit(this))
    , unlock_(new QPushButton(QStringLiteral("Desbloquear"), this))
    , failure_(new InlineMessage(KovaraIcons::error, false, this))
{
    auto* icon = new IconLabel(KovaraIcons::icon(KovaraIcons::locked), lockIconSize, this);
    TextStyle::emphasize(name_, 1.6);
    name_->setAlignment(Qt::AlignCenter);
    QLabel* caption = TextStyle::secondaryLabel(QStringLiteral("Este cofre está bloqueado"), this);
    caption->setAlignment(Qt::AlignCenter);

    password_->setEchoMode(QLineEdit::Password);
    password_->setPlaceholderText(QStringLiteral("Senha do cofre"));
    password_->setAccessibleName(QStringLiteral("Senha do cofre"));
    password_->setMinimumWidth(220);
    unlock_->setDefault(true);
    auto* fieldRow = new QHBoxLayout;
    fieldRow->setSpacing(8);
    fieldRow->addWidget(password_, 1);
    fieldRow->addWidget(unlock_);

    auto* facts = new QHBoxLayout;
    facts->setSpacing(18);
    facts->addStretch();
    facts->addWidget(securityFact(KovaraIcons::shield, QStringLiteral("AES-256"), this));
    facts->addWidget(securityFact(KovaraIcons::search, QStringLiteral("Fora da busca do sistema"), this));
    facts->addWidget(securityFact(KovaraIcons::keyOff, QStringLiteral("Senha não salva"), this));
    facts->addStretch();

    auto* form = new QWidget(this);
    form->setMaximumWidth(formWidth);
    auto* formLayout = new QVBoxLayout(form);
    formLayout->setContentsMargins(0, 0, 0, 0);
    formLayout->setSpacing(8);
    formLayout->addLayout(fieldRow);
    formLayout->addWidget(failure_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 32, 32, 32);
    layout->setSpacing(10);
    layout->addStretch(3);
    layout->addWidget(icon, 0, Qt::AlignHCenter);
    layout->addWidget(name_);
    layout->addWidget(caption);
    layout->addSpacing(12);
    // Centred by stretches rather than an alignment flag: only then does the layout give the
    // word-wrapped failure message the height its narrower width needs.
    auto* formRow = new QHBoxLayout;
    formRow->addStretch();
    formRow->addWidget(form, 1);
    formRow->addStretch();
    layout->addLayout(formRow);
    layout->addSpacing(18);
    layout->addLayout(facts);
    layout->addStretch(4);

    connect(password_, &QLineEdit::returnPressed, this, &VaultLockedView::unlock);
    connect(unlock_, &QPushButton::clicked, this, &VaultLockedView::unlock);
    connect(&store_, &VaultStore::unlockFailureChanged, this, &VaultLockedView::showState);
    connect(&store_, &VaultStore::isBusyChanged, this, &VaultLockedView::showState);
}

void VaultLockedView::display(const Vault& vault)
{
    if (vault_.id != vault.id) {
        // A password typed for another vault must not be sent to this one.
        password_->clear();
    }
    vault_ = vault;
    name_->setFullText(vault.name);
    showState();
}

void VaultLockedView::focusPasswordField()
{
    password_->setFocus(Qt::OtherFocusReason);
}

void VaultLockedView::unlock()
{
    if (password_->text().isEmpty() || store_.isBusy()) {
        return;
    }
    const QString password = password_->text();
    password_->clear();
    unlockAndRefocus(vault_.id, password);
}

QCoro::Task<> VaultLockedView::unlockAndRefocus(QUuid vaultID, QString password)
{
    const QPointer<VaultLockedView> self(this);
    VaultStore& store = store_;
    co_await store.unlock(vaultID, password);
    if (self && store.unlockFailureMessage(vaultID)) {
        self->focusPasswordField();
    }
}

void VaultLockedView::showState()
{
    failure_->setMessage(store_.unlockFailureMessage(vault_.id));
    unlock_->setEnabled(!store_.isBusy());
}
