#include "LargeVaultBench.h"

#include "Baselines.h"
#include "StoreChecks.h"

#include "finder/FinderImportCoordinator.h"
#include "store/VaultStore.h"
#include "ui/ContentView.h"
#include "ui/KovaraIcons.h"

#include <QEventLoop>
#include <QFile>
#include <QTreeView>

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using StoreChecks::fail;

const QString vaultName = QStringLiteral("Arquivo de fotos");
const QString password = QStringLiteral("outra senha de medição, também acentuada");
// One item in ten is a folder.
constexpr int folderEvery = 10;
// Long enough for the layout and the first paint that follow a new listing.
constexpr std::chrono::milliseconds windowSettle{250};

// Names as a photo dump or a mail export has them: accents, emoji, numbers of varying length
// (which the listing orders by value) and both letter cases.
QString itemName(int index)
{
    if (index % folderEvery == 0) {
        return QStringLiteral("Álbum %1 — viagem à praia 📁").arg(index);
    }
    if (index % 2 == 0) {
        return QStringLiteral("foto de férias %1 📷.jpg").arg(index);
    }
    return QStringLiteral("Mensagem %1 sobre ação e coração ✉️.eml").arg(index);
}

void waitUntilIdle(VaultStore& store)
{
    QEventLoop loop;
    QObject::connect(&store, &VaultStore::isBusyChanged, &loop, [&] {
        if (!store.isBusy()) {
            loop.quit();
        }
    });
    if (store.isBusy()) {
        loop.exec();
    }
}

} // namespace

LargeVaultBench::LargeVaultBench(VaultStore& store) : store_(store)
{
}

void LargeVaultBench::createVault()
{
    const std::optional<Vault> created = QCoro::waitFor(store_.createVault(vaultName, password, 2));
    requireNoError("create of the large vault");
    if (!created || !store_.sessions().contains(created->id)) {
        fail(QStringLiteral("the large vault is not unlocked"));
    }
    vault_ = *created;
    const QString root = mountPoint();
    for (int index = 1; index <= itemCount; ++index) {
        const QByteArray path = QFile::encodeName(root + QLatin1Char('/') + itemName(index));
        bool made = false;
        if (index % folderEvery == 0) {
            made = ::mkdir(path.constData(), 0700) == 0;
        } else if (const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600); fd >= 0) {
            made = ::close(fd) == 0;
        }
        if (!made) {
            fail(QStringLiteral("cannot create %1 in the large vault").arg(itemName(index)));
        }
    }
}

double LargeVaultBench::listWithContentService()
{
    QList<VaultContentItem> items;
    const QUrl root = QUrl::fromLocalFile(mountPoint());
    const double seconds = secondsOf([&] { items = QCoro::waitFor(contentService_.listTopLevelItems(root)); });
    if (items.size() != itemCount) {
        fail(QStringLiteral("the content service listed %1 items instead of %2").arg(items.size()).arg(itemCount));
    }
    return seconds;
}

double LargeVaultBench::listWithLs()
{
    const QString root = mountPoint();
    return secondsOf([&] { Baselines::listLong(root); });
}

ObservedRun LargeVaultBench::unlockIntoWindow()
{
    QCoro::waitFor(store_.lockSelectedAndWait());
    requireNoError("lock of the large vault");
    // The icons the rows draw come from the theme the app installs.
    KovaraIcons::installIconTheme();
    FinderImportCoordinator finderImport;
    ContentView window(store_, finderImport);
    window.resize(1100, 720);
    window.show();
    // Showing the window starts its first refresh.
    waitUntilIdle(store_);
    requireNoError("refresh");

    std::optional<QCoro::Task<>> unlocking;
    const ObservedRun observed = ObservedRun::observe(
        [&](const std::function<void()>& done) {
            QObject::connect(&store_, &VaultStore::isBusyChanged, &window, [this, done] {
                if (!store_.isBusy()) {
                    done();
                }
            });
            unlocking.emplace(store_.unlock(vault_.id, password));
            return true;
        },
        windowSettle);
    requireNoError("unlock of the large vault");
    const QList<QTreeView*> lists = window.findChildren<QTreeView*>();
    const auto list = std::find_if(lists.cbegin(), lists.cend(), [](const QTreeView* view) {
        return view->accessibleName() == QStringLiteral("Itens do cofre") && view->isVisible();
    });
    if (list == lists.cend() || (*list)->model()->rowCount() != itemCount) {
        fail(QStringLiteral("the window's item list does not show the %1 items").arg(itemCount));
    }
    return observed;
}

QString LargeVaultBench::mountPoint() const
{
    return StoreChecks::mountPoint(store_, vault_.id);
}

void LargeVaultBench::requireNoError(const char* step) const
{
    StoreChecks::requireNoError(store_, step);
}
