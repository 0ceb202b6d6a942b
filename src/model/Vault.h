#pragma once

#include <QDateTime>
#include <QString>
#include <QUrl>
#include <QUuid>

// One catalogue entry. Its image is always `Vaults.noindex/<lower-case id>.sparsebundle`.
struct Vault
{
    QUuid id;
    QString name;
    QUrl imageURL;
    QDateTime createdAt;

    bool operator==(const Vault&) const = default;
};

inline size_t qHash(const Vault& vault, size_t seed = 0)
{
    return qHashMulti(seed, vault.id, vault.name, vault.imageURL, vault.createdAt);
}
