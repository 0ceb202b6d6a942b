#include "disktools/ImageBundle.h"

#include "disktools/PropertyListTree.h"
#include "disktools/ToolFailure.h"
#include "platform/AtomicFile.h"
#include "platform/PosixError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <sys/stat.h>
#include <system_error>

namespace {

constexpr qint64 maximumMetadataBytes = qint64{64} * 1024;
constexpr quint64 metadataFormat = 1;

// lstat's file type, or the errno that kept it from answering.
struct EntryKind
{
    int error = 0;
    mode_t type = 0;
};

EntryKind kindOf(const QString& path)
{
    struct stat status = {};
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0) {
        return {errno, 0};
    }
    return {0, status.st_mode & S_IFMT};
}

void requireRealDirectory(const QString& path, const QString& what)
{
    const EntryKind kind = kindOf(path);
    if (kind.error != 0) {
        throw ToolFailure(path + ": " + posixErrorText(kind.error));
    }
    if (kind.type != S_IFDIR) {
        throw ToolFailure(path + ": " + what + " não é um diretório real.");
    }
}

[[noreturn]] void unreadableMetadata(const QString& bundlePath)
{
    throw ToolFailure(bundlePath + ": os dados da imagem estão ilegíveis ou incompletos.");
}

} // namespace

ImageBundle ImageBundle::open(const QString& path)
{
    requireRealDirectory(path, "a imagem");
    ImageBundle bundle;
    bundle.path_ = QFileInfo(path).canonicalFilePath();
    if (bundle.path_.isEmpty()) {
        throw ToolFailure(path + ": " + posixErrorText(ENOENT));
    }
    requireRealDirectory(bundle.cipherDirectory(), "a pasta cifrada da imagem");

    const QString metadataPath = QDir(bundle.path_).filePath(metadataFileName);
    if (kindOf(metadataPath).type != S_IFREG) {
        unreadableMetadata(path);
    }
    QFile metadata(metadataPath);
    if (!metadata.open(QIODevice::ReadOnly)) {
        unreadableMetadata(path);
    }
    const std::optional<PropertyListTree> tree = PropertyListTree::parse(metadata.read(maximumMetadataBytes));
    if (!tree) {
        unreadableMetadata(path);
    }
    const std::optional<QString> volumeName = tree->string("volume-name");
    const std::optional<quint64> capacity = tree->unsignedInteger("capacity-bytes");
    if (!volumeName || volumeName->isEmpty() || !capacity) {
        unreadableMetadata(path);
    }
    bundle.volumeName_ = *volumeName;
    bundle.capacityBytes_ = *capacity;
    return bundle;
}

void ImageBundle::writeMetadata(const QString& bundlePath, const QString& volumeName, quint64 capacityBytes)
{
    PropertyListTree tree = PropertyListTree::dictionary();
    tree.set("kovara-image-format", plist_new_uint(metadataFormat));
    tree.set("volume-name", PropertyListTree::newString(volumeName));
    tree.set("capacity-bytes", plist_new_uint(capacityBytes));
    tree.set("encryption", PropertyListTree::newString("gocryptfs AES-256-GCM, scrypt"));
    const QString metadataPath = QDir(bundlePath).filePath(metadataFileName);
    try {
        AtomicFile::write(QFile::encodeName(metadataPath).toStdString(), tree.toXml().toStdString(), 0600);
    } catch (const std::system_error& error) {
        throw ToolFailure(metadataPath + ": " + QString::fromStdString(error.code().message()));
    }
}

bool ImageBundle::holdsMetadata(const QString& folder)
{
    return kindOf(QDir(folder).filePath(metadataFileName)).type == S_IFREG;
}

QString ImageBundle::cipherDirectory() const
{
    return QDir(path_).filePath(cipherFolderName);
}

FolderLock ImageBundle::lock() const
{
    try {
        return FolderLock(QFile::encodeName(path_).toStdString());
    } catch (const std::system_error& error) {
        throw ToolFailure(path_ + ": " + QString::fromStdString(error.code().message()));
    }
}
