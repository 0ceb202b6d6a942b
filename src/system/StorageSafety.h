#pragma once

#include "model/KovaraPaths.h"
#include "model/Vault.h"
#include "posix/IndexingMarker.h"

#include <QString>

// The file-system checks that keep image work inside Kovara's own storage folder: real
// directories (never symbolic links), the indexing marker, and an image path that can only be
// the vault's own "<lower-case id>.sparsebundle" directly in the storage folder. All checks use
// lstat, so a link planted in place of a folder or an image is refused rather than followed.
class StorageSafety
{
public:
    explicit StorageSafety(KovaraPaths paths);

    const KovaraPaths& paths() const { return paths_; }

    // Creates the folder with mode 0700 when it is missing (and its missing parents, with the
    // same mode, only when asked); an existing folder keeps its mode. Throws
    // unsafeStorage("<name> não é um diretório real.") when the entry is anything but a directory.
    static void ensureRealDirectory(const QString& path, bool createIntermediates);

    // A missing folder is accepted; an existing entry must be a real directory.
    static void validateOptionalRealDirectory(const QString& path);

    // The storage folder must sit directly in the application folder once links are resolved.
    void requireStorageInsideApplicationDirectory() const;

    // The file that keeps indexers out of the folder holding it.
    static constexpr const char* privacyMarkerName = ::privacyMarkerName;

    // Creates the empty privacy marker in `directory` unless a regular file is already there,
    // which is left unchanged.
    static void createPrivacyMarker(const QString& directory);

    // Throws unsafeStorage when the image path is not the vault's own name directly in the
    // storage folder, or leaves it through a link; with `requireExistingBundle`, missingImage
    // when nothing is there and unsafeStorage when it is not a real directory. Returns the checked
    // path (the storage folder with links resolved, then the image's name): the only path of the
    // image that any tool or file operation is given.
    QString validateImageLocation(const Vault& vault, bool requireExistingBundle) const;

    // lstat succeeds (a dangling link exists too); nothing there gives false.
    static bool entryExists(const QString& path);

    // The entry is a directory itself, not a link to one; nothing there gives false.
    static bool isRealDirectory(const QString& path);

    static QString imageFileName(const Vault& vault);

private:
    KovaraPaths paths_;
};
