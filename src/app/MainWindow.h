#pragma once

#include <QMainWindow>
#include <QList>
#include <QPointer>
#include <QUrl>
#include <QUuid>

#include <optional>

class CheckForUpdatesView;
class QAction;
class QMenu;
class ContentView;
class FinderImportCoordinator;
class FinderImportSheet;
class FinderServiceProvider;
class KovaraUpdater;
class TerminationController;
class VaultStore;

// The one window: the content view, the application menu with the update check, quitting held
// by the termination controller, folders dropped on it handed to the Finder service entry, and
// the Finder import sheet over it while the coordinator presents one.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    MainWindow(VaultStore& store, FinderImportCoordinator& finderImport, const FinderServiceProvider& finderService,
               KovaraUpdater& updater, TerminationController& termination, QWidget* parent = nullptr);

    ContentView* contentView() const { return content_; }

    // Shows the window in front of the others, restored if it was minimized.
    void bringToFront();

    // Adds a group of entries to the Kovara menu, above "Sair".
    void addApplicationMenuSection(const QList<QAction*>& actions);

protected:
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // The selected vault, when it is unlocked.
    std::optional<QUuid> unlockedSelection() const;
    bool acceptsDrop(const QList<QUrl>& urls) const;
    void buildMenus(KovaraUpdater& updater);
    void showAbout();
    void showFinderImportSheet();
    void centerFinderImportSheet();

    VaultStore& store_;
    FinderImportCoordinator& finderImport_;
    QPointer<FinderImportSheet> finderImportSheet_;
    const FinderServiceProvider& finderService_;
    TerminationController& termination_;
    ContentView* content_;
    QMenu* applicationMenu_ = nullptr;
    QAction* quitSeparator_ = nullptr;
};
