#include "DiskImageServiceFixture.h"

#include "model/MountedRollbackFailure.h"
#include "platform/SystemLog.h"

#include <QFileInfo>

#include <memory>
#include <mutex>

namespace {

QByteArray nulTerminated(const QByteArray& utf8)
{
    return utf8 + QByteArray(1, '\0');
}

} // namespace

TEST_F(DiskImageServiceTest, CreatePassesTheExactArgumentsAndOnlyTheNulTerminatedPassword)
{
    const Vault vault = vaultNamed("Cofre de Teste", false);
    const QString image = vault.imageURL.toLocalFile();
    tools.answerNext(SystemTool::hdiutil, {.effect = QString("mkdir '%1'").arg(image)});

    EXPECT_TRUE(waitForTask(service.createSparseBundle(vault, 2048, "senhaé123", {})).warnings.isEmpty());

    const QList<FakeSystemTools::Call> calls = tools.calls();
    ASSERT_EQ(calls.size(), 3);
    EXPECT_EQ(calls[0].arguments, QStringList({"hidden", storagePath()}));
    EXPECT_EQ(calls[1].tool, SystemTool::hdiutil);
    EXPECT_EQ(calls[1].arguments,
              QStringList({"create", "-size", "2048g", "-type", "SPARSEBUNDLE", "-fs", "APFS", "-volname",
                           "Cofre de Teste", "-encryption", "AES-256", "-stdinpass", "-nospotlight", image}));
    // "é" is its two UTF-8 bytes; one NUL ends the password and nothing follows it.
    EXPECT_EQ(calls[1].standardInput, nulTerminated("senha\xc3\xa9"
                                                    "123"));
    EXPECT_EQ(calls[2].tool, SystemTool::chflags);
    EXPECT_EQ(calls[2].arguments, QStringList({"hidden", image}));

    // A hidden flag that cannot be set is a warning; the vault is still created.
    const Vault notes = vaultNamed("Notas", false);
    tools.answerNext(SystemTool::chflags, {}); // the storage folder
    tools.answerNext(SystemTool::chflags, {.status = 1});
    EXPECT_EQ(waitForTask(service.createSparseBundle(notes, 1, "abcdefgh", {})).warnings,
              QStringList({"O cofre foi criado, mas seu arquivo não pôde ser marcado como oculto (código 1)."}));
    EXPECT_EQ(tools.calls(SystemTool::hdiutil).at(1).arguments.at(2), "1g");
}

TEST_F(DiskImageServiceTest, AFailedCreateLeavesNothingAtTheImagePathAndNeverOverwrites)
{
    const Vault vault = vaultNamed("Parcial", false);
    const QString image = vault.imageURL.toLocalFile();
    tools.answerNext(SystemTool::hdiutil, {.status = 1,
                                           .standardError = "hdiutil: create failed - No space left on device\n",
                                           .effect = QString("mkdir -p '%1/bands' && touch '%1/bands/0'").arg(image)});

    EXPECT_EQ(vaultErrorFrom(service.createSparseBundle(vault, 10, "abcdefgh", {})).errorDescription(),
              "kovara-hdiutil falhou com código 1: hdiutil: create failed - No space left on device");
    EXPECT_FALSE(QFileInfo::exists(image));
    EXPECT_EQ(tools.calls(SystemTool::chflags).size(), 1) << "the image is not hidden after a failure";

    QDir().mkpath(image);
    EXPECT_EQ(vaultErrorFrom(service.createSparseBundle(vault, 10, "abcdefgh", {})).errorDescription(),
              "Já existe um item chamado " + QFileInfo(image).fileName() + " no cofre.");
    EXPECT_EQ(tools.calls(SystemTool::hdiutil).size(), 1);

    // A new image taken away again (the catalogue could not record it) goes whole.
    QDir().mkpath(image + "/bands/0");
    service.rollbackNewSparseBundle(vault);
    EXPECT_FALSE(QFileInfo::exists(image));
    EXPECT_TRUE(QFileInfo(storagePath()).isDir());
}

