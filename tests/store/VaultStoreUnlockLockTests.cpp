#include "support/VaultStoreFixture.h"

#include "model/MountedRollbackFailure.h"

#include <QSignalSpy>
#include <QTest>

namespace {

using UnlockLockTest = VaultStoreFixture;

const QString wrongPassword = "Não foi possível desbloquear este cofre. Confira a senha e tente novamente.";
const VaultError discoveryFailure = VaultError::commandFailed("kovara-hdiutil", 1, "sem resposta");
const QString discoveryText = "kovara-hdiutil falhou com código 1: sem resposta";

TEST_F(UnlockLockTest, anAttachFailureIsWordedByWhereTheSystemFoundTheVault)
{
    enum class Found {
        mounted,
        notMounted,
        nothingKnown
    };
    const auto plain = std::make_exception_ptr(VaultError(VaultError::Kind::unableToCreatePrivacyMarker));
    const QString plainText = "Não foi possível criar a proteção contra indexação dentro do cofre.";
    const auto refused = std::make_exception_ptr(VaultError(VaultError::Kind::unlockFailed));
    const auto rollback = std::make_exception_ptr(MountedRollbackFailure({}, "marcador", "ocupado"));
    const QString bothFailed = "A finalização do desbloqueio falhou (marcador) e a desmontagem automática falhou "
                               "(ocupado)";
    const QString created = "O cofre foi criado e permanece bloqueado.\n\nAtenção:\n• aviso";
    const QString stillMounted = "O cofre continua montado.\n\nAtenção:\n• aviso";
    const struct
    {
        const char* what;
        std::exception_ptr failure;
        bool createdNow;
        Found found;
        std::optional<QString> error;
        std::optional<QString> inlineFailure;
        QString notice;
    } cases[] = {
        {"wrong password", refused, false, Found::notMounted, std::nullopt, wrongPassword, "Atenção:\n• aviso"},
        {"new vault refused", refused, true, Found::notMounted,
         "O cofre foi criado, mas não pôde ser desbloqueado: " + wrongPassword, std::nullopt, created},
        {"other error, not mounted", plain, false, Found::notMounted, plainText, std::nullopt, "Atenção:\n• aviso"},
        {"rollback failed, not mounted", rollback, true, Found::notMounted,
         "A finalização do desbloqueio falhou (marcador). A desmontagem retornou erro (ocupado), mas uma nova "
         "consulta confirmou que o cofre está bloqueado.",
         std::nullopt, created},
        {"new vault left mounted", plain, true, Found::mounted,
         "O cofre foi criado e continua montado, mas a finalização do desbloqueio falhou: " + plainText, std::nullopt,
         stillMounted},
        {"left mounted", refused, false, Found::mounted,
         "O cofre continua montado, mas a finalização do desbloqueio falhou: " + wrongPassword, std::nullopt,
         stillMounted},
        {"rollback failed, mounted", rollback, false, Found::mounted,
         bothFailed + ". Uma nova consulta confirmou que o cofre continua montado.", std::nullopt, stillMounted},
        {"new vault, state unknown", plain, true, Found::nothingKnown,
         plainText + " Também não foi possível confirmar o estado de montagem: " + discoveryText, std::nullopt,
         "O cofre foi criado; bloqueie-o e desbloqueie-o para confirmar seu estado.\n\nAtenção:\n• aviso"},
        {"wrong password, state unknown", refused, false, Found::nothingKnown,
         wrongPassword + " Também não foi possível confirmar o estado de montagem: " + discoveryText, std::nullopt,
         "Atenção:\n• aviso"},
        {"rollback failed, state unknown", rollback, false, Found::nothingKnown,
         bothFailed + ". Também não foi possível confirmar o estado atual: " + discoveryText, std::nullopt,
         "Atenção:\n• aviso"},
    };
    makeStore({"A"});
    services.content.listing = {itemNamed("Carta.txt")};
    for (const auto& row : cases) {
        SCOPED_TRACE(row.what);
        store->clearMessages();
        store->setContent({itemNamed("Velho.txt")});
        if (row.found == Found::nothingKnown) {
            services.disk.mountedSessionsOutcomes.pushError(discoveryFailure);
        } else {
            services.disk.mountedSessionsOutcomes.push(row.found == Found::mounted ? mounted({vault(0)})
                                                                                   : QHash<QUuid, VaultSession>{});
        }

        waitForTask(store->handleAttachFailure(row.failure, vault(0), row.createdNow, {"aviso"}, &services.disk));

        EXPECT_EQ(store->errorMessage(), row.error);
        EXPECT_EQ(store->unlockFailureMessage(vault(0).id), row.inlineFailure);
        EXPECT_EQ(store->noticeMessage(), row.notice);
        EXPECT_EQ(store->content(), row.found == Found::mounted ? services.content.listing : QList<VaultContentItem>{});
        EXPECT_EQ(store->status(), row.found == Found::mounted      ? VaultStatus::unlocked
                                   : row.found == Found::notMounted ? VaultStatus::locked
                                                                    : VaultStatus::needsAttention);
    }
}

TEST_F(UnlockLockTest, unlockRefusesWhatItCannotUnlockBeforeAskingTheSystem)
{
    makeStore({"A", "B"});
    QDir(vault(1).imageURL.toLocalFile()).removeRecursively();
    const struct
    {
        QUuid vault;
        QString password;
        QString refusal;
    } attempts[] = {
        {vault(0).id, "", "Informe uma senha para criptografar o cofre."},
        {vault(0).id, "ab" + QString(QChar(u'\0')), "A senha contém um caractere não suportado."},
        {vault(0).id, QString(1025, u'a'),
         "A senha é longa demais. Use no máximo 1.024 bytes (letras acentuadas ocupam 2)."},
        {QUuid::createUuid(), "senha", "Selecione um cofre primeiro."},
        {vault(1).id, "senha", "O arquivo deste cofre não foi encontrado."},
    };
    for (const auto& attempt : attempts) {
        waitForTask(store->unlock(attempt.vault, attempt.password));
        EXPECT_EQ(store->errorMessage(), attempt.refusal);
        EXPECT_FALSE(store->isBusy());
    }
    EXPECT_TRUE(services.disk.calls.isEmpty());

    store->selectVault(std::nullopt);
    waitForTask(store->unlockSelected("senha"));
    EXPECT_EQ(store->errorMessage(), "Selecione um cofre primeiro.");
    store->clearMessages();
    waitForTask(store->lockSelectedAndWait());
    EXPECT_EQ(store->errorMessage(), "Selecione um cofre primeiro.");
}

TEST_F(UnlockLockTest, aWrongPasswordIsShownBesideThatVaultOnlyAndAListingFailureKeepsItUnlocked)
{
    makeStore({"A", "B"});
    services.disk.attachOutcomes.pushError(VaultError(VaultError::Kind::unlockFailed));
    waitForTask(store->unlockSelected("errada"));
    EXPECT_EQ(store->errorMessage(), std::nullopt);
    EXPECT_EQ(store->unlockFailureMessage(vault(0).id), wrongPassword);
    EXPECT_EQ(store->status(), VaultStatus::locked);
    EXPECT_EQ(services.disk.operations(), QStringList({"mountedSessions", "attach", "mountedSessions"}));
    store->selectVault(vault(1).id);
    EXPECT_EQ(store->unlockFailure(), std::nullopt);

    services.disk.attachOutcomes.push({sessionOf(vault(1)), MountProtectionReport{{"chflags falhou"}}});
    services.content.listFailure = std::make_exception_ptr(VaultError(VaultError::Kind::noMountedVolume));
    waitForTask(store->unlock(vault(1).id, "senha-certa"));
    EXPECT_EQ(store->errorMessage(), "O cofre foi desbloqueado, mas seu conteúdo não pôde ser listado: O sistema não "
                                     "informou o volume montado pelo cofre.");
    EXPECT_EQ(store->noticeMessage(), "O cofre permanece desbloqueado.\n\nAtenção:\n• chflags falhou");
    EXPECT_EQ(store->state(vault(1).id), VaultRowState::unlocked);
}

TEST_F(UnlockLockTest, anUnlockThatMakesNoProgressIsStoppedFromTheBannerOrByQuitting)
{
    makeStore({"A"});
    services.disk.attachHangs = true;
    const auto attaching = [this] {
        return QTest::qWaitFor([this] {
            return store->activeOperation() && store->activeOperation()->phase == VaultOperationPhase::unlockingVault;
        });
    };
    QCoro::Task<> unlocking = store->unlock(vault(0).id, "senha");
    ASSERT_TRUE(attaching());
    EXPECT_TRUE(store->canCancelActiveOperation()) << "the banner offers “Cancelar”";
    store->cancelActiveOperation();
    waitForTask(std::move(unlocking));
    EXPECT_EQ(store->errorMessage(), "A operação foi cancelada.");
    EXPECT_EQ(store->activeOperation(), std::nullopt);
    EXPECT_FALSE(store->isBusy());

    QCoro::Task<> again = store->unlock(vault(0).id, "senha");
    ASSERT_TRUE(attaching());
    EXPECT_TRUE(waitForTask(store->prepareForTermination())) << "quitting stops the unlock, then locks all";
    waitForTask(std::move(again));
    EXPECT_EQ(store->state(vault(0).id), VaultRowState::locked);
}

TEST_F(UnlockLockTest, unlockingAVaultMountedByHandOnlyProtectsAndListsIt)
{
    makeStore({"A"});
    services.disk.mountedSessionsOutcomes.push(mounted({vault(0)}));
    services.disk.protectExistingMountOutcomes.push(MountProtectionReport{{"mdutil falhou"}});
    services.content.listing = {itemNamed("Carta.txt")};

    waitForTask(store->unlock(vault(0).id, "qualquer"));

    EXPECT_EQ(services.disk.operations(), QStringList({"mountedSessions", "protectExistingMount"}));
    EXPECT_EQ(store->noticeMessage(), "O cofre já estava desbloqueado.\n\nAtenção:\n• mdutil falhou");
    EXPECT_EQ(store->content(), services.content.listing);
    EXPECT_EQ(store->status(), VaultStatus::unlocked);
}

TEST_F(UnlockLockTest, aBusyLockOffersTheForcedLockWhichThenSucceeds)
{
    makeStore({"A"});
    services.disk.mountedSessionsOutcomes.setStanding(mounted({vault(0)}));
    services.disk.detachOutcomes.pushError(VaultError::volumeBusy({"PID 4242 (/usr/bin/tail)"}));

    waitForTask(store->lockSelectedAndWait());
    EXPECT_EQ(store->errorMessage(), "O cofre ainda está em uso por PID 4242 (/usr/bin/tail). Feche os arquivos "
                                     "abertos nele e tente novamente, ou use “Forçar bloqueio”.");
    EXPECT_EQ(store->forceLockVaultID(), vault(0).id);
    EXPECT_FALSE(store->forceLockContinuesTermination());
    EXPECT_EQ(store->status(), VaultStatus::unlocked);

    services.disk.mountedSessionsOutcomes.setStanding({});
    services.disk.mountedSessionsOutcomes.push(mounted({vault(0)}));
    services.disk.leftMountTableOutcomes.push(true);
    QSignalSpy busyChanges(store.get(), &VaultStore::isBusyChanged);
    store->lock(vault(0).id, true);
    EXPECT_FALSE(store->isBusy()) << "the work starts after the call has returned";
    ASSERT_TRUE(QTest::qWaitFor([&] { return busyChanges.size() == 2; }));

    EXPECT_EQ(services.disk.operations().mid(3), QStringList({"mountedSessions", "forceDetach", "hasLeftMountTable"}))
        << "a volume gone from the mount table needs no second discovery";
    EXPECT_EQ(store->noticeMessage(), "Cofre bloqueado.");
    EXPECT_EQ(store->errorMessage(), std::nullopt);
    EXPECT_EQ(store->forceLockVaultID(), std::nullopt) << "the offer ends with the next operation";
    EXPECT_EQ(store->status(), VaultStatus::locked);
}

// Locking on its own (the machine about to sleep) names the vaults it locked and why, and reports
// the one it could not lock as a click would.
// While the mount the store knows is still in the mount table, a lock ejects it without asking the
// disk-image tool first. A capacity measurement would hold the eject up behind it: the lock stops
// it, and measures again when it ends with the vault still unlocked.
TEST_F(UnlockLockTest, aLockOrUnlockAmongKnownMountsGoesStraightToTheTool)
{
    makeStore({"A"});
    services.disk.mountedSessionsOutcomes.setStanding(mounted({vault(0)}));
    services.content.listing = {itemNamed("Carta.txt")};
    services.disk.capacityHeld = true;
    waitForTask(store->unlock(vault(0).id, "qualquer"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return services.disk.capacityStops.size() == 1; }));
    services.disk.calls.clear();

