#pragma once

#include <QString>
#include <QStringList>

// Leaves no volume behind: when destroyed, lazily unmounts every gocryptfs volume mounted under
// the given folders, whatever a test did or where it failed.
class GocryptfsMountGuard
{
public:
    explicit GocryptfsMountGuard(QStringList roots) : roots_(std::move(roots)) {}
    ~GocryptfsMountGuard();

    GocryptfsMountGuard(const GocryptfsMountGuard&) = delete;
    GocryptfsMountGuard& operator=(const GocryptfsMountGuard&) = delete;

    // The mount points of gocryptfs volumes at or under `root`, from the system's mount table.
    static QStringList mountPointsUnder(const QString& root);

private:
    QStringList roots_;
};
