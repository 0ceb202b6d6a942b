#include "model/Vault.h"

#include <QTimeZone>

#include <cmath>

namespace {

// Dates are stored as seconds relative to 2001-01-01 00:00:00 UTC, the reference the catalogue
// format has always used, so catalogues stay readable by every version.
QDateTime referenceDate()
{
    return QDateTime(QDate(2001, 1, 1), QTime(0, 0), QTimeZone::utc());
}

// Beyond this the millisecond count would overflow; no real creation date comes near it.
constexpr double largestStoredSeconds = 1.0e15;

QString requiredString(const QJsonObject& object, QLatin1StringView key)
{
    const QJsonValue value = object.value(key);
    if (!value.isString()) {
        throw Vault::catalogueFormatError();
    }
    return value.toString();
}

// Only the canonical 8-4-4-4-12 form (either letter case) is an identifier; braces or other
// spellings that QUuid would also accept are not what the catalogue contains.
QUuid parseIdentifier(const QString& text)
{
    static const QString nilText = QStringLiteral("00000000-0000-0000-0000-000000000000");
    const QUuid id = QUuid::fromString(text);
    if (text.size() != nilText.size() || text.startsWith(QLatin1Char('{')) || (id.isNull() && text != nilText)) {
        throw Vault::catalogueFormatError();
    }
    return id;
}

} // namespace

QJsonObject Vault::toJson() const
{
    return QJsonObject{
        {QStringLiteral("createdAt"), static_cast<double>(referenceDate().msecsTo(createdAt)) / 1000.0},
        {QStringLiteral("id"), id.toString(QUuid::WithoutBraces).toUpper()},
        {QStringLiteral("imageURL"), imageURL.toString(QUrl::FullyEncoded)},
        {QStringLiteral("name"), name},
    };
}

Vault Vault::fromJson(const QJsonValue& value)
{
    if (!value.isObject()) {
        throw Vault::catalogueFormatError();
    }
    const QJsonObject object = value.toObject();

    const QUrl imageURL(requiredString(object, QLatin1StringView("imageURL")), QUrl::StrictMode);
    if (!imageURL.isValid()) {
        throw Vault::catalogueFormatError();
    }
    const QJsonValue createdAt = object.value(QLatin1StringView("createdAt"));
    if (!createdAt.isDouble() || !std::isfinite(createdAt.toDouble()) ||
        std::fabs(createdAt.toDouble()) > largestStoredSeconds) {
        throw Vault::catalogueFormatError();
    }
    // Milliseconds are the finest step QDateTime keeps; a finer fraction is rounded.
    const auto milliseconds = static_cast<qint64>(std::llround(createdAt.toDouble() * 1000.0));

    return Vault{
        parseIdentifier(requiredString(object, QLatin1StringView("id"))),
        requiredString(object, QLatin1StringView("name")),
        imageURL,
        referenceDate().addMSecs(milliseconds),
    };
}

std::runtime_error Vault::catalogueFormatError()
{
    return std::runtime_error("Não foi possível ler os dados porque eles não estão no formato correto.");
}
