#include "VaultBench.h"

#include "Baselines.h"
#include "BenchFolder.h"
#include "ObservedRun.h"
#include "StoreChecks.h"

#include "disktools/ImageBundle.h"
#include "posix/FileTreeRemoval.h"
#include "posix/MountTable.h"

#include <QDir>
#include <QFile>

#include <unistd.h>

namespace {

using StoreChecks::fail;

const QString vaultName = QStringLiteral("Cofre de medição");
const QString password = QStringLiteral("uma senha de medição, com espaços e acentuação");
// The copies stay here until the run ends: removing 20,000 files through gocryptfs takes longer
// than copying them, while the bench folder's removal deletes their encrypted form at once.
const QString copiesFolder = QStringLiteral("cópias");

bool isMounted(const QString& mountPoint)
{
    const MountTable table = MountTable::read();
    for (const MountInfoEntry& mount : table.entries()) {
        if (mount.mountPoint == mountPoint.toStdString() && mount.isGocryptfs()) {
            return true;
        }
    }
    return false;
}

} // namespace

VaultBench::VaultBench(const BenchFolder& folder)
    : paths_(KovaraPaths::under(folder.filePath(QStringLiteral("dados/Kovara"))))
    , store_(paths_, fileManager_)
    , handMountPoint_(folder.filePath(QStringLiteral("montado à mão")))
{
    QDir().mkpath(handMountPoint_);
}

void VaultBench::createVault()
{
    QCoro::waitFor(store_.refresh());
    // Room for the 1 GiB the store imports, which it refuses when the capacity left is smaller;
    // the engine's and cp's copies bypass the store and its check.
    constexpr int capacityGigabytes = 4;
    const std::optional<Vault> created = QCoro::waitFor(store_.createVault(vaultName, password, capacityGigabytes));
    requireNoError("create");
    if (!created || !store_.sessions().contains(created->id)) {
        fail(QStringLiteral("the new vault is not unlocked"));
    }
    vault_ = *created;
    const QString volume = storeMountPoint();
    constexpr int files = 40;
    constexpr int folders = 8;
    for (int index = 1; index <= files; ++index) {
        QFile file(volume + QStringLiteral("/documento %1.txt").arg(index));
        if (!file.open(QIODevice::WriteOnly) || file.write(QByteArray(2000 + index, 'k')) < 0) {
            fail(QStringLiteral("cannot write into the vault"));
        }
    }
    for (int index = 1; index <= folders; ++index) {
        QDir().mkpath(volume + QStringLiteral("/pasta %1").arg(index));
    }
    QDir().mkpath(volume + QLatin1Char('/') + copiesFolder);
    topLevelItems_ = files + folders + 1;
}

double VaultBench::unlockThroughStore()
{
    const double seconds = secondsOf([this] { QCoro::waitFor(store_.unlock(vault_.id, password)); });
    requireNoError("unlock");
    // A listing taken before the volume was ready would be empty or partial.
    if (!store_.sessions().contains(vault_.id) || store_.content().size() != topLevelItems_) {
        fail(QStringLiteral("the store's unlock listed %1 items instead of %2")
                 .arg(store_.content().size())
                 .arg(topLevelItems_));
    }
    return seconds;
}

double VaultBench::lockThroughStore()
{
    const QString volume = storeMountPoint();
    const double seconds = secondsOf([this] { QCoro::waitFor(store_.lockSelectedAndWait()); });
    requireNoError("lock");
    if (isMounted(volume) || store_.sessions().contains(vault_.id)) {
        fail(QStringLiteral("the store's lock returned with the volume still mounted"));
    }
    return seconds;
}

double VaultBench::mountByHandAndList()
{
    const QString cipher =
        QDir(vault_.imageURL.toLocalFile()).filePath(QString::fromLatin1(ImageBundle::cipherFolderName));
    // What the disk-image stand-in hands gocryptfs: the password's bytes in hex, one line.
    const QByteArray line = password.toUtf8().toHex() + '\n';
    const double seconds = secondsOf([&] { Baselines::mountAndList(cipher, handMountPoint_, line); });
    if (QDir(handMountPoint_).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size() != topLevelItems_) {
        fail(QStringLiteral("the volume mounted by hand does not hold the vault's items"));
    }
    return seconds;
}

double VaultBench::unmountByHand()
{
    const double seconds = secondsOf([this] { Baselines::unmount(handMountPoint_); });
    if (isMounted(handMountPoint_)) {
        fail(QStringLiteral("fusermount3 returned with the volume still mounted"));
    }
    return seconds;
}

double VaultBench::copyWithEngine(const QString& source, const QString& name)
{
    const QUrl destination = QUrl::fromLocalFile(copyDestination(name));
    const double seconds = secondsOf([&] {
        const VaultFileCopyPlan plan = QCoro::waitFor(engine_.preflight(QUrl::fromLocalFile(source), {}));
        QCoro::waitFor(engine_.copyItem(plan, destination, [](qint64) {}, {}));
    });
    ::sync();
    return seconds;
}

double VaultBench::copyWithCp(const QString& source, const QString& name)
{
    const QString destination = copyDestination(name);
    const double seconds = secondsOf([&] { Baselines::copyArchive(source, destination); });
    ::sync();
    return seconds;
}

ObservedRun VaultBench::importThroughStore(const QList<QUrl>& sources)
{
    std::optional<VaultImportBatchResult> result;
    const ObservedRun observed = ObservedRun::observe([&](const std::function<void()>& done) {
        return store_.enqueueImportItems(sources, vault_.id, std::nullopt,
                                         [&result, done](const VaultImportBatchResult& finished) {
                                             result = finished;
                                             done();
                                         });
    });
    requireNoError("import");
    if (!result || result->completedSourceURLs != sources) {
        fail(QStringLiteral("the store's import did not copy every source"));
    }
    for (const QUrl& source : sources) {
        if (!removeFileTree(
                QFile::encodeName(storeMountPoint() + QLatin1Char('/') + source.fileName()).toStdString())) {
            fail(QStringLiteral("cannot remove the imported %1 from the vault").arg(source.fileName()));
        }
    }
    ::sync();
    return observed;
}

QString VaultBench::storeMountPoint() const
{
    return StoreChecks::mountPoint(store_, vault_.id);
}

void VaultBench::requireNoError(const char* step) const
{
    StoreChecks::requireNoError(store_, step);
}

QString VaultBench::copyDestination(const QString& name) const
{
    return storeMountPoint() + QLatin1Char('/') + copiesFolder + QLatin1Char('/') + name;
}
