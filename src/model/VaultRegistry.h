#pragma once

#include "model/KovaraPaths.h"
#include "model/Vault.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QUrl>
#include <QUuid>

#include <optional>

// Reads, validates and writes the catalogue `vaults.json`. It refuses to touch a catalogue or a
// storage folder that looks tampered with: symbolic links where folders or files belong, images
// outside `Vaults.noindex`, repeated identifiers or names, a folder that cannot be written.
class VaultRegistry
{
public:
    VaultRegistry(QUrl registryURL, QUrl storageDirectory);
    explicit VaultRegistry(const KovaraPaths& paths);

    const QUrl& registryURL() const { return registryURL_; }
    const QUrl& storageDirectory() const { return storageDirectory_; }
    // Always the folder that holds `vaults.json`, so the two can never disagree.
    QUrl applicationDirectory() const;
    // Where the image of the vault with this id belongs: `Vaults.noindex/<lower-case id>.sparsebundle`
    // beside `vaults.json`.
    QUrl imageURL(const QUuid& vaultID) const;

    // What `load` found: every entry in file order, and the broken rule of each entry that
    // breaks one (by its id), so that one bad entry costs only its own row.
    struct Contents
    {
        QList<Vault> vaults;
        QHash<QUuid, QString> problems;
    };

    // The catalogue; empty when there is no `vaults.json` yet. Throws VaultError for a
    // repeated id, PathError naming the catalogue for a file-system failure of its own,
    // std::system_error for any other and Vault::catalogueFormatError() for a file that is not
    // a catalogue.
    Contents load() const;

    // Validates, creates the application folder if needed and replaces `vaults.json`
    // atomically. Nothing is touched when a check fails; a failed write leaves the old file.
    // Entries whose ids are in `knownProblems` were found broken when the catalogue was loaded:
    // they are written back as they were rather than lost.
    void save(const QList<Vault>& vaults, const QSet<QUuid>& knownProblems = {}) const;

    // The checks of `save` without writing; returns the bytes `save` would write.
    QByteArray validateForSave(const QList<Vault>& vaults, const QSet<QUuid>& knownProblems = {}) const;

    // Throws VaultError::invalidRegistry for a repeated id or for the first entry, not among
    // `knownProblems`, that breaks a per-entry rule.
    void validate(const QList<Vault>& vaults, const QSet<QUuid>& knownProblems = {}) const;

    // The per-entry rules, entry by entry: a unique non-empty name, the image directly inside
    // `Vaults.noindex`, named after its id, and not a symbolic link. Throws for a repeated id.
    QHash<QUuid, QString> problemsOf(const QList<Vault>& vaults) const;

    // True when something (even a dangling link) is at the URL's path; throws std::system_error
    // for any failure other than its absence.
    static bool entryExists(const QUrl& url);

    // Throws VaultError::invalidRegistry(description) when the URL's path is a symbolic link,
    // std::system_error when it cannot be examined.
    static void rejectSymbolicLink(const QUrl& url, const QString& description);

    // The form under which two vault names count as the same: surrounding white space trimmed,
    // diacritics removed (canonical decomposition without its combining marks) and Unicode case
    // folding applied. Folding does not depend on the user's locale, so a catalogue that is valid
    // on one machine stays valid on every other.
    static QString nameComparisonKey(const QString& name);

private:
    // The first rule `vault` breaks; `seenNames` gathers the names of the entries before it.
    static std::optional<QString> problemOf(const Vault& vault, const QString& storagePath, QSet<QString>& seenNames);

    // The name under which file-system failures of the catalogue itself are reported.
    QString catalogueName() const;

    QUrl registryURL_;
    QUrl storageDirectory_;
};
