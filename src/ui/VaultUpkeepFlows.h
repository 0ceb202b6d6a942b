#pragma once

#include "model/Vault.h"
#include "system/VaultCheckReport.h"
#include "ui/SidebarRowModel.h"

#include <QObject>
#include <QUuid>

#include <memory>

class QWidget;
class SecretText;
class VaultStore;

// The sheets behind a vault's "Aumentar capacidade…", "Mostrar chave de recuperação…",
// "Redefinir senha com a chave…" and "Verificar cofre…", and the recovery key shown once after a
// vault is created. Each sheet is window-modal over `window` and hands its request to the store.
class VaultUpkeepFlows : public QObject
{
    Q_OBJECT

public:
    VaultUpkeepFlows(VaultStore& store, QWidget* window);

    // Opens the first sheet of `action` (one of the four above) for the vault.
    void present(const QUuid& vaultID, SidebarRowModel::Action action);

private:
    void presentNewVaultKey();
    void presentKey(const Vault& vault, std::shared_ptr<const SecretText> key);
    void presentReport(const Vault& vault, const VaultCheckReport& report);

    VaultStore& store_;
    QWidget* window_;
};