    services.disk.stillMountedOutcomes.push(true);
    services.disk.detachOutcomes.pushError(VaultError::volumeBusy({}));
    waitForTask(store->lockSelectedAndWait());
    EXPECT_EQ(services.disk.operations(), QStringList({"detach", "mountedSessions"}))
        << "only the failed eject's outcome is asked of the tool";
    EXPECT_EQ(store->forceLockVaultID(), vault(0).id);
    EXPECT_TRUE(services.disk.capacityStops.at(0).stop_requested());
    services.disk.capacityHeld = false;
    ASSERT_TRUE(QTest::qWaitFor([&] { return services.disk.capacityStops.size() == 2; }));
    EXPECT_FALSE(services.disk.capacityStops.at(1).stop_requested());
    EXPECT_TRUE(QTest::qWaitFor([&] { return store->selectedCapacity().has_value(); }));
    services.disk.calls.clear();

    services.disk.stillMountedOutcomes.push(true);
    services.disk.leftMountTableOutcomes.push(true);
    QSignalSpy busyChanges(store.get(), &VaultStore::isBusyChanged);
    store->lock(vault(0).id, true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return busyChanges.size() == 2; }));
    EXPECT_EQ(services.disk.operations(), QStringList({"forceDetach", "hasLeftMountTable"}));
    EXPECT_EQ(store->noticeMessage(), "Cofre bloqueado.");
    EXPECT_EQ(store->status(), VaultStatus::locked);
    EXPECT_EQ(store->selectedCapacity(), std::nullopt) << "a locked vault is not measured";

    // Unlocked again while the mount table holds no volume the store does not know: nothing is
    // asked before the attach.
    services.disk.calls.clear();
    services.disk.mountTableHoldsOnlyOutcomes.push(true);
    services.disk.attachOutcomes.push({sessionOf(vault(0)), MountProtectionReport{}});
    waitForTask(store->unlock(vault(0).id, "qualquer"));
    EXPECT_EQ(services.disk.operations(), QStringList({"attach"}));
    EXPECT_EQ(store->noticeMessage(), "Cofre desbloqueado.");
}

