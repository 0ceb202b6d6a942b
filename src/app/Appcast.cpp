#include "app/Appcast.h"

#include "app/SoftwareVersion.h"

#include <QXmlStreamReader>

#include <algorithm>

namespace {

const QString sparkleNamespace = QStringLiteral("http://www.andymatuschak.org/xml-namespaces/sparkle");

// Reads one <item>; the reader stands on its start element and ends on its end element.
AppcastItem readItem(QXmlStreamReader& reader)
{
    AppcastItem item;
    QString enclosureVersion;
    QString enclosureDisplayVersion;
    QUrl link;
    while (reader.readNextStartElement()) {
        const bool isSparkle = reader.namespaceUri() == sparkleNamespace;
        const QStringView name = reader.name();
        if (reader.namespaceUri().isEmpty() && name == QLatin1String("enclosure")) {
            const QXmlStreamAttributes attributes = reader.attributes();
            enclosureVersion = attributes.value(sparkleNamespace, QStringLiteral("version")).trimmed().toString();
            enclosureDisplayVersion =
                attributes.value(sparkleNamespace, QStringLiteral("shortVersionString")).trimmed().toString();
            item.downloadURL = QUrl(attributes.value(QStringLiteral("url")).trimmed().toString(), QUrl::StrictMode);
            reader.skipCurrentElement();
        } else if (isSparkle && name == QLatin1String("version")) {
            item.version = reader.readElementText().trimmed();
        } else if (isSparkle && name == QLatin1String("shortVersionString")) {
            item.displayVersion = reader.readElementText().trimmed();
        } else if (reader.namespaceUri().isEmpty() && name == QLatin1String("link")) {
            link = QUrl(reader.readElementText().trimmed(), QUrl::StrictMode);
        } else {
            reader.skipCurrentElement();
        }
    }
    if (item.version.isEmpty()) {
        item.version = enclosureVersion;
    }
    if (item.displayVersion.isEmpty()) {
        item.displayVersion = enclosureDisplayVersion.isEmpty() ? item.version : enclosureDisplayVersion;
    }
    if (!item.downloadURL.isValid() || item.downloadURL.isEmpty()) {
        item.downloadURL = link.isValid() ? link : QUrl();
    }
    return item;
}

} // namespace

QList<AppcastItem> Appcast::items(const QByteArray& feed)
{
    QXmlStreamReader reader(feed);
    if (!reader.readNextStartElement() || reader.name() != QLatin1String("rss")) {
        throw FormatError("the feed is not an RSS document");
    }
    QList<AppcastItem> result;
    bool sawChannel = false;
    while (reader.readNextStartElement()) {
        if (reader.name() != QLatin1String("channel")) {
            reader.skipCurrentElement();
            continue;
        }
        sawChannel = true;
        while (reader.readNextStartElement()) {
            if (reader.name() != QLatin1String("item")) {
                reader.skipCurrentElement();
                continue;
            }
            AppcastItem item = readItem(reader);
            // An item without a version cannot be compared; the feed may still hold others.
            if (!item.version.isEmpty()) {
                result.append(std::move(item));
            }
        }
    }
    // Reading to the end catches trailing garbage and unbalanced tags as well.
    while (!reader.atEnd()) {
        reader.readNext();
    }
    if (reader.hasError()) {
        throw FormatError(reader.errorString().toStdString());
    }
    if (!sawChannel || result.isEmpty()) {
        throw FormatError("the feed announces no version");
    }
    return result;
}

AppcastItem Appcast::newestItem(const QByteArray& feed)
{
    const QList<AppcastItem> all = items(feed);
    return *std::max_element(all.cbegin(), all.cend(), [](const AppcastItem& a, const AppcastItem& b) {
        return SoftwareVersion(a.version) < SoftwareVersion(b.version);
    });
}
