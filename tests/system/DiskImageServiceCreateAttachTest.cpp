#include "DiskImageServiceFixture.h"

#include "model/MountedRollbackFailure.h"
#include "platform/SystemLog.h"

#include <QFileInfo>

#include <mutex>

namespace {

using Answer = FakeSystemTools::Answer;

// Collects what the service writes to the system log while it lives.
class LogCapture {
public:
    LogCapture()
    {
        previous_ = SystemLog::replaceSink([this](int, const QString& line) {
            std::lock_guard lock(mutex_);
            lines_.append(line);
        });
    }
    ~LogCapture() { SystemLog::replaceSink(previous_); }

    QStringList lines() const
    {
        std::lock_guard lock(mutex_);
        return lines_;
    }

private:
    SystemLog::Sink previous_;
    mutable std::mutex mutex_;
    QStringList lines_;
};

QByteArray nulTerminated(const char* utf8)
{
    return QByteArray(utf8) + QByteArray(1, '\0');
}

} // namespace

TEST_F(DiskImageServiceTest, CreatePassesTheExactArgumentsAndOnlyTheNulTerminatedPassword)
{
    const Vault vault = vaultNamed(QStringLiteral("Cofre de Teste"));
    const QString image = vault.imageURL.toLocalFile();
    tools.answerNext(SystemTool::hdiutil, Answer().withEffect(QStringLiteral("mkdir '%1'").arg(image)));

    const MountProtectionReport report =
        waitForTask(service.createSparseBundle(vault, 2048, QStringLiteral("senhaé123"), {}));

    EXPECT_TRUE(report.warnings.isEmpty());
    const QList<FakeSystemTools::Call> calls = tools.calls();
    ASSERT_EQ(calls.size(), 3);
    EXPECT_EQ(calls[0].tool, SystemTool::chflags);
    EXPECT_EQ(calls[0].arguments, QStringList({"hidden", storagePath()}));
    EXPECT_TRUE(calls[0].standardInput.isEmpty());
    EXPECT_EQ(calls[1].tool, SystemTool::hdiutil);
    EXPECT_EQ(calls[1].arguments,
              QStringList({"create", "-size", "2048g", "-type", "SPARSEBUNDLE", "-fs", "APFS", "-volname",
                           "Cofre de Teste", "-encryption", "AES-256", "-stdinpass", "-nospotlight", image}));
    // "é" is its two UTF-8 bytes; one NUL ends the password and nothing follows it.
    EXPECT_EQ(calls[1].standardInput,
              nulTerminated("senha\xc3\xa9"
                            "123"));
    EXPECT_EQ(calls[2].tool, SystemTool::chflags);
    EXPECT_EQ(calls[2].arguments, QStringList({"hidden", image}));
    EXPECT_TRUE(QFileInfo(image).isDir());
}

TEST_F(DiskImageServiceTest, CreateReportsAFailedHiddenFlagAsAWarningAndStillSucceeds)
{
    const Vault vault = vaultNamed(QStringLiteral("Notas"));
    tools.answerNext(SystemTool::chflags, Answer()); // the storage folder
    tools.answerNext(SystemTool::chflags, Answer().withStatus(1));

    const MountProtectionReport report =
        waitForTask(service.createSparseBundle(vault, 1, QStringLiteral("abcdefgh"), {}));

    EXPECT_EQ(report.warnings,
              QStringList({"O cofre foi criado, mas seu arquivo não pôde ser marcado como oculto (código 1)."}));
    EXPECT_EQ(tools.calls(SystemTool::hdiutil).at(0).arguments.at(2), QStringLiteral("1g"));
    EXPECT_EQ(tools.calls(SystemTool::hdiutil).at(0).standardInput, nulTerminated("abcdefgh"));
}

