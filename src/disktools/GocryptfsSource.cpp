#include "disktools/GocryptfsSource.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>

namespace {

// A path whose every component is ambiguous would multiply the candidates; past this many the
// rest are not looked at.
constexpr qsizetype maximumCandidates = 16;

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

// The entries of `folder`, other than `mangled` itself, that the mangled name can stand for.
QStringList unmangledEntries(const QString& folder, const QString& mangled)
{
    QStringList found;
    const QStringList entries =
        QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        if (entry != mangled && matchesMangled(entry, mangled)) {
            found << entry;
        }
    }
    return found;
}

} // namespace

QStringList GocryptfsSource::cipherDirectories(const QString& source)
{
    if (!source.startsWith(u'/')) {
        return {};
    }
    QStringList paths{QString()};
    for (const QString& component : source.split(u'/', Qt::SkipEmptyParts)) {
        QStringList next;
        for (const QString& folder : std::as_const(paths)) {
            if (exists(folder + u'/' + component)) {
                next << folder + u'/' + component;
            }
            if (component.contains(u'_')) {
                for (const QString& entry :
                     unmangledEntries(folder.isEmpty() ? QStringLiteral("/") : folder, component)) {
                    next << folder + u'/' + entry;
                }
            }
        }
        paths = next.mid(0, maximumCandidates);
        if (paths.isEmpty()) {
            return {};
        }
    }
    return paths;
}
