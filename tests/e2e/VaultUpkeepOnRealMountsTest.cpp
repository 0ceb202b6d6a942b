// A vault's capacity, recovery key and check, through the store and its real services on real
// gocryptfs volumes, with the texts the user reads.
#include "store/VaultStore.h"

#include "platform/SecretText.h"
#include "support/FakeFinderWorkspace.h"
#include "support/QtValuePrinters.h"
#include "support/RealMounts.h"
#include "support/TestFiles.h"
#include "ui/CapacityMeter.h"
#include "ui/RecoveryKeySheet.h"
#include "ui/VaultCheckReportText.h"

#include <QDirIterator>
#include <QFile>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using namespace TestFiles;

constexpr int generousWait = 180000;
constexpr qint64 gigabyte = qint64{1} << 30;

class VaultUpkeepOnRealMounts : public testing::Test
{
protected:
    static QString mountBase() { return qEnvironmentVariable("XDG_RUNTIME_DIR") + "/kovara"; }

    bool idle()
    {
        return QTest::qWaitFor([this] { return store.canEnqueueOperation(); }, generousWait);
    }

    Vault createVault(const QString& name)
    {
        EXPECT_TRUE(store.enqueueCreateVault(name, password, 1));
        EXPECT_TRUE(idle());
        EXPECT_EQ(store.errorMessage(), std::nullopt);
        return store.vaults().last();
    }

    QString volumeOf(const Vault& vault) const { return store.sessions().value(vault.id).mountPoint.toLocalFile(); }

    void lock()
    {
        QCoro::waitFor(store.lockSelectedAndWait());
        ASSERT_EQ(store.status(), VaultStatus::locked);
    }

    // Runs a form's request to its end and gives how it ended.
    template <typename Start>
    FormOutcome outcomeOf(Start start)
    {
        std::optional<FormOutcome> outcome;
        EXPECT_TRUE(start([&outcome](FormOutcome ended) { outcome = ended; }));
        EXPECT_TRUE(QTest::qWaitFor([&] { return outcome && store.canEnqueueOperation(); }, generousWait));
        return outcome.value_or(FormOutcome::failed);
    }

    FormOutcome verify(const Vault& vault, const QString& withPassword, VaultCheckReport& report)
    {
        return outcomeOf([&](auto finished) {
            return store.enqueueVerify(
                vault.id, withPassword,
                [&report, finished](FormOutcome outcome, std::optional<VaultCheckReport> found) {
                    report = found.value_or(VaultCheckReport{-1, {}, -1});
                    finished(outcome);
                });
        });
    }

    QTemporaryDir root;
    KovaraPaths paths = KovaraPaths::under(root.path() + "/Kovara");
    GocryptfsMountGuard unmountLeftovers{{mountBase(), root.path()}};
    FakeFinderWorkspace finderWorkspace;
    VaultStore store{paths, finderWorkspace};
    const QString password = "senha antiga 1";
};