TEST_F(DiskImageServiceTest, AFailedCreateLeavesNothingAtTheImagePath)
{
    const Vault vault = vaultNamed(QStringLiteral("Parcial"));
    const QString image = vault.imageURL.toLocalFile();
    tools.answerNext(SystemTool::hdiutil,
                     Answer()
                         .withStatus(1)
                         .withError("hdiutil: create failed - No space left on device\n")
                         .withEffect(QStringLiteral("mkdir -p '%1/bands' && touch '%1/bands/0'").arg(image)));

    const VaultError error = vaultErrorFrom(service.createSparseBundle(vault, 10, QStringLiteral("abcdefgh"), {}));

    EXPECT_EQ(error.errorDescription(),
              QStringLiteral("hdiutil falhou com código 1: hdiutil: create failed - No space left on device"));
    EXPECT_FALSE(QFileInfo::exists(image));
    EXPECT_TRUE(tools.calls(SystemTool::chflags).size() == 1) << "the image is not hidden after a failure";

    // Something already at the image path is never overwritten.
    QDir().mkpath(image);
    const VaultError exists = vaultErrorFrom(service.createSparseBundle(vault, 10, QStringLiteral("abcdefgh"), {}));
    EXPECT_EQ(exists.kind(), VaultError::Kind::destinationExists);
    EXPECT_EQ(exists.value(), QFileInfo(image).fileName());
    EXPECT_EQ(tools.calls(SystemTool::hdiutil).size(), 1);
}

TEST_F(DiskImageServiceTest, AttachPassesTheExactArgumentsAndProtectsTheNewVolume)
{
    const Vault vault = existingVault(QStringLiteral("Fotos"));
    const QString mountPoint = mountPointFor(QStringLiteral("Fotos"));
    tools.answerNext(SystemTool::hdiutil,
                     Answer().withOutput(attachPropertyList({{QString(), "fuse:0:1"}, {mountPoint, "fuse:0:52"}})));
    tools.answerNext(SystemTool::mdutil, Answer().withStatus(1).withError("Error: unknown volume\n"));

    const auto [session, report] = waitForTask(service.attach(vault, QStringLiteral("correct horse"), {}));

    EXPECT_EQ(session, (VaultSession{vault.id, QUrl::fromLocalFile(mountPoint + "/"), "fuse:0:52"}));
    EXPECT_EQ(report.warnings,
              QStringList({"O cofre está protegido por .metadata_never_index, mas 'mdutil -i off' "
                           "falhou (código 1): Error: unknown volume"}));
    const QList<FakeSystemTools::Call> hdiutil = tools.calls(SystemTool::hdiutil);
    ASSERT_EQ(hdiutil.size(), 1);
    EXPECT_EQ(
        hdiutil[0].arguments,
        QStringList({"attach", "-plist", "-nobrowse", "-owners", "on", "-stdinpass", vault.imageURL.toLocalFile()}));
    EXPECT_EQ(hdiutil[0].standardInput, nulTerminated("correct horse"));
    const QList<FakeSystemTools::Call> mdutil = tools.calls(SystemTool::mdutil);
    ASSERT_EQ(mdutil.size(), 2);
    EXPECT_EQ(mdutil[0].arguments, QStringList({"-i", "off", mountPoint}));
    EXPECT_EQ(mdutil[1].arguments, QStringList({"-d", mountPoint}));
    EXPECT_TRUE(QFileInfo(mountPoint + "/.metadata_never_index").isFile());
}

TEST_F(DiskImageServiceTest, AWrongPasswordIsAnUnlockFailureAndTheLogNeverCarriesIt)
{
    LogCapture log;
    const Vault vault = existingVault(QStringLiteral("Segredos"));
    // A tool that echoes what it was given must not get the password into the log.
    tools.answerNext(SystemTool::hdiutil,
                     Answer().withStatus(1).withError("attach failed: bad passphrase s3nh4-errada\n"));

    const VaultError error = vaultErrorFrom(service.attach(vault, QStringLiteral("s3nh4-errada"), {}));

    EXPECT_EQ(error.kind(), VaultError::Kind::unlockFailed);
    EXPECT_EQ(log.lines(), QStringList({"DiskImageService: hdiutil attach falhou com status 1: <private>"}));
    EXPECT_TRUE(tools.calls(SystemTool::mdutil).isEmpty());
}

