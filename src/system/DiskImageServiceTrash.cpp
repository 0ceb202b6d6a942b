// DiskImageService: moving a vault's image to the Trash under a readable name.
#include "system/DiskImageService.h"

#include "model/ErrorMessage.h"
#include "model/VaultError.h"
#include "platform/FileLocation.h"
#include "platform/UserPerceivedText.h"
#include "posix/HiddenFlag.h"

#include <QFile>
#include <QRegularExpression>

#include <cstdio>
#include <fcntl.h>

namespace {

constexpr int maximumFriendlyNameLength = 80;

// A rename that never replaces what is already at `to` (rename(2) alone would silently replace
// an empty directory).
bool moveWithoutReplacing(const QString& from, const QString& to)
{
    return renameat2(AT_FDCWD, QFile::encodeName(from).constData(), AT_FDCWD, QFile::encodeName(to).constData(),
                     RENAME_NOREPLACE) == 0;
}

QString withoutControlCharacters(const QString& text)
{
    QString kept;
    for (const char32_t scalar : text.toUcs4()) {
        if (!UserPerceivedText::isControlCharacter(scalar)) {
            kept += QString::fromUcs4(&scalar, 1);
        }
    }
    return kept;
}

bool isUuidText(const QString& text)
{
    static const QRegularExpression uuid(
        QStringLiteral("^[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}$"));
    return uuid.match(text).hasMatch();
}

} // namespace

std::optional<QString> DiskImageService::trashFriendlyName(const QString& vaultName)
{
    QString name = vaultName;
    name.replace(QLatin1Char('/'), QLatin1Char('-')).replace(QLatin1Char(':'), QLatin1Char('-'));
    name = withoutControlCharacters(name.trimmed());
    while (name.startsWith(QLatin1Char('.'))) {
        name.remove(0, 1);
    }
    // A UUID-shaped name would look like an internal image name in the Trash.
    if (name.isEmpty() || UserPerceivedText::length(name) > maximumFriendlyNameLength || isUuidText(name)) {
        return std::nullopt;
    }
    return name;
}

QCoro::Task<VaultImageRemoval> DiskImageService::trashImage(Vault vault)
{
    auto work = executor_.run([this, vault] { return trashImageNow(vault); });
    co_return co_await work;
}

VaultImageRemoval DiskImageService::trashImageNow(const Vault& vault)
{
    StorageSafety::validateOptionalRealDirectory(FileLocation::path(storage_.paths().applicationDirectory));
    StorageSafety::validateOptionalRealDirectory(FileLocation::path(storage_.paths().storageDirectory));
    const QString image = storage_.validateImageLocation(vault, false);
    std::optional<QString> friendlyPath;
    if (const std::optional<QString> friendlyName = trashFriendlyName(vault.name)) {
        friendlyPath =
            FileLocation::parentPath(image) + QLatin1Char('/') + *friendlyName + QStringLiteral(".sparsebundle");
    }

    QString target = image;
    try {
        storage_.validateImageLocation(vault, true);
    } catch (const VaultError& error) {
        if (error.kind() != VaultError::Kind::missingImage) {
            throw;
        }
        // An earlier attempt renamed the image and then could not trash or restore it: that
        // leftover is finished now, as its error message promised.
        if (!friendlyPath || !StorageSafety::isRealDirectory(*friendlyPath)) {
            return VaultImageRemoval::missing();
        }
        target = *friendlyPath;
    }
    // The hidden flag is a line naming the item in its folder's ".hidden" file, so it does not
    // follow a rename: it is cleared under the internal name before the image is renamed, and set
    // again under whichever name the image ends up with.
    setHiddenFlag(false, target);
    // A failed rename only costs the readable name: the image is trashed under its own.
    if (target == image && friendlyPath && *friendlyPath != image && moveWithoutReplacing(image, *friendlyPath)) {
        target = *friendlyPath;
    }
    try {
        const std::optional<QUrl> trashed = trash_(QUrl::fromLocalFile(target));
        return VaultImageRemoval::trashed(
            FileLocation::lastPathComponent(trashed ? FileLocation::path(*trashed) : target));
    } catch (...) {
        const QString reason = userMessage(std::current_exception());
        if (target != image && !moveWithoutReplacing(target, image)) {
            setHiddenFlag(true, target);
            throw VaultError::imageCouldNotBeTrashed(reason + QStringLiteral(" O arquivo ficou em ") + target +
                                                     QStringLiteral("; apague o cofre novamente para tentar de novo."));
        }
        setHiddenFlag(true, image);
        throw VaultError::imageCouldNotBeTrashed(reason + QStringLiteral(" O arquivo continua no lugar."));
    }
}

void DiskImageService::setHiddenFlag(bool hidden, const QString& path) const
{
    try {
        HiddenFlag::set(QFile::encodeName(path).toStdString(), hidden);
    } catch (...) {
        log_.error(QStringLiteral("Não foi possível alterar o sinalizador oculto: %1"),
                   {SystemLog::Value::publicValue(userMessage(std::current_exception()))});
    }
}
