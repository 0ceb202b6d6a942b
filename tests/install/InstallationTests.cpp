// Kovara as a package installs it: `cmake --install` into a temporary DESTDIR, then the installed
// program and its tools used from there. Only the test's own temporary folders are touched.
#include "model/KovaraPaths.h"
#include "model/Vault.h"
#include "model/VaultRegistry.h"
#include "platform/FileLocation.h"
#include "support/QtValuePrinters.h"
#include "support/RealMounts.h"
#include "support/WaitForTask.h"
#include "system/DiskImageService.h"
#include "system/SystemProcessRunner.h"
#include "system/SystemTool.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct Finished
{
    int exitStatus = -1;
    QString output;
    QString errors;
};

Finished runProgram(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    if (!process.waitForFinished(240'000) || process.exitStatus() != QProcess::NormalExit) {
        return {};
    }
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

TEST(CommandLine, AnswersHelpAndVersionAndRefusesUnknownOptionsWithoutTouchingADisplayOrARunningKovara)
{
    // No display and no session bus: an answer that needed either would fail here.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("DISPLAY");
    environment.remove("WAYLAND_DISPLAY");
    environment.insert("QT_QPA_PLATFORM", "xcb");
    environment.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent");
    const QString refusal = "kovara: opção desconhecida: %1\nUse “kovara --help” para ver as opções.\n";
    const struct
    {
        QStringList arguments;
        int exitStatus;
        QString output;
        QString errors;
    } cases[] = {
        {{"--version"}, 0, "Kovara " KOVARA_VERSION "\n", ""},
        {{"Relatórios 2024", "-v"}, 0, "Kovara " KOVARA_VERSION "\n", ""},
        {{"--bogus", "--help"}, 2, "", refusal.arg("--bogus")},
        {{"Relatórios 2024", "-x"}, 2, "", refusal.arg("-x")},
    };
    for (const auto& example : cases) {
        const Finished finished =
            runProgram(QCoreApplication::applicationDirPath() + "/kovara", example.arguments, environment);
        EXPECT_EQ(finished.exitStatus, example.exitStatus) << example.arguments.join(' ').toStdString();
        EXPECT_EQ(finished.output, example.output) << example.arguments.join(' ').toStdString();
        EXPECT_EQ(finished.errors, example.errors) << example.arguments.join(' ').toStdString();
    }
    const Finished help = runProgram(QCoreApplication::applicationDirPath() + "/kovara", {"-h", "Pasta"}, environment);
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_TRUE(help.output.startsWith("Uso: kovara [OPÇÃO]… [PASTA]…\n")) << help.output.toStdString();
    EXPECT_TRUE(help.output.contains("  --             trata todos os argumentos seguintes como pastas\n"));
}

TEST(Installation, PutsEverythingWhereTheDesktopAndTheInstalledProgramLookAndTheToolsRunARealVault)
{
    QTemporaryDir destination;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DESTDIR", destination.path());
    const Finished install = runProgram(KOVARA_CMAKE, {"--install", KOVARA_BUILD_DIR, "--prefix", "/usr"}, environment);
    ASSERT_EQ(install.exitStatus, 0) << install.output.toStdString();

    const QString usr = destination.path() + "/usr";
    QStringList expected{"bin/kovara",
                         "share/applications/com.kovara.Kovara.desktop",
                         "share/metainfo/com.kovara.Kovara.metainfo.xml",
                         "share/icons/hicolor/scalable/apps/com.kovara.Kovara.svg",
                         "share/kio/servicemenus/com.kovara.Kovara.servicemenu.desktop",
                         "share/nemo/actions/com.kovara.Kovara.nemo_action",
                         "share/nautilus-python/extensions/kovara-nautilus.py"};
    for (const char* tool : {"hdiutil", "diskutil", "mdutil", "chflags"}) {
        expected.append(QStringLiteral("libexec/kovara/kovara-") + tool);
    }
    for (const int size : {16, 24, 32, 48, 64, 128, 256, 512}) {
        expected.append(QStringLiteral("share/icons/hicolor/%1x%1/apps/com.kovara.Kovara.png").arg(size));
    }
    for (const QString& file : expected) {
        EXPECT_TRUE(QFileInfo::exists(usr + "/" + file)) << file.toStdString();
    }

    // With no other program claiming folders, the desktop must not pick Kovara to open them.
    const QString applications = usr + "/share/applications";
    ASSERT_EQ(runProgram("/usr/bin/update-desktop-database", {applications}, environment).exitStatus, 0);
    QProcessEnvironment desktop;
    desktop.insert("PATH", "/usr/bin:/bin");
    desktop.insert("HOME", destination.path());
    desktop.insert("XDG_CONFIG_HOME", destination.path() + "/config");
    desktop.insert("XDG_CONFIG_DIRS", destination.path() + "/config");
    desktop.insert("XDG_DATA_HOME", destination.path() + "/data");
    desktop.insert("XDG_DATA_DIRS", usr + "/share");
    const Finished folderOpener = runProgram("/usr/bin/xdg-mime", {"query", "default", "inode/directory"}, desktop);
    EXPECT_EQ(folderOpener.exitStatus, 0);
    EXPECT_EQ(folderOpener.output.trimmed(), "");

    // The installed program answers, and finds its tools in its private folder, not beside it.
    EXPECT_EQ(runProgram(usr + "/bin/kovara", {"--version"}, environment).output, "Kovara " KOVARA_VERSION "\n");
    SystemProcessRunner runner(SystemToolTable::forExecutableIn(usr + "/bin"));
    EXPECT_EQ(runner.tools().spec(SystemTool::hdiutil).executable, usr + "/libexec/kovara/kovara-hdiutil");

    // Those tools create, unlock and lock a real vault for the app's disk-image service.
    const QString mounts = qEnvironmentVariable("XDG_RUNTIME_DIR") + "/kovara";
    GocryptfsMountGuard unmountOnExit({mounts});
    const KovaraPaths paths = KovaraPaths::under(destination.path() + "/Kovara");
    DiskImageService service(paths, runner);
    const QUuid id = QUuid::createUuid();
    const Vault vault{id, "Instalado", VaultRegistry(paths).imageURL(id), QDateTime::currentDateTimeUtc()};
    waitForTask(service.prepareStorage());
    waitForTask(service.createSparseBundle(vault, 1, "senha instalada", {}));
    const VaultSession session = waitForTask(service.attach(vault, "senha instalada", {})).first;
    EXPECT_EQ(RealMounts::mountPointsUnder(mounts), QStringList{FileLocation::path(session.mountPoint)});
    waitForTask(service.detach(session));
    EXPECT_EQ(RealMounts::mountPointsUnder(mounts), QStringList{});
}

// The package as `make package` makes it, here from this build folder: what Debian asks of it
// besides the program, and lintian's verdict.
TEST(Package, CarriesADebianRevisionCopyrightChangelogManualPageAndDependenciesAndLintianAcceptsIt)
{
    for (const char* tool : {"/usr/bin/dpkg-deb", "/usr/bin/dpkg-shlibdeps", "/usr/bin/lintian"}) {
        if (!QFileInfo(tool).isExecutable()) {
            GTEST_SKIP() << tool << " is not installed (scripts/install-deps package installs the packaging tools)";
        }
    }
    QTemporaryDir output;
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const Finished packed =
        runProgram(KOVARA_CPACK, {"-G", "DEB", "--config", KOVARA_BUILD_DIR "/CPackConfig.cmake", "-B", output.path()},
                   environment);
    ASSERT_EQ(packed.exitStatus, 0) << packed.output.toStdString();
    const QStringList packages = QDir(output.path()).entryList({"kovara_*.deb"});
    ASSERT_EQ(packages.size(), 1) << packed.output.toStdString();
    const QString package = output.path() + "/" + packages.first();
    EXPECT_TRUE(packages.first().startsWith("kovara_" KOVARA_VERSION "-1_")) << packages.first().toStdString();

    const auto field = [&](const QString& name) {
        return runProgram("/usr/bin/dpkg-deb", {"--field", package, name}, environment).output.trimmed();
    };
    EXPECT_EQ(field("Version"), KOVARA_VERSION "-1");
    const QString depends = field("Depends");
    for (const char* dependency : {"gocryptfs (>= 2)", "fuse3", "libqt6widgets6", "libplist"}) {
        EXPECT_TRUE(depends.contains(dependency)) << dependency << " missing from " << depends.toStdString();
    }
    EXPECT_EQ(field("Suggests"), "python3-nautilus (>= 4)");
    EXPECT_TRUE(field("Description").contains("\n .\n")) << "a description of one paragraph";

    const QString contents = runProgram("/usr/bin/dpkg-deb", {"--contents", package}, environment).output;
    for (const char* file : {"./usr/share/doc/kovara/copyright", "./usr/share/doc/kovara/changelog.Debian.gz",
                             "./usr/share/man/man1/kovara.1.gz", "./usr/share/lintian/overrides/kovara"}) {
        EXPECT_TRUE(contents.contains(file)) << file;
    }

    const Finished lintian = runProgram("/usr/bin/lintian", {"--fail-on", "error,warning", package}, environment);
    EXPECT_EQ(lintian.exitStatus, 0) << lintian.output.toStdString() << lintian.errors.toStdString();
}

} // namespace