TEST_F(VaultUpkeepOnRealMounts, aCopyLargerThanTheRoomLeftIsRefusedWholeUntilTheCapacityIsRaised)
{
    const Vault vault = createVault("Pequeno");
    ASSERT_TRUE(QTest::qWaitFor([this] { return store.selectedCapacity().has_value(); }, generousWait));
    const VaultCapacity measured = *store.selectedCapacity();
    EXPECT_EQ(measured.capacityBytes, gigabyte);
    EXPECT_GT(measured.usedBytes, 0) << "the configuration and the marker take blocks";
    EXPECT_LT(measured.usedBytes, 1024 * 1024);
    EXPECT_EQ(CapacityMeter::text({gigabyte, 120'000'000}).replace(',', '.'), "120.0 MB de 1 GB usados");

    // A small file that fits, then a sparse one a little larger than the whole vault.
    const QString sources = root.path() + "/origem";
    writeFile(sources + "/cabe.txt", patternedBytes(100'000));
    QFile large(sources + "/grande.iso");
    ASSERT_TRUE(large.open(QIODevice::WriteOnly) && large.resize(gigabyte + 50'000'000));
    large.close();
    std::optional<VaultImportBatchResult> result;
    const QList<QUrl> urls{QUrl::fromLocalFile(sources + "/cabe.txt"), QUrl::fromLocalFile(sources + "/grande.iso")};
    ASSERT_TRUE(store.enqueueImportItems(urls, vault.id, std::nullopt,
                                         [&result](const VaultImportBatchResult& done) { result = done; }));
    ASSERT_TRUE(idle());
    ASSERT_TRUE(result);
    EXPECT_TRUE(result->completedSourceURLs.isEmpty()) << "nothing is copied when not all of it fits";
    ASSERT_TRUE(store.errorMessage());
    EXPECT_TRUE(store.errorMessage()->startsWith("Não há espaço suficiente no cofre “Pequeno”: faltam "))
        << store.errorMessage()->toStdString();
    EXPECT_TRUE(store.errorMessage()->endsWith(" MB.")) << store.errorMessage()->toStdString();
    EXPECT_EQ(entriesOf(volumeOf(vault)), QStringList{".metadata_never_index"}) << "no partial copy either";

    // Raised to 2 GB, the same copy goes through; the figures follow.
    EXPECT_EQ(outcomeOf([&](auto finished) { return store.enqueueResize(vault.id, 2, finished); }),
              FormOutcome::done);
    EXPECT_EQ(store.noticeMessage(), "A capacidade do cofre “Pequeno” agora é de 2 GB.");
    result.reset();
    ASSERT_TRUE(store.enqueueImportItems(urls, vault.id, std::nullopt,
                                         [&result](const VaultImportBatchResult& done) { result = done; }));
    ASSERT_TRUE(idle());
    EXPECT_EQ(result->completedSourceURLs, urls);
    ASSERT_TRUE(QTest::qWaitFor(
        [this] { return store.selectedCapacity() && store.selectedCapacity()->capacityBytes == 2 * gigabyte; },
        generousWait));
    lock();
}

TEST_F(VaultUpkeepOnRealMounts, theKeyShownAtCreationSetsANewPasswordAndAWrongKeyChangesNothing)
{
    const Vault vault = createVault("Chaves");
    const std::shared_ptr<const SecretText> key = store.takeNewVaultRecoveryKey();
    ASSERT_TRUE(key);
    ASSERT_EQ(key->text().size(), 64);
    EXPECT_EQ(store.takeNewVaultRecoveryKey(), nullptr) << "shown once";
    writeFile(volumeOf(vault) + "/Pasta/nota.txt", "segredo");
    lock();
    const QString configuration = vault.imageURL.toLocalFile() + "/cipher/gocryptfs.conf";
    const QByteArray configurationBefore = readAll(configuration);

    // One digit off: refused before anything is written, and the old password still opens it.
    QString wrongKey = key->text();
    wrongKey[10] = wrongKey[10] == u'0' ? u'1' : u'0';
    EXPECT_EQ(outcomeOf([&](auto finished) {
                  return store.enqueueResetPassword(vault.id, wrongKey, "nova senha 2", finished);
              }),
              FormOutcome::refused);
    EXPECT_EQ(store.errorMessage(), std::nullopt);
    EXPECT_EQ(readAll(configuration), configurationBefore);
    EXPECT_TRUE(RealMounts::mountPointsUnder(mountBase()).isEmpty()) << "the key's trial mount is gone";
    EXPECT_FALSE(store.enqueueResetPassword(vault.id, "1234-abcd", "nova senha 2"));
    EXPECT_EQ(store.errorMessage(), "A chave de recuperação tem 64 dígitos de 0 a 9 e de a a f; traços e espaços "
                                    "entre eles são aceitos.");
    store.clearMessages();

    // The key as the sheet showed it, groups, dashes, line break and upper case included.
    const QString asShown = RecoveryKeySheet::grouped(key->text()).toUpper();
    EXPECT_EQ(asShown.count('\n'), 1);
    EXPECT_EQ(outcomeOf([&](auto finished) {
                  return store.enqueueResetPassword(vault.id, asShown, "nova senha 2", finished);
              }),
              FormOutcome::done);
    EXPECT_EQ(store.noticeMessage(), "A senha do cofre “Chaves” foi redefinida com a chave de recuperação. A senha "
                                     "antiga não abre mais o cofre.");
    EXPECT_FALSE(QFileInfo::exists(configuration + ".bak")) << "no copy the old password opens";

    QCoro::waitFor(store.unlock(vault.id, password));
    EXPECT_EQ(store.unlockFailureMessage(vault.id),
              "Não foi possível desbloquear este cofre. Confira a senha e tente novamente.");
    QCoro::waitFor(store.unlock(vault.id, "nova senha 2"));
    ASSERT_EQ(store.status(), VaultStatus::unlocked);
    EXPECT_EQ(readAll(volumeOf(vault) + "/Pasta/nota.txt"), "segredo");
    lock();

    // The key itself stays: shown again with the new password, refused with the old one.
    std::shared_ptr<const SecretText> shownAgain;
    const auto showKey = [&](const QString& withPassword) {
        return outcomeOf([&](auto finished) {
            return store.enqueueShowRecoveryKey(
                vault.id, withPassword,
                [&shownAgain, finished](FormOutcome outcome, std::shared_ptr<const SecretText> shown) {
                    shownAgain = std::move(shown);
                    finished(outcome);
                });
        });
    };
    EXPECT_EQ(showKey(password), FormOutcome::refused);
    EXPECT_EQ(showKey("nova senha 2"), FormOutcome::done);
    ASSERT_TRUE(shownAgain);
    EXPECT_EQ(shownAgain->text(), key->text());
}

TEST_F(VaultUpkeepOnRealMounts, aCheckFindsNothingInASoundVaultAndNamesTheFileWithOneByteFlipped)
{
    const Vault vault = createVault("Conferido");
    writeFile(volumeOf(vault) + "/Documentos/declaração.pdf", patternedBytes(20'000));
    writeFile(volumeOf(vault) + "/intacto.txt", "intacto");
    lock();

    VaultCheckReport report;
    EXPECT_EQ(verify(vault, "errada", report), FormOutcome::refused);
    ASSERT_EQ(verify(vault, password, report), FormOutcome::done);
    EXPECT_EQ(VaultCheckReportText::make(vault.name, report).message,
              "Nenhum problema encontrado no cofre “Conferido”.");

    // The largest encrypted file is the document's; one of its bytes goes wrong.
    QString largest;
    for (QDirIterator it(vault.imageURL.toLocalFile() + "/cipher", QDir::Files | QDir::Hidden,
                         QDirIterator::Subdirectories);
         it.hasNext();) {
        const QString path = it.next();
        if (largest.isEmpty() || QFileInfo(path).size() > QFileInfo(largest).size()) {
            largest = path;
        }
    }
    QByteArray cipherText = readAll(largest);
    ASSERT_GT(cipherText.size(), 20'000);
    cipherText[5000] = static_cast<char>(cipherText[5000] ^ 1);
    QFile damaged(largest);
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly) && damaged.write(cipherText) == cipherText.size());
    damaged.close();

    ASSERT_EQ(verify(vault, password, report), FormOutcome::done);
    EXPECT_EQ(report.damagedItems, QStringList{"Documentos/declaração.pdf"});
    const VaultCheckReportText text = VaultCheckReportText::make(vault.name, report);
    EXPECT_EQ(text.title, "Verificação do cofre “Conferido”");
    EXPECT_TRUE(text.message.startsWith("1 item danificado no cofre “Conferido”:\n• Documentos/declaração.pdf\n\nO "
                                        "que fazer: "))
        << text.message.toStdString();
    EXPECT_EQ(readAll(largest), cipherText) << "the check changes nothing";
    EXPECT_EQ(store.status(), VaultStatus::locked);
}

} // namespace
