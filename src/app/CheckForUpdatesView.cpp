#include "app/CheckForUpdatesView.h"

#include "app/KovaraUpdater.h"

#include <QAction>
#include <QDesktopServices>
#include <QMessageBox>
#include <QPushButton>

CheckForUpdatesView::CheckForUpdatesView(KovaraUpdater& updater, QWidget* window)
    : QObject(window)
    , window_(window)
    , action_(new QAction(QStringLiteral("Verificar Atualizações…"), this))
{
    action_->setMenuRole(QAction::ApplicationSpecificRole);
    action_->setEnabled(updater.canCheckForUpdates());
    connect(&updater, &KovaraUpdater::canCheckForUpdatesChanged, action_, &QAction::setEnabled);
    connect(action_, &QAction::triggered, &updater, &KovaraUpdater::checkForUpdates);
    connect(&updater, &KovaraUpdater::checkFinished, this, &CheckForUpdatesView::present);
}

void CheckForUpdatesView::present(const UpdateCheckResult& result)
{
    const QMessageBox::Icon icon =
        result.outcome == UpdateCheckResult::Outcome::failed ? QMessageBox::Warning : QMessageBox::Information;
    auto* box = new QMessageBox(icon, QStringLiteral("Kovara"), result.title(), QMessageBox::NoButton, window_);
    box->setInformativeText(result.message());
    box->setAttribute(Qt::WA_DeleteOnClose);
    if (result.outcome == UpdateCheckResult::Outcome::updateAvailable && !result.downloadURL.isEmpty()) {
        QPushButton* download = box->addButton(QStringLiteral("Baixar"), QMessageBox::AcceptRole);
        box->addButton(QStringLiteral("Agora não"), QMessageBox::RejectRole);
        box->setDefaultButton(download);
        const QUrl url = result.downloadURL;
        connect(download, &QPushButton::clicked, box, [url] { QDesktopServices::openUrl(url); });
    } else {
        box->addButton(QMessageBox::Ok);
    }
    box->open();
}
