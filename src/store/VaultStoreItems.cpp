// Item actions: move a listed item to the Trash, open the vault or an item in the file manager,
// reveal an item. Each first asks the system whether the vault is really mounted, and an item is
// acted on only while it is still the entry that was listed.
#include "store/VaultStore.h"

#include "content/VaultContentServicing.h"
#include "model/ErrorMessage.h"
#include "platform/EntryStatus.h"
#include "platform/FileLocation.h"
#include "platform/FinderWorkspaceServicing.h"

#include <QFileInfo>

namespace {

QString movedToTrashNotice(const QString& itemName)
{
    return QStringLiteral("“") + itemName + QStringLiteral("” foi movido para a Lixeira.");
}

// The item's location, once proven to be a top-level entry of the session's volume that is
// still the one listed (VaultError::invalidItem / itemChanged otherwise).
QUrl validatedItemURL(const VaultContentItem& item, const VaultSession& session)
{
    const QString itemPath = FileLocation::standardizedPath(item.url);
    if (itemPath.isEmpty() ||
        FileLocation::parentPath(itemPath) != FileLocation::standardizedPath(session.mountPoint)) {
        throw VaultError(VaultError::Kind::invalidItem);
    }
    // The entry itself (a link is not followed): a file replaced under the same name, or one
    // that vanished or cannot be examined, is not the item the user chose.
    std::optional<struct stat> status;
    try {
        status = entryStatus(itemPath);
    } catch (const std::system_error&) {
        throw VaultError(VaultError::Kind::itemChanged);
    }
    if (!status || VaultFileIdentity::of(*status) != item.fileSystemIdentity) {
        throw VaultError(VaultError::Kind::itemChanged);
    }
    return QUrl::fromLocalFile(itemPath);
}

} // namespace

QCoro::Task<> VaultStore::trashItem(VaultContentItem item, QUuid vaultID)
{
    if (!beginOperation(vaultID, true, true)) {
        co_return;
    }
    std::exception_ptr failure;
    try {
        const VaultSession session = co_await requiredMountedSession(vaultID);
        co_await contentService_.trashItem(item, session.mountPoint);
        // A failed listing leaves the old one on screen; the item is in the Trash all the same.
        QList<VaultContentItem> listing = co_await contentService_.listTopLevelItems(session.mountPoint);
        publishContent(std::move(listing), vaultID);
        setNoticeMessage(movedToTrashNotice(item.name));
    } catch (...) {
        failure = std::current_exception();
    }
    if (failure) {
        setErrorMessage(userMessage(failure));
    }
    endOperation();
}

QCoro::Task<> VaultStore::trashItem(VaultContentItem item)
{
    if (const std::optional<QUuid> vaultID = requiredSelection()) {
        co_await trashItem(std::move(item), *vaultID);
    }
}

void VaultStore::openVault(QUuid vaultID)
{
    startDetached([vaultID](VaultStore& store) { return store.performFinderAction(vaultID, std::nullopt, false); });
}

void VaultStore::openSelectedVault()
{
    if (!requiredSelection()) {
        return;
    }
    startDetached([](VaultStore& store) { return store.performOpenSelectedVault(); });
}

QCoro::Task<> VaultStore::performOpenSelectedVault()
{
    // The selection may have changed since the request was made.
    const std::optional<QUuid> vaultID = requiredSelection();
    if (!vaultID) {
        co_return;
    }
    const std::optional<VaultContentItem> theVolumeItself;
    co_await performFinderAction(*vaultID, theVolumeItself, false);
}

void VaultStore::openItem(VaultContentItem item, QUuid vaultID)
{
    startDetached([item, vaultID](VaultStore& store) { return store.performFinderAction(vaultID, item, false); });
}

void VaultStore::revealItem(VaultContentItem item, QUuid vaultID)
{
    startDetached([item, vaultID](VaultStore& store) { return store.performFinderAction(vaultID, item, true); });
}

QCoro::Task<> VaultStore::performFinderAction(QUuid vaultID, std::optional<VaultContentItem> item, bool reveal)
{
    if (!beginOperation(vaultID, true, true)) {
        co_return;
    }
    std::exception_ptr failure;
    try {
        const VaultSession session = co_await requiredMountedSession(vaultID);
        QUrl target;
        if (item) {
            target = validatedItemURL(*item, session);
        } else {
            target = QUrl::fromLocalFile(FileLocation::standardizedPath(session.mountPoint));
            // Unmounted behind our back between the discovery and now.
            if (!QFileInfo::exists(target.toLocalFile())) {
                throw VaultError(VaultError::Kind::vaultLocked);
            }
        }
        if (reveal) {
            co_await finderWorkspace_.reveal(target);
        } else {
            bool opened = false;
            if (!item || item->isNavigableFolder()) {
                opened = co_await finderWorkspace_.openInNewWindow(target);
            } else {
                opened = co_await finderWorkspace_.open(target);
            }
            if (!opened) {
                throw VaultError(VaultError::Kind::finderCouldNotOpen);
            }
        }
    } catch (...) {
        failure = std::current_exception();
    }
    if (failure) {
        setErrorMessage(userMessage(failure));
    }
    endOperation();
}
