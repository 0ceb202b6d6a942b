#pragma once

#include "app/KovaraInstanceService.h"
#include "app/KovaraUpdater.h"
#include "app/TerminationController.h"
#include "finder/FinderImportCoordinator.h"
#include "finder/FinderServiceProvider.h"

#include <QList>
#include <QObject>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>

class MainWindow;
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

    // `arguments`: the command line after the program name; folders to add, if any. Returns the
    // process's exit status: a later instance ends at once after handing its folders over.
    int run(const QStringList& arguments);

private:
    void handleFinderImport(const QList<QUrl>& urls);
    void showMainWindow();
    QCoro::Task<bool> prepareForTermination();

    StoreFactory makeStore_;
    FinderImportCoordinator finderImportCoordinator_;
    FinderServiceProvider finderServiceProvider_;
    KovaraInstanceService instanceService_;
    KovaraUpdater updater_;
    std::shared_ptr<VaultStore> store_;
    std::unique_ptr<TerminationController> termination_;
    std::unique_ptr<MainWindow> window_;
};
