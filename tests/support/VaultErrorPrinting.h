#pragma once

#include "model/VaultError.h"

#include <ostream>

// Lets GoogleTest show a VaultError in a failed expectation as its kind and user text rather than
// as raw bytes.
inline void PrintTo(const VaultError& error, std::ostream* out)
{
    *out << "VaultError(" << static_cast<int>(error.kind()) << ": " << error.errorDescription().toStdString() << ")";
}
