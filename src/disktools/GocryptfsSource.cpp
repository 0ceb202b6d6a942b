#include "disktools/GocryptfsSource.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <sys/stat.h>

namespace {

bool exists(const QString& path)
{
    struct stat status = {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0;
}

bool matchesMangled(const QString& candidate, const QString& mangled)
{
    if (candidate.size() != mangled.size()) {
        return false;
    }
    for (qsizetype i = 0; i < mangled.size(); ++i) {
        if (candidate[i] != mangled[i] && !(mangled[i] == u'_' && candidate[i] == u',')) {
            return false;
        }
    }
    return true;
}

// The one entry of `folder` that the mangled name can stand for; empty when none or several.
QString unmangledEntry(const QString& folder, const QString& mangled)
{
    QString found;
    const QStringList entries = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        if (matchesMangled(entry, mangled)) {
            if (!found.isEmpty()) {
                return {};
            }
            found = entry;
        }
    }
    return found;
}

} // namespace

QString GocryptfsSource::cipherDirectory(const QString& source)
{
    if (!source.startsWith(u'/') || exists(source) || !source.contains(u'_')) {
        return source;
    }
    QString recovered;
    for (const QString& component : source.split(u'/', Qt::SkipEmptyParts)) {
        const QString literal = recovered + u'/' + component;
        if (exists(literal)) {
            recovered = literal;
            continue;
        }
        const QString entry = component.contains(u'_') ? unmangledEntry(recovered.isEmpty() ? "/" : recovered, component) : QString();
        if (entry.isEmpty()) {
            return source;
        }
        recovered += u'/' + entry;
    }
    return recovered;
}
