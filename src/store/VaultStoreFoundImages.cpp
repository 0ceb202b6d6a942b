// Images the catalogue has lost: an app stopped between creating an image and cataloguing it
// leaves one in the storage folder. The user decides whether it goes back into the list or to
// the Trash; it is never deleted behind the user's back.
#include "store/VaultStore.h"

#include "model/ErrorMessage.h"
#include "system/DiskImageService.h"

namespace {

bool nameIsTaken(const QList<Vault>& vaults, const QString& name)
{
    const QString key = VaultRegistry::nameComparisonKey(name);
    return std::any_of(vaults.cbegin(), vaults.cend(),
                       [&key](const Vault& vault) { return VaultRegistry::nameComparisonKey(vault.name) == key; });
}

} // namespace

void VaultStore::addFoundImage(QUuid imageID)
{
    startDetached([imageID](VaultStore& store) { return store.performAddFoundImage(imageID); });
}

void VaultStore::trashFoundImage(QUuid imageID)
{
    startDetached([imageID](VaultStore& store) { return store.performTrashFoundImage(imageID); });
}

std::optional<FoundVaultImage> VaultStore::foundImage(const QUuid& imageID) const
{
    for (const FoundVaultImage& image : foundImages_) {
        if (image.id == imageID) {
            return image;
        }
    }
    return std::nullopt;
}

void VaultStore::forgetFoundImage(const QUuid& imageID)
{
    QList<FoundVaultImage> remaining = foundImages_;
    remaining.removeIf([&imageID](const FoundVaultImage& found) { return found.id == imageID; });
    setFoundImages(std::move(remaining));
}

QCoro::Task<> VaultStore::performAddFoundImage(QUuid imageID)
{
    const std::optional<FoundVaultImage> image = foundImage(imageID);
    if (!image || !beginOperation(imageID, true, true)) {
        co_return;
    }
    // The name was checked when the vault was created; one that breaks the rules now, or that
    // another vault took meanwhile, gives way to a numbered one rather than refusing the vault.
    QString name;
    try {
        name = validatedName(image->name);
    } catch (const VaultError&) {
        name = QStringLiteral("Cofre recuperado");
    }
    const QString baseName = name;
    for (int number = 2; nameIsTaken(vaults_, name); ++number) {
        name = baseName + u' ' + QString::number(number);
    }
    const Vault vault{image->id, name, registry_.imageURL(image->id), image->createdAt};
    QList<Vault> catalogue = vaults_;
    catalogue.append(vault);
    try {
        if (!registryIsUsable_) {
            throw unusableRegistryError();
        }
        registry_.save(catalogue, unusableEntryIDs());
    } catch (...) {
        failOperation(std::current_exception());
        co_return;
    }
    setVaults(std::move(catalogue));
    forgetFoundImage(imageID);
    setSelectedVaultID(vault.id);
    updateStatus();
    setNoticeMessage(QStringLiteral("O cofre “") + name + QStringLiteral("” voltou para a lista."));
    endOperation();
}

QCoro::Task<> VaultStore::performTrashFoundImage(QUuid imageID)
{
    const std::optional<FoundVaultImage> image = foundImage(imageID);
    if (!image || !beginOperation(imageID, true, true)) {
        co_return;
    }
    const QPointer<VaultStore> self(this);
    VaultImageRemoval removal;
    try {
        auto trashing = diskImageService_.trashImage(Vault{image->id, image->name, image->imageURL, image->createdAt});
        removal = co_await std::move(trashing);
    } catch (...) {
        if (self) {
            failOperation(std::current_exception());
        }
        co_return;
    }
    if (!self) {
        co_return;
    }
    forgetFoundImage(imageID);
    if (removal.kind == VaultImageRemoval::Kind::trashed) {
        setNoticeMessage(QStringLiteral("O arquivo “") + removal.fileName + QStringLiteral("” está na Lixeira."));
    }
    endOperation();
}