TEST_F(DiskImageServiceTest, AttachPassesTheExactArgumentsProtectsTheVolumeAndNeverLogsThePassword)
{
    std::mutex mutex;
    QStringList logged;
    const SystemLog::Sink previous = SystemLog::replaceSink([&](int, const QString& line) {
        std::lock_guard lock(mutex);
        logged.append(line);
    });
    // Put back however the test ends: the sink refers to this test's locals.
    const std::shared_ptr<void> restoreSink(nullptr, [&previous](void*) { SystemLog::replaceSink(previous); });
    const Vault vault = vaultNamed("Fotos");
    const QString mountPoint = root.path() + "/mounts/Fotos";
    QDir().mkpath(mountPoint);
    tools.answerNext(SystemTool::hdiutil,
                     {.standardOutput = attachOutput({{QString(), "fuse:0:1"}, {mountPoint, "fuse:0:52"}})});
    tools.answerNext(SystemTool::mdutil, {.status = 1, .standardError = "Error: unknown volume\n"});

    const auto [session, report] = waitForTask(service.attach(vault, "correct horse", {}));

    EXPECT_EQ(session, (VaultSession{vault.id, QUrl::fromLocalFile(mountPoint + "/"), "fuse:0:52"}));
    EXPECT_EQ(report.warnings,
              QStringList({"O cofre está protegido por .metadata_never_index, mas 'kovara-mdutil -i off' "
                           "falhou (código 1): Error: unknown volume"}));
    EXPECT_EQ(
        tools.calls(SystemTool::hdiutil).value(0).arguments,
        QStringList({"attach", "-plist", "-nobrowse", "-owners", "on", "-stdinpass", vault.imageURL.toLocalFile()}));
    EXPECT_EQ(tools.calls(SystemTool::hdiutil).value(0).standardInput, nulTerminated("correct horse"));
    const QList<FakeSystemTools::Call> mdutil = tools.calls(SystemTool::mdutil);
    ASSERT_EQ(mdutil.size(), 2);
    EXPECT_EQ(mdutil[0].arguments, QStringList({"-i", "off", mountPoint}));
    EXPECT_EQ(mdutil[1].arguments, QStringList({"-d", mountPoint}));
    EXPECT_TRUE(QFileInfo(mountPoint + "/.metadata_never_index").isFile());

    // A tool that echoes what it was given must not get the password into the log.
    tools.answerNext(SystemTool::hdiutil,
                     {.status = 1, .standardError = "attach failed: bad passphrase s3nh4-errada\n"});
    EXPECT_EQ(vaultErrorFrom(service.attach(vault, "s3nh4-errada", {})).kind(), VaultError::Kind::unlockFailed);
    EXPECT_EQ(logged, QStringList({"DiskImageService: kovara-hdiutil attach falhou com status 1: <private>"}));
    EXPECT_EQ(tools.calls(SystemTool::mdutil).size(), 2) << "nothing to protect";

    // Every other cause is said as itself, and none of them asks for the password again.
    const QList<std::pair<int, QString>> causes{
        {2, "Não foi possível desbloquear este cofre: a pasta de montagem foi alterada"},
        {3, "A configuração de criptografia deste cofre (gocryptfs.conf) está danificada ou ilegível, e o cofre não "
            "pôde ser desbloqueado."},
        {4, "O gocryptfs não está instalado, e sem ele nenhum cofre pode ser desbloqueado. Instale o pacote gocryptfs "
            "e tente novamente."},
        {5, "O sistema não permitiu montar o cofre porque o FUSE não está disponível. Verifique se /dev/fuse existe e "
            "se o pacote fuse3 está instalado."}};
    for (const auto& [status, text] : causes) {
        tools.answerNext(SystemTool::hdiutil,
                         {.status = status, .standardError = "a pasta de montagem foi alterada\n"});
        EXPECT_EQ(vaultErrorFrom(service.attach(vault, "correct horse", {})).errorDescription(), text);
    }
}

