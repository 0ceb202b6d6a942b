#include "finder/FinderPasteboard.h"

namespace {

// "file:///x", "https://x" and the like; a Windows-style "C:" never reaches Kovara on Linux.
bool hasURLScheme(const QString& argument)
{
    const QUrl url(argument, QUrl::StrictMode);
    return url.isValid() && !url.scheme().isEmpty();
}

} // namespace

FinderPasteboard FinderPasteboard::fromArguments(const QStringList& arguments, const QDir& workingDirectory)
{
    FinderPasteboard pasteboard;
    QStringList filenames;
    for (const QString& argument : arguments) {
        if (argument.isEmpty()) {
            continue;
        }
        if (hasURLScheme(argument)) {
            pasteboard.urls.append(QUrl(argument, QUrl::StrictMode));
        } else {
            filenames.append(workingDirectory.absoluteFilePath(argument));
        }
    }
    if (!filenames.isEmpty()) {
        pasteboard.legacyFilenames = filenames;
    }
    return pasteboard;
}

QVariantMap FinderPasteboard::toVariantMap() const
{
    QVariantMap contents;
    if (!urls.isEmpty()) {
        QStringList encoded;
        for (const QUrl& url : urls) {
            encoded.append(url.toString(QUrl::FullyEncoded));
        }
        contents.insert(fileURLType, encoded);
    }
    if (legacyFilenames.isValid()) {
        contents.insert(legacyFilenamesType, legacyFilenames);
    }
    if (!strings.isEmpty()) {
        contents.insert(plainTextType, strings);
    }
    return contents;
}

FinderPasteboard FinderPasteboard::fromVariantMap(const QVariantMap& contents)
{
    FinderPasteboard pasteboard;
    // A sender may put anything under any name; only strings can be URLs or text.
    const QVariant urls = contents.value(fileURLType);
    if (urls.metaType().id() == QMetaType::QStringList) {
        for (const QString& encoded : urls.toStringList()) {
            pasteboard.urls.append(QUrl(encoded, QUrl::StrictMode));
        }
    }
    pasteboard.legacyFilenames = contents.value(legacyFilenamesType);
    const QVariant strings = contents.value(plainTextType);
    if (strings.metaType().id() == QMetaType::QStringList) {
        pasteboard.strings = strings.toStringList();
    }
    return pasteboard;
}
