#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QUrl>
#include <QUuid>

#include <stdexcept>

// One catalogue entry. Its image is always `Vaults.noindex/<lower-case id>.sparsebundle`.
struct Vault
{
    QUuid id;
    QString name;
    QUrl imageURL;
    QDateTime createdAt;

    // The catalogue object: exactly "createdAt" (seconds since 2001-01-01 00:00:00 UTC, a number),
    // "id" (upper-case canonical UUID text), "imageURL" (absolute, percent-encoded URL string)
    // and "name".
    QJsonObject toJson() const;

    // Reads a catalogue object. Keys other than the four are ignored, as a lenient reader of an
    // older or newer file should; a missing key or a value of the wrong kind throws
    // catalogueFormatError().
    static Vault fromJson(const QJsonValue& value);

    // What reading throws when the catalogue is not the JSON the application writes.
    static std::runtime_error catalogueFormatError();

    bool operator==(const Vault&) const = default;
};

inline size_t qHash(const Vault& vault, size_t seed = 0)
{
    return qHashMulti(seed, vault.id, vault.name, vault.imageURL, vault.createdAt);
}
