#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

// Every test program runs with a Qt application (coroutines resume through its event loop),
// draws offscreen, and sees a private home, data and runtime folder so that nothing a test
// does can reach the user's real vaults, catalogue or Trash.
int main(int argc, char** argv)
{
    QTemporaryDir sandbox(QDir::tempPath() + "/kovara-test-XXXXXX");
    if (!sandbox.isValid()) {
        return EXIT_FAILURE;
    }
    const QByteArray root = sandbox.path().toUtf8();
    for (const char* folder : {"/home", "/home/.local/share", "/home/.config", "/home/.cache", "/runtime"}) {
        QDir().mkpath(sandbox.path() + folder);
    }
    QFile::setPermissions(sandbox.path() + "/runtime", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("HOME", root + "/home");
    qputenv("XDG_DATA_HOME", root + "/home/.local/share");
    qputenv("XDG_CONFIG_HOME", root + "/home/.config");
    qputenv("XDG_CACHE_HOME", root + "/home/.cache");
    qputenv("XDG_RUNTIME_DIR", root + "/runtime");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }

    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
