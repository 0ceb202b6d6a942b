#include "support/VaultStoreFixture.h"

#include "model/MountedRollbackFailure.h"
#include "model/VaultError.h"

#include <QDir>
#include <QSignalSpy>

namespace {

using UnlockLockTest = VaultStoreFixture;

const QString wrongPassword = "Não foi possível desbloquear este cofre. Confira a senha e tente novamente.";
const VaultError discoveryFailure = VaultError::commandFailed("hdiutil", 1, "sem resposta");
const QString discoveryText = discoveryFailure.errorDescription();

TEST_F(UnlockLockTest, anAttachFailureIsWordedByWhereTheSystemFoundTheVault)
{
    enum class Found { mounted, notMounted, nothingKnown };
    struct Case
    {
        const char* what;
        std::exception_ptr failure;
        bool createdNow;
        Found found;
        std::optional<QString> error;
        std::optional<QString> inlineFailure;
        std::optional<QString> notice;
    };
    const auto plain = std::make_exception_ptr(VaultError(VaultError::Kind::unableToCreatePrivacyMarker));
    const QString plainText = "Não foi possível criar a proteção contra indexação dentro do cofre.";
    const auto refused = std::make_exception_ptr(VaultError(VaultError::Kind::unlockFailed));
    const auto rollback = std::make_exception_ptr(MountedRollbackFailure({}, "marcador", "ocupado"));
    const QString bothFailed = "A finalização do desbloqueio falhou (marcador) e a desmontagem automática falhou "
                               "(ocupado).";
    const QList<Case> cases = {
        {"wrong password", refused, false, Found::notMounted, std::nullopt, wrongPassword, "Atenção:\n• aviso"},
        {"new vault refused", refused, true, Found::notMounted,
         "O cofre foi criado, mas não pôde ser desbloqueado: " + wrongPassword, std::nullopt,
         "O cofre foi criado e permanece bloqueado.\n\nAtenção:\n• aviso"},
        {"other error, not mounted", plain, false, Found::notMounted, plainText, std::nullopt, "Atenção:\n• aviso"},
        {"rollback failed, not mounted", rollback, true, Found::notMounted,
         "A finalização do desbloqueio falhou (marcador). A desmontagem retornou erro (ocupado), mas uma nova "
         "consulta confirmou que o cofre está bloqueado.",
         std::nullopt, "O cofre foi criado e permanece bloqueado.\n\nAtenção:\n• aviso"},
        {"new vault left mounted", plain, true, Found::mounted,
         "O cofre foi criado e continua montado, mas a finalização do desbloqueio falhou: " + plainText, std::nullopt,
         "O cofre continua montado.\n\nAtenção:\n• aviso"},
        {"left mounted", refused, false, Found::mounted,
         "O cofre continua montado, mas a finalização do desbloqueio falhou: " + wrongPassword, std::nullopt,
         "O cofre continua montado.\n\nAtenção:\n• aviso"},
        {"rollback failed, mounted", rollback, false, Found::mounted,
         bothFailed.chopped(1) + ". Uma nova consulta confirmou que o cofre continua montado.", std::nullopt,
         "O cofre continua montado.\n\nAtenção:\n• aviso"},
        {"new vault, state unknown", plain, true, Found::nothingKnown,
         plainText + " Também não foi possível confirmar o estado de montagem: " + discoveryText, std::nullopt,
         "O cofre foi criado; confirme seu estado no Utilitário de Disco.\n\nAtenção:\n• aviso"},
        {"wrong password, state unknown", refused, false, Found::nothingKnown,
         wrongPassword + " Também não foi possível confirmar o estado de montagem: " + discoveryText, std::nullopt,
         "Atenção:\n• aviso"},
        {"rollback failed, state unknown", rollback, false, Found::nothingKnown,
         bothFailed.chopped(1) + ". Também não foi possível confirmar o estado atual: " + discoveryText,
         std::nullopt, "Atenção:\n• aviso"},
    };
    makeStore({"A"});
    services.content.listing = {itemNamed("Carta.txt")};
    for (const Case& row : cases) {
        SCOPED_TRACE(row.what);
        store->clearMessages();
        store->setContent({itemNamed("Velho.txt")});
        switch (row.found) {
        case Found::mounted:
            services.disk.mountedSessionsOutcomes.push(mounted({sessionOf(vault(0))}));
            break;
        case Found::notMounted:
            services.disk.mountedSessionsOutcomes.push({});
            break;
        case Found::nothingKnown:
            services.disk.mountedSessionsOutcomes.pushError(discoveryFailure);
            break;
        }

        waitForTask(store->handleAttachFailure(row.failure, vault(0), row.createdNow, {"aviso"}, &services.disk));

        EXPECT_EQ(store->errorMessage(), row.error);
        EXPECT_EQ(store->unlockFailureMessage(vault(0).id), row.inlineFailure);
        EXPECT_EQ(store->noticeMessage(), row.notice);
        EXPECT_EQ(store->content(),
                  row.found == Found::mounted ? services.content.listing : QList<VaultContentItem>{});
        EXPECT_EQ(store->status(), row.found == Found::mounted      ? VaultStatus::unlocked
                                   : row.found == Found::notMounted ? VaultStatus::locked
                                                                    : VaultStatus::needsAttention);
    }
}

TEST_F(UnlockLockTest, aWrongPasswordIsShownBesideThatVaultOnly)
{
    makeStore({"A", "B"});
    services.disk.attachOutcomes.pushError(VaultError(VaultError::Kind::unlockFailed));

    waitForTask(store->unlockSelected("errada"));

    EXPECT_EQ(store->errorMessage(), std::nullopt);
    EXPECT_EQ(store->unlockFailureMessage(vault(0).id), wrongPassword);
    EXPECT_EQ(store->unlockFailureMessage(vault(1).id), std::nullopt);
    EXPECT_EQ(store->status(), VaultStatus::locked);
    EXPECT_FALSE(store->isBusy());
    EXPECT_EQ(services.disk.operations(), QStringList({"mountedSessions", "attach", "mountedSessions"}));
    EXPECT_EQ(services.disk.calls[1].password, "errada");

    store->selectVault(vault(1).id);
    EXPECT_EQ(store->unlockFailure(), std::nullopt);
}

TEST_F(UnlockLockTest, unlockRefusesWhatItCannotUnlockBeforeAskingTheSystem)
{
    makeStore({"A", "B"});
    QDir(vault(1).imageURL.toLocalFile()).removeRecursively();
    const QString nul(QChar(u'\0'));
    const QList<std::pair<QUuid, QString>> attempts = {
        {vault(0).id, ""}, {vault(0).id, "ab" + nul}, {QUuid::createUuid(), "senha"}, {vault(1).id, "senha"}};
    const QStringList refusals = {"Informe uma senha para criptografar o cofre.",
                                  "A senha contém um caractere não suportado.", "Selecione um cofre primeiro.",
                                  "O arquivo deste cofre não foi encontrado."};
    for (qsizetype i = 0; i < attempts.size(); ++i) {
        waitForTask(store->unlock(attempts[i].first, attempts[i].second));
        EXPECT_EQ(store->errorMessage(), refusals[i]);
        EXPECT_FALSE(store->isBusy());
    }
    EXPECT_TRUE(services.disk.calls.isEmpty());

    store->selectVault(std::nullopt);
    waitForTask(store->unlockSelected("senha"));
    EXPECT_EQ(store->errorMessage(), "Selecione um cofre primeiro.");
    waitForTask(store->lockSelectedAndWait());
    EXPECT_EQ(store->errorMessage(), "Selecione um cofre primeiro.");
}

TEST_F(UnlockLockTest, unlockingAVaultMountedByHandOnlyProtectsAndListsIt)
{
    makeStore({"A"});
    services.disk.mountedSessionsOutcomes.push(mounted({sessionOf(vault(0))}));
    services.disk.protectExistingMountOutcomes.push(MountProtectionReport{{"mdutil falhou"}});
    services.content.listing = {itemNamed("Carta.txt")};

    waitForTask(store->unlock(vault(0).id, "qualquer"));

    EXPECT_EQ(services.disk.operations(), QStringList({"mountedSessions", "protectExistingMount"}));
    EXPECT_EQ(store->noticeMessage(), "O cofre já estava desbloqueado.\n\nAtenção:\n• mdutil falhou");
    EXPECT_EQ(store->content(), services.content.listing);
    EXPECT_EQ(store->status(), VaultStatus::unlocked);
}

TEST_F(UnlockLockTest, aListingThatFailsAfterUnlockingLeavesTheVaultUnlocked)
{
    makeStore({"A"});
    services.disk.attachOutcomes.push({sessionOf(vault(0)), MountProtectionReport{{"chflags falhou"}}});
    services.content.listFailure = std::make_exception_ptr(VaultError(VaultError::Kind::noMountedVolume));
    store->setContent({itemNamed("Velho.txt")});

    waitForTask(store->unlock(vault(0).id, "senha-certa"));

    EXPECT_EQ(store->errorMessage(), "O cofre foi desbloqueado, mas seu conteúdo não pôde ser listado: O macOS não "
                                     "informou o volume montado pelo cofre.");
    EXPECT_EQ(store->noticeMessage(), "O cofre permanece desbloqueado.\n\nAtenção:\n• chflags falhou");
    EXPECT_TRUE(store->content().isEmpty());
    EXPECT_EQ(store->status(), VaultStatus::unlocked);
    EXPECT_EQ(store->state(vault(0).id), VaultRowState::unlocked);
}

TEST_F(UnlockLockTest, aBusyLockOffersTheForcedLockWhichThenSucceeds)
{
    makeStore({"A"});
    services.disk.mountedSessionsOutcomes.setStanding(mounted({sessionOf(vault(0))}));
    const VaultError busy = VaultError::volumeBusy({"PID 4242 (/usr/bin/tail)"});
    services.disk.detachOutcomes.pushError(busy);

    waitForTask(store->lockSelectedAndWait());

    EXPECT_EQ(store->errorMessage(), "O cofre ainda está em uso por PID 4242 (/usr/bin/tail). Feche os arquivos "
                                     "abertos nele e tente novamente, ou use “Forçar bloqueio”.");
    EXPECT_EQ(store->forceLockVaultID(), vault(0).id);
    EXPECT_EQ(store->forceLockContinuesTermination(), false);
    EXPECT_EQ(store->status(), VaultStatus::unlocked);

    services.disk.mountedSessionsOutcomes.setStanding({});
    services.disk.mountedSessionsOutcomes.push(mounted({sessionOf(vault(0))}));
    QSignalSpy busyChanges(store.get(), &VaultStore::isBusyChanged);
    store->lock(vault(0).id, true);
    EXPECT_FALSE(store->isBusy()) << "the work starts after the call has returned";
    ASSERT_TRUE(QTest::qWaitFor([&] { return busyChanges.size() == 2; }));

    EXPECT_EQ(services.disk.operations().mid(3),
              QStringList({"mountedSessions", "forceDetach", "mountedSessions"}));
    EXPECT_EQ(services.disk.calls[4].session, sessionOf(vault(0)));
    EXPECT_EQ(store->noticeMessage(), "Cofre bloqueado.");
    EXPECT_EQ(store->errorMessage(), std::nullopt);
    EXPECT_EQ(store->forceLockVaultID(), std::nullopt) << "the offer ends with the next operation";
    EXPECT_EQ(store->status(), VaultStatus::locked);
}

TEST_F(UnlockLockTest, aLockEndsWithWhatTheSystemConfirms)
{
    struct Case
    {
        const char* what;
        bool mountedBefore;
        bool ejectRefused;
        bool mountedAfter;
        bool discoveryFails;
        std::optional<QString> error;
        std::optional<QString> notice;
        VaultStatus status;
    };
    const VaultError refusal = VaultError::commandFailed("diskutil", 1, "recusado");
    const QString refusedText = refusal.errorDescription();
    const QList<Case> cases = {
        {"ejected outside the program", false, false, false, false, std::nullopt, "O cofre já estava bloqueado.",
         VaultStatus::locked},
        {"locked", true, false, false, false, std::nullopt, "Cofre bloqueado.", VaultStatus::locked},
        {"eject claimed success", true, false, true, false,
         "O macOS não confirmou o bloqueio do cofre; ele continua montado.", std::nullopt, VaultStatus::unlocked},
        {"ejected, state unknown", true, false, false, true, discoveryText, std::nullopt,
         VaultStatus::needsAttention},
        {"eject refused", true, true, true, false, "Não foi possível concluir o bloqueio: " + refusedText,
         std::nullopt, VaultStatus::unlocked},
        {"eject refused, state unknown", true, true, true, true,
         refusedText + " Também não foi possível confirmar o estado do cofre: " + discoveryText, std::nullopt,
         VaultStatus::needsAttention},
    };
    makeStore({"A"});
    for (const Case& row : cases) {
        SCOPED_TRACE(row.what);
        store->setContent({itemNamed("Carta.txt")});
        services.disk.mountedSessionsOutcomes.push(row.mountedBefore ? mounted({sessionOf(vault(0))})
                                                                     : QHash<QUuid, VaultSession>{});
        if (row.ejectRefused) {
            services.disk.detachOutcomes.pushError(refusal);
        }
        if (!row.mountedBefore) {
            // Nothing to eject, so nothing to confirm.
        } else if (row.discoveryFails) {
            services.disk.mountedSessionsOutcomes.pushError(discoveryFailure);
        } else {
            services.disk.mountedSessionsOutcomes.push(row.mountedAfter ? mounted({sessionOf(vault(0))})
                                                                        : QHash<QUuid, VaultSession>{});
        }

        waitForTask(store->lockSelectedAndWait());

        EXPECT_EQ(store->errorMessage(), row.error);
        EXPECT_EQ(store->noticeMessage(), row.notice);
        EXPECT_EQ(store->status(), row.status);
        EXPECT_EQ(store->forceLockVaultID(), std::nullopt);
        EXPECT_EQ(store->content().isEmpty(), row.status != VaultStatus::unlocked);
        EXPECT_FALSE(store->isBusy());
    }
}

} // namespace