TEST_F(UnlockLockTest, anAutomaticLockNamesTheVaultsItLockedAndWhy)
{
    makeStore({"A", "B", "C"});
    const VaultError busy = VaultError::volumeBusy({"PID 4242 (/usr/bin/tail)"});
    for (const auto& sessions : {mounted({vault(0), vault(1), vault(2)}), mounted({vault(0), vault(1), vault(2)}),
                                 mounted({vault(1), vault(2)}), mounted({vault(1), vault(2)}),
                                 mounted({vault(1), vault(2)}), mounted({vault(1), vault(2)})}) {
        services.disk.mountedSessionsOutcomes.push(sessions);
    }
    services.disk.mountedSessionsOutcomes.setStanding(mounted({vault(1)}));
    services.disk.detachOutcomes.push({});
    services.disk.detachOutcomes.pushError(busy);

    waitForTask(store->lockUnlockedVaults(AutomaticLockNotice::Cause::sleep));
    EXPECT_EQ(store->noticeMessage(), "Cofres “A” e “C” bloqueados antes da suspensão.");
    EXPECT_EQ(store->errorMessage(), busy.errorDescription());
    EXPECT_EQ(store->forceLockVaultID(), vault(1).id);
    EXPECT_EQ(store->state(vault(0).id), VaultRowState::locked);
    EXPECT_EQ(store->state(vault(1).id), VaultRowState::unlocked);
}

