// DiskImageService: finding the images in the storage folder that the catalogue has lost.
#include "system/DiskImageService.h"

#include "platform/FileLocation.h"
#include "platform/SystemLog.h"
#include "posix/UniqueFd.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QXmlStreamReader>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Written by the disk-image tool at creation; far smaller than this.
constexpr qsizetype maximumMetadataSize = qsizetype{64} * 1024;

// The whole file, read without following a link; empty when it cannot be read.
QByteArray readSmallFile(const QString& path)
{
    const UniqueFd file(::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!file.isValid()) {
        return {};
    }
    QByteArray contents(maximumMetadataSize + 1, Qt::Uninitialized);
    qsizetype size = 0;
    while (size < contents.size()) {
        const ssize_t count = ::read(file.get(), contents.data() + size, size_t(contents.size() - size));
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            break;
        }
        size += count;
    }
    return size > maximumMetadataSize ? QByteArray() : contents.left(size);
}

// The "volume-name" string of the image's metadata property list, or an empty string.
QString volumeNameIn(const QByteArray& propertyList)
{
    QXmlStreamReader reader(propertyList);
    QString key;
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement) {
            continue;
        }
        if (reader.name() == QLatin1String("key")) {
            key = reader.readElementText();
        } else if (reader.name() == QLatin1String("string") && key == QLatin1String("volume-name")) {
            return reader.readElementText().trimmed();
        } else if (reader.name() != QLatin1String("plist") && reader.name() != QLatin1String("dict")) {
            key.clear();
        }
    }
    return {};
}

} // namespace

QCoro::Task<QList<FoundVaultImage>> DiskImageService::uncataloguedImages(QList<Vault> catalogue)
{
    auto work = executor_.run([this, catalogue] { return uncataloguedImagesNow(catalogue); });
    co_return co_await work;
}

QList<FoundVaultImage> DiskImageService::uncataloguedImagesNow(const QList<Vault>& catalogue)
{
    QSet<QString> named;
    for (const Vault& vault : catalogue) {
        named.insert(StorageSafety::imageFileName(vault));
    }
    const QString storagePath = FileLocation::path(storage_.paths().storageDirectory);
    const QStringList entries =
        QDir(storagePath).entryList({QStringLiteral("*.sparsebundle")}, QDir::AllEntries | QDir::Hidden | QDir::System);
    QList<FoundVaultImage> found;
    for (const QString& entry : entries) {
        if (named.contains(entry)) {
            continue;
        }
        const QString image = storagePath + u'/' + entry;
        const QUuid id = QUuid::fromString(entry.chopped(int(qstrlen(".sparsebundle"))));
        const QString metadata = image + QStringLiteral("/Info.plist");
        // Only what Kovara itself would have made is offered: a real folder named after a
        // lower-case id, with the metadata the disk-image tool writes.
        if (!id.isNull() && entry == id.toString(QUuid::WithoutBraces) + QStringLiteral(".sparsebundle") &&
            StorageSafety::isRealDirectory(image)) {
            const QString name = volumeNameIn(readSmallFile(metadata));
            if (!name.isEmpty()) {
                found.append({id, name, QUrl::fromLocalFile(image), QFileInfo(metadata).lastModified().toUTC()});
                continue;
            }
        }
        if (!loggedUncataloguedImages_.contains(entry)) {
            loggedUncataloguedImages_.insert(entry);
            log_.error(QStringLiteral("A imagem %1 na pasta de cofres não pertence a nenhum cofre do catálogo; ela foi "
                                      "mantida onde está."),
                       {SystemLog::Value::publicValue(entry)});
        }
    }
    return found;
}
