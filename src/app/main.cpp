#include "app/ActivationToken.h"
#include "app/FinderWorkspaceService.h"
#include "app/KovaraApp.h"
#include "app/KovaraCommandLine.h"
#include "model/KovaraPaths.h"
#include "posix/CoreDumpProtection.h"
#include "store/VaultStore.h"

#include <QApplication>
#include <QLocale>

#include <cstdio>
#include <memory>
#include <optional>

namespace {

// The store and the file manager it holds by reference, built and destroyed together. The store
// makes its own process runner, disk-image and content services.
struct LiveStore
{
    explicit LiveStore(const KovaraPaths& paths) : store(paths, finderWorkspace) {}

    FinderWorkspaceService finderWorkspace;
    VaultStore store;
};

} // namespace

int main(int argc, char** argv)
{
    // Passwords pass through this process's memory while a vault is created, unlocked or given a
    // new one; the tools it starts inherit the zero core limit.
    CoreDumpProtection::apply();
    // The command line is read before anything else, so that --help, --version and a mistyped
    // option are answered without a display and without reaching a running Kovara.
    QStringList arguments;
    for (int index = 1; index < argc; ++index) {
        arguments.append(QString::fromLocal8Bit(argv[index]));
    }
    const KovaraCommandLine commandLine = KovaraCommandLine::parse(arguments);
    if (const auto& answer = commandLine.answer) {
        std::fputs(answer->text.toLocal8Bit().constData(), answer->toStandardError ? stderr : stdout);
        return answer->exitStatus;
    }

    // Read before Qt starts, which takes the startup id out of the environment for its own first
    // window; a Kovara already running needs it for its window instead.
    const ActivationToken token = ActivationToken::fromEnvironment();
    // Every argument is Kovara's, already read: Qt sees only the program name, so a folder named
    // like one of Qt's own options stays a folder.
    int qtArgumentCount = 1;
    // Qt's own widgets (the dates in its file dialog) format in the system locale, which Qt reads
    // from the environment once, while the application is built: for that moment the environment
    // says pt_BR. The programs Kovara starts get the user's own setting back.
    const char* const timeVariable = "LC_TIME";
    const std::optional<QByteArray> userTimeFormat =
        qEnvironmentVariableIsSet(timeVariable) ? std::optional(qgetenv(timeVariable)) : std::nullopt;
    qputenv(timeVariable, "pt_BR.UTF-8");
    QApplication application(qtArgumentCount, argv);
    // Read now, while the environment says pt_BR; Qt keeps what it read.
    static_cast<void>(QLocale::system());
    if (userTimeFormat) {
        qputenv(timeVariable, *userTimeFormat);
    } else {
        qunsetenv(timeVariable);
    }
    KovaraApp::configure(application);
    KovaraApp kovara([] {
        const auto live = std::make_shared<LiveStore>(KovaraPaths::live());
        // Shares ownership of the whole set while pointing at its store.
        return std::shared_ptr<VaultStore>(live, &live->store);
    });
    return kovara.run(commandLine.folders, token);
}