TEST_F(DiskImageServiceTest, ProtectionFailingAfterTheMountDetachesAgainOrReportsTheMountedSession)
{
    const Vault vault = existingVault(QStringLiteral("Trabalho"));
    // The volume's root does not exist, so the marker cannot be created.
    const QString mountPoint = root.path() + QStringLiteral("/gone/Trabalho");
    tools.answerAlways(SystemTool::hdiutil, Answer().withOutput(attachPropertyList({{mountPoint, "fuse:0:60"}})));

    const VaultError rolledBack = vaultErrorFrom(service.attach(vault, QStringLiteral("abcdefgh"), {}));
    EXPECT_EQ(rolledBack.kind(), VaultError::Kind::unableToCreatePrivacyMarker);
    ASSERT_EQ(tools.calls(SystemTool::diskutil).size(), 1);
    EXPECT_EQ(tools.calls(SystemTool::diskutil)[0].arguments, QStringList({"eject", mountPoint}));

    // The detach fails too: diskutil for an unrelated reason, then hdiutil.
    tools.answerNext(SystemTool::diskutil,
                     Answer().withStatus(1).withError("Unmount failed for " + mountPoint.toUtf8()));
    tools.answerNext(SystemTool::hdiutil, Answer().withOutput(attachPropertyList({{mountPoint, "fuse:0:60"}})));
    tools.answerNext(SystemTool::hdiutil, Answer().withStatus(1).withError("hdiutil: detach failed\n"));
    try {
        waitForTask(service.attach(vault, QStringLiteral("abcdefgh"), {}));
        FAIL() << "expected MountedRollbackFailure";
    } catch (const MountedRollbackFailure& failure) {
        EXPECT_EQ(failure.session(), (VaultSession{vault.id, QUrl::fromLocalFile(mountPoint + "/"), "fuse:0:60"}));
        EXPECT_EQ(failure.originalFailure(),
                  QStringLiteral("Não foi possível criar a proteção contra indexação dentro do cofre."));
        EXPECT_EQ(failure.rollbackFailure(),
                  QStringLiteral("diskutil falhou com código 1: Unmount failed for ") + mountPoint);
    }
}

TEST_F(DiskImageServiceTest, UnusableAttachOutputIsResolvedByAskingWhatIsMounted)
{
    const Vault vault = existingVault(QStringLiteral("Recibos"));
    const QString mountPoint = mountPointFor(QStringLiteral("Recibos"));
    const QString parseText =
        QStringLiteral("O macOS retornou dados de montagem inválidos. Não foi possível ler os dados "
                       "porque eles não estão no formato correto.");

    // Not mounted after all: the parse error itself.
    tools.answerNext(SystemTool::hdiutil, Answer().withOutput("not a property list"));
    tools.answerNext(SystemTool::hdiutil, Answer().withOutput(infoPropertyList({})));
    EXPECT_EQ(vaultErrorFrom(service.attach(vault, QStringLiteral("abcdefgh"), {})).errorDescription(), parseText);
    EXPECT_TRUE(tools.calls(SystemTool::diskutil).isEmpty());

    // Mounted: detached again, then the parse error.
    tools.answerNext(SystemTool::hdiutil, Answer().withOutput(attachPropertyList({})));
    tools.answerNext(
        SystemTool::hdiutil,
        Answer().withOutput(infoPropertyList({{vault.imageURL.toLocalFile(), {{mountPoint, "fuse:0:70"}}}})));
    EXPECT_EQ(vaultErrorFrom(service.attach(vault, QStringLiteral("abcdefgh"), {})).kind(),
              VaultError::Kind::noMountedVolume);
    ASSERT_EQ(tools.calls(SystemTool::diskutil).size(), 1);
    EXPECT_EQ(tools.calls(SystemTool::diskutil)[0].arguments, QStringList({"eject", mountPoint}));

    // The listing fails too: both texts in one.
    tools.answerNext(SystemTool::hdiutil, Answer().withOutput("garbage"));
    tools.answerNext(SystemTool::hdiutil, Answer().withStatus(1).withError("hdiutil: info failed\n"));
    EXPECT_EQ(vaultErrorFrom(service.attach(vault, QStringLiteral("abcdefgh"), {})).errorDescription(),
              QStringLiteral("O macOS retornou dados de montagem inválidos. ") + parseText +
                  QStringLiteral(
                      " Não foi possível confirmar a desmontagem: hdiutil falhou com código 1: hdiutil: info failed"));
}
