#include "finder/FinderServiceInput.h"

#include "platform/FileLocation.h"

#include <QRegularExpression>
#include <QSet>

namespace {

QList<QUrl> legacyFilenameURLs(const QVariant& propertyList)
{
    // A list of strings may arrive typed (a string list) or as a list of string objects.
    QStringList names;
    if (propertyList.metaType().id() == QMetaType::QStringList) {
        names = propertyList.toStringList();
    } else if (propertyList.metaType().id() == QMetaType::QVariantList) {
        for (const QVariant& element : propertyList.toList()) {
            if (element.metaType().id() != QMetaType::QString) {
                return {};
            }
            names.append(element.toString());
        }
    }
    QList<QUrl> urls;
    for (const QString& name : names) {
        urls.append(QUrl::fromLocalFile(name));
    }
    return urls;
}

QList<QUrl> textLineURLs(const QStringList& strings)
{
    // Line feed through carriage return, next line, and the Unicode line and paragraph separators.
    static const QRegularExpression lineBreaks(QStringLiteral("[\\x{000A}-\\x{000D}\\x{0085}\\x{2028}\\x{2029}]"));
    QList<QUrl> urls;
    for (const QString& string : strings) {
        for (const QString& line : string.split(lineBreaks, Qt::SkipEmptyParts)) {
            const QString trimmed = line.trimmed();
            if (trimmed.isEmpty()) {
                continue;
            }
            if (trimmed.startsWith(QLatin1String("file://"), Qt::CaseInsensitive)) {
                const QUrl url(trimmed, QUrl::StrictMode);
                if (url.isValid() && url.isLocalFile()) {
                    urls.append(url);
                }
            } else if (trimmed.startsWith(QLatin1Char('/'))) {
                urls.append(QUrl::fromLocalFile(trimmed));
            }
        }
    }
    return urls;
}

} // namespace

QList<QUrl> FinderServiceInput::fileURLs(const FinderPasteboard& pasteboard)
{
    QList<QUrl> candidates = pasteboard.urls;
    candidates.append(legacyFilenameURLs(pasteboard.legacyFilenames));
    candidates.append(textLineURLs(pasteboard.strings));
    return normalizedFileURLs(candidates);
}

QList<QUrl> FinderServiceInput::normalizedFileURLs(const QList<QUrl>& urls)
{
    QList<QUrl> normalized;
    QSet<QString> seenPaths;
    for (const QUrl& url : urls) {
        // A relative path ("file:Fotos") means a folder of the sender's working folder, which this
        // process does not know: resolving it against its own would pick another folder.
        if (!url.isLocalFile() || !url.toLocalFile().startsWith(QLatin1Char('/'))) {
            continue;
        }
        const QUrl standardized = FileLocation::standardizedFileURL(url);
        const QString path = standardized.toLocalFile();
        if (path.isEmpty() || path == QLatin1String("/") || seenPaths.contains(path)) {
            continue;
        }
        seenPaths.insert(path);
        normalized.append(standardized);
    }
    return normalized;
}
