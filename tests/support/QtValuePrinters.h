#pragma once

#include <QString>
#include <QUuid>

#include <optional>
#include <ostream>

// Lets test failures print Qt values as text rather than as raw bytes.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QUuid& id, std::ostream* out)
{
    *out << id.toString(QUuid::WithoutBraces).toStdString();
}
