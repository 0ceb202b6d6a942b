#include "app/KovaraApp.h"

#include "app/AutomaticLockMenu.h"
#include "app/AutomaticLockMonitor.h"
#include "app/AutomaticLockSettings.h"
#include "app/MainWindow.h"
#include "app/PortugueseQtTexts.h"
#include "app/TerminationSignals.h"
#include "app/WindowActivation.h"
#include "finder/FinderPasteboard.h"
#include "store/VaultStore.h"
#include "system/SystemTool.h"
#include "ui/KovaraIcons.h"
#include "ui/KovaraMark.h"
#include "ui/KovaraPalette.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace {

void printError(const QString& text)
{
    std::fputs(text.toUtf8().append('\n').constData(), stderr);
}

QIcon applicationIcon()
{
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        icon.addPixmap(KovaraMark::pixmap(size));
    }
    return icon;
}

} // namespace

void KovaraApp::configure(QApplication& application)
{
    QApplication::setApplicationName(QStringLiteral("Kovara"));
    QApplication::setApplicationDisplayName(QStringLiteral("Kovara"));
    QApplication::setApplicationVersion(QStringLiteral(KOVARA_VERSION));
    // Lets the desktop match the window to com.kovara.Kovara.desktop (its icon and name).
    QGuiApplication::setDesktopFileName(QStringLiteral("com.kovara.Kovara"));

    PortugueseQtTexts::install(application);

    KovaraPalette::followDesktop(application);
    KovaraIcons::installIconTheme();
    QApplication::setWindowIcon(applicationIcon());
    // Closing the window is a request to quit that waits for the vaults to lock.
    QApplication::setQuitOnLastWindowClosed(false);
}

KovaraApp::KovaraApp(StoreFactory makeStore)
    : makeStore_(std::move(makeStore))
    , finderServiceProvider_([this](const QList<QUrl>& urls) { finderImportCoordinator_.receive(urls); })
    , instanceService_(finderServiceProvider_, finderImportCoordinator_,
                       [this](const ActivationToken& token) { bringToFront(token); })
{
}

KovaraApp::~KovaraApp() = default;

std::optional<int> KovaraApp::start(const QStringList& folders, QDBusConnection bus, const ActivationToken& token)
{
    std::optional<FinderPasteboard> pasteboard;
    if (!folders.isEmpty()) {
        pasteboard = FinderPasteboard::fromArguments(folders, QDir::current());
    }

    if (bus.isConnected() && !instanceService_.registerOn(bus)) {
        if (const auto error = KovaraInstanceService::sendToRunningInstance(bus, pasteboard, token)) {
            printError(*error);
            return 1;
        }
        return 0;
    }
    // Without a session bus Kovara still runs, only without the hand-off between instances.

    if (pasteboard) {
        if (const auto error = finderServiceProvider_.addToKovara(*pasteboard)) {
            printError(*error);
            return 1;
        }
    }
    // The window shown first takes this process's own token: Qt hands it to the desktop.
    showMainWindow(bus);
    return std::nullopt;
}

int KovaraApp::run(const QStringList& folders, const ActivationToken& token)
{
    if (const std::optional<int> exitStatus = start(folders, QDBusConnection::sessionBus(), token)) {
        return *exitStatus;
    }
    return QApplication::exec();
}

void KovaraApp::bringToFront(const ActivationToken& token)
{
    if (window_) {
        WindowActivation::bringToFront(*window_, token);
    }
}

void KovaraApp::showMainWindow(const QDBusConnection& bus)
{
    store_ = makeStore_();
    automaticLockSettings_ = std::make_unique<AutomaticLockSettings>();
    automaticLock_ =
        std::make_unique<AutomaticLockMonitor>(*store_, *automaticLockSettings_, bus, QDBusConnection::systemBus());
    termination_ = std::make_unique<TerminationController>([this] { return prepareForTermination(); });
    connect(termination_.get(), &TerminationController::terminationApproved, qApp, &QCoreApplication::quit);
    terminationSignals_ = std::make_unique<TerminationSignals>(*termination_);
    window_ = std::make_unique<MainWindow>(*store_, finderImportCoordinator_, finderServiceProvider_, updater_,
                                           *termination_);
    window_->addApplicationMenuSection(AutomaticLockMenu::actions(*automaticLockSettings_, window_.get()));
    window_->show();
}

QCoro::Task<bool> KovaraApp::prepareForTermination()
{
    // The store stops what runs, locks every vault and, when one stays unlocked, says why in
    // its error message; the controller then keeps the window in front.
    const bool allLocked = co_await store_->prepareForTermination();
    // Without its disk-image tool Kovara can lock what it knows to be mounted but never confirm
    // that all are locked: once it has tried, refusing to quit would only trap the user.
    co_return allLocked || !QFileInfo(SystemToolTable::fixed().spec(SystemTool::hdiutil).executable).isExecutable();
}
