#include "app/MainWindow.h"

#include "app/ActivationToken.h"
#include "app/CheckForUpdatesView.h"
#include "app/TerminationController.h"
#include "app/WindowActivation.h"
#include "finder/FinderImportCoordinator.h"
#include "finder/FinderPasteboard.h"
#include "finder/FinderServiceInput.h"
#include "finder/FinderServiceProvider.h"
#include "ui/ContentView.h"
#include "ui/FinderImportSheet.h"
#include "ui/KovaraMark.h"
#include "ui/VaultMenu.h"

#include "store/VaultStore.h"

#include <QAction>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QMoveEvent>
#include <QResizeEvent>
#include <QScreen>

#include <algorithm>

namespace {

constexpr QSize defaultSize(960, 620);

// A drop carries URLs and, from most file managers, the same paths as text; both are read, as
// the Finder service reads a pasteboard.
FinderPasteboard pasteboardOf(const QMimeData* data)
{
    FinderPasteboard pasteboard;
    pasteboard.urls = data->urls();
    if (data->hasText()) {
        pasteboard.strings = QStringList{data->text()};
    }
    return pasteboard;
}

} // namespace

MainWindow::MainWindow(VaultStore& store, FinderImportCoordinator& finderImport,
                       const FinderServiceProvider& finderService, KovaraUpdater& updater,
                       TerminationController& termination, QWidget* parent)
    : QMainWindow(parent)
    , store_(store)
    , finderImport_(finderImport)
    , finderService_(finderService)
    , termination_(termination)
    , content_(new ContentView(store, finderImport, this))
{
    setCentralWidget(content_);
    addToolBar(Qt::TopToolBarArea, content_->toolbar());
    setWindowTitle(content_->windowTitle());
    connect(content_, &QWidget::windowTitleChanged, this, &QWidget::setWindowTitle);
    setAcceptDrops(true);
    buildMenus(updater);
    // The layout keeps the window from getting smaller than its content's minimum.
    // At a large display scale the usual size may not fit the screen: it gives way, the content's
    // minimum does not.
    const QSize available = screen() ? screen()->availableSize() : defaultSize;
    resize(defaultSize.boundedTo(available).expandedTo(minimumSizeHint()));
    connect(&termination_, &TerminationController::terminationRefused, this, &MainWindow::bringToFront);
    connect(content_, &ContentView::terminationRequested, &termination_, &TerminationController::requestTermination);
    // On the next turn of the event loop: a request put aside in the same turn never flashes by.
    connect(&finderImport_, &FinderImportCoordinator::isPresentedChanged, this, &MainWindow::showFinderImportSheet,
            Qt::QueuedConnection);
}

void MainWindow::bringToFront()
{
    WindowActivation::bringToFront(*this, {});
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // Folders may have arrived before the window existed (on Kovara's own command line).
    showFinderImportSheet();
}

void MainWindow::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    centerFinderImportSheet();
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    centerFinderImportSheet();
}

// The sheet belongs to the window: it opens centred over it and follows it. A sheet opened with
// the window's first showing was placed before the window manager placed the window, and would
// otherwise stay where the window was first put, at the screen's corner.
void MainWindow::centerFinderImportSheet()
{
    if (finderImportSheet_ && finderImportSheet_->isVisible()) {
        QRect sheet = finderImportSheet_->frameGeometry();
        sheet.moveCenter(frameGeometry().center());
        finderImportSheet_->move(sheet.topLeft());
    }
}

void MainWindow::showFinderImportSheet()
{
    if (!finderImport_.isPresented() || (finderImportSheet_ && finderImportSheet_->isVisible()) || !isVisible()) {
        return;
    }
    finderImportSheet_ = new FinderImportSheet(store_, finderImport_, this);
    // However it closes, the sheet is no longer shown; a request left pending waits for the banner.
    connect(finderImportSheet_, &QDialog::finished, &finderImport_, [this] { finderImport_.setPresented(false); });
    finderImportSheet_->open();
    centerFinderImportSheet();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // Closing the window quits Kovara, and quitting waits until every vault is locked; the
    // controller quits the application itself once that succeeded, and that quit closes this
    // window once more, which must then be let through.
    if (termination_.isTerminationApproved()) {
        event->accept();
        return;
    }
    event->ignore();
    termination_.requestTermination();
}

std::optional<QUuid> MainWindow::unlockedSelection() const
{
    const std::optional<QUuid> selected = store_.selectedVaultID();
    return selected && store_.state(*selected) == VaultRowState::unlocked ? selected : std::nullopt;
}

bool MainWindow::acceptsDrop(const QList<QUrl>& urls) const
{
    // Into a vault that is open, anything is copied; otherwise only folders are taken, which
    // then wait for the user to choose their vault, as folders from the file manager do.
    return !urls.isEmpty() && (unlockedSelection() || std::all_of(urls.cbegin(), urls.cend(), [](const QUrl& url) {
                                   return QFileInfo(url.toLocalFile()).isDir();
                               }));
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (acceptsDrop(FinderServiceInput::fileURLs(pasteboardOf(event->mimeData())))) {
        event->acceptProposedAction();
    }
}

void MainWindow::dropEvent(QDropEvent* event)
{
    const FinderPasteboard pasteboard = pasteboardOf(event->mimeData());
    const QList<QUrl> urls = FinderServiceInput::fileURLs(pasteboard);
    if (!acceptsDrop(urls)) {
        return;
    }
    // A copy, whatever the drag proposed: the originals stay where they are.
    event->setDropAction(Qt::CopyAction);
    if (const std::optional<QUuid> vaultID = unlockedSelection()) {
        store_.enqueueImportItems(urls, *vaultID, std::nullopt);
        event->accept();
    } else if (!finderService_.addToKovara(pasteboard)) {
        event->accept();
    }
}

void MainWindow::buildMenus(KovaraUpdater& updater)
{
    QMenu* application = menuBar()->addMenu(QStringLiteral("&Kovara"));
    applicationMenu_ = application;
    application->addAction(QStringLiteral("Sobre o Kovara"), this, &MainWindow::showAbout);
    application->addAction((new CheckForUpdatesView(updater, this))->action());
    quitSeparator_ = application->addSeparator();
    QAction* quit =
        application->addAction(QStringLiteral("Sair"), &termination_, &TerminationController::requestTermination);
    quit->setShortcut(QKeySequence::Quit);
    quit->setMenuRole(QAction::QuitRole);
    menuBar()->addMenu(content_->vaultMenu());
}

void MainWindow::addApplicationMenuSection(const QList<QAction*>& actions)
{
    applicationMenu_->insertSeparator(quitSeparator_);
    applicationMenu_->insertActions(quitSeparator_, actions);
}

void MainWindow::showAbout()
{
    QMessageBox about(this);
    about.setWindowTitle(QStringLiteral("Sobre o Kovara"));
    about.setIconPixmap(KovaraMark::pixmap(64, devicePixelRatioF()));
    about.setText(QStringLiteral("<b>Kovara</b> %1").arg(QStringLiteral(KOVARA_VERSION)));
    about.setInformativeText(QStringLiteral("Cofres privados"));
    about.exec();
}
