#pragma once

#include "model/VaultError.h"
#include "model/VaultSession.h"

#include <QString>
#include <QUuid>

#include <ostream>

// Lets test failures print Qt values and vault errors as text rather than as raw bytes.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QUuid& id, std::ostream* out)
{
    *out << id.toString(QUuid::WithoutBraces).toStdString();
}

inline void PrintTo(const VaultError& error, std::ostream* out)
{
    *out << "VaultError(" << static_cast<int>(error.kind()) << ": " << error.errorDescription().toStdString() << ")";
}

inline void PrintTo(const VaultSession& session, std::ostream* out)
{
    *out << "VaultSession(" << session.vaultID.toString(QUuid::WithoutBraces).toStdString() << ", "
         << session.mountPoint.toString().toStdString() << ", " << session.deviceEntry.toStdString() << ")";
}
