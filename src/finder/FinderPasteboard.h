#pragma once

#include <QDir>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>
#include <QVariantMap>

// What a sender hands Kovara when it asks it to take folders: a desktop pasteboard reduced to
// the three kinds of content a file manager, a drop or a shell can offer. It is read only by
// FinderServiceInput, which decides what in it is usable.
struct FinderPasteboard
{
    // The type names under which the contents travel between processes.
    static inline const QString fileURLType = QStringLiteral("public.file-url");
    static inline const QString legacyFilenamesType = QStringLiteral("NSFilenamesPboardType");
    static inline const QString plainTextType = QStringLiteral("public.utf8-plain-text");

    // URL objects; only file URLs among them are used.
    QList<QUrl> urls;
    // The property list stored under the legacy file-names type: usable only when it is a list
    // of strings.
    QVariant legacyFilenames;
    // Plain-text objects, each of which may hold several lines.
    QStringList strings;

    // The pasteboard of `kovara ARGUMENT…`: arguments with a URL scheme travel as URLs, every
    // other non-empty argument as a file name made absolute against the caller's folder (the
    // receiving instance runs elsewhere).
    static FinderPasteboard fromArguments(const QStringList& arguments, const QDir& workingDirectory);

    // The form sent over the session bus: each content under its type name.
    QVariantMap toVariantMap() const;
    static FinderPasteboard fromVariantMap(const QVariantMap& contents);

    bool operator==(const FinderPasteboard&) const = default;
};
