#pragma once

#include <QString>
#include <QUrl>

// One release announced by an update feed.
struct AppcastItem
{
    // The version compared with the running one.
    QString version;
    // The version shown to people; the compared version when the feed gives none.
    QString displayVersion;
    // Where the release is downloaded (its enclosure, else the item's link); may be empty.
    QUrl downloadURL;

    bool operator==(const AppcastItem&) const = default;
};
