#pragma once

#include "app/AppcastItem.h"

#include <QByteArray>
#include <QList>

#include <stdexcept>

// Reading a Sparkle-format update feed: an RSS channel whose items carry their version either
// as attributes of the enclosure (sparkle:version, sparkle:shortVersionString) or as
// <sparkle:version> and <sparkle:shortVersionString> elements of the item.
namespace Appcast {

// The feed is not XML, not an RSS channel, or announces no version at all.
class FormatError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// The items that carry a version, in feed order. Throws FormatError.
QList<AppcastItem> items(const QByteArray& feed);

// The item with the highest version. Throws FormatError.
AppcastItem newestItem(const QByteArray& feed);

} // namespace Appcast
