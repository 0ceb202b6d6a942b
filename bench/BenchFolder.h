#pragma once

#include <QString>
#include <QTemporaryDir>

// The one temporary folder a bench run works in. Everything the run makes is inside it: the
// sources, the application data with the vault's image, the volume a baseline mounts, and the
// private runtime folder the disk-image stand-ins mount vaults in (XDG_RUNTIME_DIR points there
// for the whole run). So the user's own vaults and mounts are never touched, and tearing the
// folder down means unmounting whatever gocryptfs volume is still mounted under it.
class BenchFolder
{
public:
    BenchFolder();
    ~BenchFolder();

    BenchFolder(const BenchFolder&) = delete;
    BenchFolder& operator=(const BenchFolder&) = delete;

    bool isValid() const { return folder_.isValid(); }
    QString path() const { return folder_.path(); }
    QString filePath(const QString& name) const { return folder_.filePath(name); }

    // Lazily unmounts every gocryptfs volume mounted at or under this folder. Safe to call from
    // any thread, also while another thread is still writing into one of them.
    void unmountEverything() const;
    // unmountEverything, then removes the folder's contents.
    void tearDown();

private:
    QTemporaryDir folder_;
};
