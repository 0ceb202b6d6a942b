#pragma once

#include <QDateTime>
#include <QString>
#include <QUrl>
#include <QUuid>

// An image in the storage folder that no catalogue entry names, though it is named like one of
// Kovara's own: an app stopped between creating an image and cataloguing it leaves one. It is
// offered back to the user, never deleted silently.
struct FoundVaultImage
{
    QUuid id;     // read from the image's name, `<lower-case id>.sparsebundle`
    QString name; // the volume name kept in the image's metadata
    QUrl imageURL;
    QDateTime createdAt; // when its metadata was written, which is when the image was created

    bool operator==(const FoundVaultImage&) const = default;
};
