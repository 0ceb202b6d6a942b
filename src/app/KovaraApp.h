#pragma once

#include "app/ActivationToken.h"
#include "app/KovaraInstanceService.h"
#include "app/KovaraUpdater.h"
#include "app/TerminationController.h"
#include "finder/FinderImportCoordinator.h"
#include "finder/FinderServiceProvider.h"

#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

class AutomaticLockMonitor;
class AutomaticLockSettings;
class MainWindow;
class TerminationSignals;
class QApplication;
class VaultStore;

// The application: owns the long-lived objects (store, Finder import coordinator, updater),
// keeps Kovara to one instance, shows the main window and brings it forward when folders
// arrive, and quits only once the store has locked every vault.
class KovaraApp : public QObject
{
    Q_OBJECT

public:
    // Brazilian Portuguese everywhere (Qt's own buttons and dialogs included), the brand's tint
    // and the icon theme; call once, before any window exists.
    static void configure(QApplication& application);

    // Builds the store; the pointer keeps the store's services alive with it. Called only once
    // this process knows it is the running instance.
    using StoreFactory = std::function<std::shared_ptr<VaultStore>()>;

    explicit KovaraApp(StoreFactory makeStore);
    ~KovaraApp() override;

    // `folders`: the folders of the command line, if any (relative ones against the current
    // folder). On `bus`, this process becomes the running instance, or hands the folders and
    // `token` to the one that runs. The exit status when this process is done at once (its
    // folders handed over, or none of them usable); nothing when it is the running instance,
    // whose window is now shown.
    std::optional<int> start(const QStringList& folders, QDBusConnection bus, const ActivationToken& token);
    // start() on the session bus, then the event loop until Kovara quits. Returns the exit
    // status.
    int run(const QStringList& folders, const ActivationToken& token = {});

    MainWindow* mainWindow() const { return window_.get(); }

private:
    void bringToFront(const ActivationToken& token);
    void showMainWindow(const QDBusConnection& bus);
    QCoro::Task<bool> prepareForTermination();

    StoreFactory makeStore_;
    FinderImportCoordinator finderImportCoordinator_;
    FinderServiceProvider finderServiceProvider_;
    KovaraInstanceService instanceService_;
    KovaraUpdater updater_;
    std::shared_ptr<VaultStore> store_;
    std::unique_ptr<AutomaticLockSettings> automaticLockSettings_;
    std::unique_ptr<AutomaticLockMonitor> automaticLock_;
    std::unique_ptr<TerminationController> termination_;
    std::unique_ptr<TerminationSignals> terminationSignals_;
    std::unique_ptr<MainWindow> window_;
};