TEST_F(UnlockLockTest, aLockEndsWithWhatTheSystemConfirms)
{
    const VaultError refusal = VaultError::commandFailed("kovara-diskutil", 1, "recusado");
    const QString refusedText = "kovara-diskutil falhou com código 1: recusado";
    const struct
    {
        const char* what;
        bool mountedBefore, ejectRefused, leftMountTable, mountedAfter, discoveryFails;
        std::optional<QString> error;
        std::optional<QString> notice;
        VaultStatus status;
    } cases[] = {
        {"ejected outside the program", false, false, false, false, false, std::nullopt, "O cofre já estava bloqueado.",
         VaultStatus::locked},
        {"ejected, gone from the mount table", true, false, true, false, false, std::nullopt, "Cofre bloqueado.",
         VaultStatus::locked},
        {"eject claimed success", true, false, false, true, false,
         "O sistema não confirmou o bloqueio do cofre; ele continua montado.", std::nullopt, VaultStatus::unlocked},
        {"ejected, state unknown", true, false, false, false, true, discoveryText, std::nullopt,
         VaultStatus::needsAttention},
        {"eject refused", true, true, false, true, false, "Não foi possível concluir o bloqueio: " + refusedText,
         std::nullopt, VaultStatus::unlocked},
        {"eject refused, state unknown", true, true, false, true, true,
         refusedText + " Também não foi possível confirmar o estado do cofre: " + discoveryText, std::nullopt,
         VaultStatus::needsAttention},
    };
    makeStore({"A"});
    for (const auto& row : cases) {
        SCOPED_TRACE(row.what);
        store->setContent({itemNamed("Carta.txt")});
        services.disk.calls.clear();
        services.disk.mountedSessionsOutcomes.push(row.mountedBefore ? mounted({vault(0)})
                                                                     : QHash<QUuid, VaultSession>{});
        if (row.ejectRefused) {
            services.disk.detachOutcomes.pushError(refusal);
        }
        if (row.mountedBefore && !row.ejectRefused) {
            services.disk.leftMountTableOutcomes.push(row.leftMountTable);
        }
        // A volume gone from the mount table is confirmed without a second discovery.
        if (row.mountedBefore && row.discoveryFails) {
            services.disk.mountedSessionsOutcomes.pushError(discoveryFailure);
        } else if (row.mountedBefore && !row.leftMountTable) {
            services.disk.mountedSessionsOutcomes.push(row.mountedAfter ? mounted({vault(0)})
                                                                        : QHash<QUuid, VaultSession>{});
        }

        waitForTask(store->lockSelectedAndWait());

        EXPECT_EQ(store->errorMessage(), row.error);
        EXPECT_EQ(store->noticeMessage(), row.notice);
        EXPECT_EQ(store->status(), row.status);
        EXPECT_EQ(store->forceLockVaultID(), std::nullopt);
        EXPECT_EQ(store->content().isEmpty(), row.status != VaultStatus::unlocked);
        EXPECT_EQ(services.disk.operations().count("mountedSessions"),
                  row.mountedBefore && !row.leftMountTable ? 2 : 1);
        EXPECT_FALSE(store->isBusy());
    }
}

} // namespace