TEST_F(DiskImageServiceTest, ProtectionFailingAfterTheMountDetachesAgainOrReportsTheMountedSession)
{
    const Vault vault = vaultNamed("Trabalho");
    // The volume's root does not exist, so the marker cannot be created.
    const QString mountPoint = root.path() + "/gone/Trabalho";
    tools.answerAlways(SystemTool::hdiutil, {.standardOutput = attachOutput({{mountPoint, "fuse:0:60"}})});

    EXPECT_EQ(vaultErrorFrom(service.attach(vault, "abcdefgh", {})).kind(),
              VaultError::Kind::unableToCreatePrivacyMarker);
    EXPECT_EQ(tools.calls(SystemTool::diskutil).value(0).arguments, QStringList({"eject", mountPoint}));

    // The detach fails too: diskutil for an unrelated reason, then hdiutil.
    tools.answerNext(SystemTool::diskutil, {.status = 1, .standardError = "Unmount failed for " + mountPoint.toUtf8()});
    tools.answerNext(SystemTool::hdiutil, {.standardOutput = attachOutput({{mountPoint, "fuse:0:60"}})});
    tools.answerNext(SystemTool::hdiutil, {.status = 1, .standardError = "hdiutil: detach failed\n"});
    try {
        waitForTask(service.attach(vault, "abcdefgh", {}));
        FAIL() << "expected MountedRollbackFailure";
    } catch (const MountedRollbackFailure& failure) {
        EXPECT_EQ(failure.session(), (VaultSession{vault.id, QUrl::fromLocalFile(mountPoint + "/"), "fuse:0:60"}));
        EXPECT_EQ(
            failure.errorDescription(),
            "O cofre foi montado, mas a finalização falhou (Não foi possível criar a proteção contra indexação "
            "dentro do cofre.) e a desmontagem automática também falhou (kovara-diskutil falhou com código 1: Unmount "
            "failed for " +
                mountPoint + "). Ele continua montado; tente bloqueá-lo novamente.");
    }
}

TEST_F(DiskImageServiceTest, UnusableAttachOutputIsResolvedByAskingWhatIsMounted)
{
    const Vault vault = vaultNamed("Recibos");
    const QString parseText = "O sistema retornou dados de montagem inválidos. Não foi possível ler os dados "
                              "porque eles não estão no formato correto.";

    // Not mounted after all: the parse error itself.
    tools.answerNext(SystemTool::hdiutil, {.standardOutput = "not a property list"});
    tools.answerNext(SystemTool::hdiutil, {.standardOutput = infoOutput({})});
    EXPECT_EQ(vaultErrorFrom(service.attach(vault, "abcdefgh", {})).errorDescription(), parseText);
    EXPECT_TRUE(tools.calls(SystemTool::diskutil).isEmpty());

    // Mounted: detached again, then the parse error.
    tools.answerNext(SystemTool::hdiutil, {.standardOutput = attachOutput({})});
    tools.answerNext(SystemTool::hdiutil, {.standardOutput = infoOutput(
                                               {{vault.imageURL.toLocalFile(), {{"/media/Recibos", "fuse:0:70"}}}})});
    EXPECT_EQ(vaultErrorFrom(service.attach(vault, "abcdefgh", {})).errorDescription(),
              "O sistema não informou o volume montado pelo cofre.");
    EXPECT_EQ(tools.calls(SystemTool::diskutil).value(0).arguments, QStringList({"eject", "/media/Recibos"}));

    // The listing fails too: both texts in one.
    tools.answerNext(SystemTool::hdiutil, {.standardOutput = "garbage"});
    tools.answerNext(SystemTool::hdiutil, {.status = 1, .standardError = "hdiutil: info failed\n"});
    EXPECT_EQ(
        vaultErrorFrom(service.attach(vault, "abcdefgh", {})).errorDescription(),
        "O sistema retornou dados de montagem inválidos. " + parseText +
            " Não foi possível confirmar a desmontagem: kovara-hdiutil falhou com código 1: hdiutil: info failed");
}
