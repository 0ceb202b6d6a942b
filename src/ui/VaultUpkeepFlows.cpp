#include "ui/VaultUpkeepFlows.h"

#include "platform/SecretText.h"
#include "store/VaultStore.h"
#include "ui/RecoveryKeySheet.h"
#include "ui/ResetPasswordSheet.h"
#include "ui/ResizeSheet.h"
#include "ui/VaultCheckReportText.h"
#include "ui/VaultPasswordSheet.h"

#include <QMessageBox>
#include <QPointer>
#include <QWidget>

namespace {

constexpr qint64 gigabyte = qint64{1} << 30;

} // namespace

VaultUpkeepFlows::VaultUpkeepFlows(VaultStore& store, QWidget* window) : QObject(window), store_(store), window_(window)
{
    connect(&store_, &VaultStore::newVaultRecoveryKeyReady, this, &VaultUpkeepFlows::presentNewVaultKey);
}

void VaultUpkeepFlows::present(const QUuid& vaultID, SidebarRowModel::Action action)
{
    const auto found = std::find_if(store_.vaults().cbegin(), store_.vaults().cend(),
                                    [&vaultID](const Vault& vault) { return vault.id == vaultID; });
    if (found == store_.vaults().cend()) {
        return;
    }
    // A copy: the sheets opened below outlive this call, and the catalogue may change meanwhile.
    Vault vault = *found;
    const QPointer<VaultUpkeepFlows> self(this);
    switch (action) {
    case SidebarRowModel::Action::increaseCapacity: {
        std::optional<int> current;
        if (const auto& capacity = store_.selectedCapacity(); capacity && store_.selectedVaultID() == vault.id) {
            current = static_cast<int>(capacity->capacityBytes / gigabyte);
        }
        (new ResizeSheet(store_, vault, current, window_))->open();
        return;
    }
    case SidebarRowModel::Action::showRecoveryKey:
        (new VaultPasswordSheet(
             store_, vault, QStringLiteral("Mostrar chave de recuperação"), QStringLiteral("Mostrar chave"),
             [this, self, vault](const QString& password, std::function<void(FormOutcome)> finished) {
                 return store_.enqueueShowRecoveryKey(
                     vault.id, password,
                     [self, vault, finished](FormOutcome outcome, std::shared_ptr<const SecretText> key) {
                         finished(outcome);
                         if (self && key) {
                             self->presentKey(vault, std::move(key));
                         }
                     });
             },
             window_))
            ->open();
        return;
    case SidebarRowModel::Action::resetPasswordWithKey:
        (new ResetPasswordSheet(store_, vault, window_))->open();
        return;
    case SidebarRowModel::Action::verify:
        (new VaultPasswordSheet(
             store_, vault, QStringLiteral("Verificar cofre"), QStringLiteral("Verificar"),
             [this, self, vault](const QString& password, std::function<void(FormOutcome)> finished) {
                 return store_.enqueueVerify(
                     vault.id, password,
                     [self, vault, finished](FormOutcome outcome, std::optional<VaultCheckReport> report) {
                         finished(outcome);
                         if (self && report) {
                             self->presentReport(vault, *report);
                         }
                     });
             },
             window_))
            ->open();
        return;
    default:
        return;
    }
}

void VaultUpkeepFlows::presentNewVaultKey()
{
    std::shared_ptr<const SecretText> key = store_.takeNewVaultRecoveryKey();
    if (const std::optional<Vault> vault = store_.selectedVault(); vault && key) {
        presentKey(*vault, std::move(key));
    }
}

void VaultUpkeepFlows::presentKey(const Vault& vault, std::shared_ptr<const SecretText> key)
{
    (new RecoveryKeySheet(vault, std::move(key), window_))->open();
}

void VaultUpkeepFlows::presentReport(const Vault& vault, const VaultCheckReport& report)
{
    const VaultCheckReportText text = VaultCheckReportText::make(vault.name, report);
    auto* alert = new QMessageBox(report.damagedCount > 0 ? QMessageBox::Warning : QMessageBox::Information, text.title,
                                  text.title, QMessageBox::NoButton, window_);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->setObjectName(QStringLiteral("vaultCheckReport"));
    alert->setInformativeText(text.message);
    alert->setTextInteractionFlags(Qt::TextSelectableByMouse);
    alert->setDefaultButton(alert->addButton(QStringLiteral("OK"), QMessageBox::AcceptRole));
    alert->open();
}
