#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

// Real gocryptfs volumes mounted through FUSE. A machine without gocryptfs or /dev/fuse fails
// these tests rather than skipping them: vaults cannot work there.
namespace RealMounts {

// The mount points of gocryptfs volumes at or under `root`, from the system's mount table.
QStringList mountPointsUnder(const QString& root);

// Runs a built disk-image stand-in (kovara-hdiutil, ...), which sits beside the test program,
// as the app would: argument vector, bytes on standard input, both outputs kept.
struct Run
{
    int exitStatus = -1;
    QByteArray standardOutput;
    QByteArray standardError;
};
QString standInPath(const QString& tool);
Run runStandIn(const QString& tool, const QStringList& arguments, const QByteArray& standardInput = {});

// Runs gocryptfs itself, by hand as a user would, `passwordLine` on its standard input and its
// output discarded (a mounted daemon outlives the command and must hold no pipe of ours); its
// exit status, or -1 when it did not end normally.
int runGocryptfs(const QStringList& arguments, const QByteArray& passwordLine);

} // namespace RealMounts

// Leaves no volume behind: when destroyed, lazily unmounts every gocryptfs volume mounted under
// the given folders, whatever a test did or where it failed.
class GocryptfsMountGuard
{
public:
    explicit GocryptfsMountGuard(QStringList roots) : roots_(std::move(roots)) {}
    ~GocryptfsMountGuard();
    GocryptfsMountGuard(const GocryptfsMountGuard&) = delete;
    GocryptfsMountGuard& operator=(const GocryptfsMountGuard&) = delete;

private:
    QStringList roots_;
};

// A fresh gocryptfs volume (fast key derivation) mounted on a temporary folder named
// `volumeName`, with a scratch folder beside it on the ordinary file system for sources.
class GocryptfsTestMount
{
public:
    explicit GocryptfsTestMount(const QString& volumeName = QStringLiteral("Cofre de Teste"));

    bool isMounted() const { return mounted_; }
    QString mountPoint() const { return mountPoint_; }
    QUrl mountPointURL() const { return QUrl::fromLocalFile(mountPoint_); }
    QString scratchFolder() const { return folder_.path() + QStringLiteral("/scratch"); }

private:
    QTemporaryDir folder_;
    // Declared after the folder so that it unmounts before the folder is removed.
    GocryptfsMountGuard unmountOnExit_;
    QString mountPoint_;
    bool mounted_ = false;
};
