#pragma once

#include <QString>

// A recovery key as a person types it back: 64 hexadecimal digits, upper or lower case, in any
// grouping of dashes and white space.
namespace RecoveryKeyText {

constexpr int digitCount = 64;

bool isWellFormed(const QString& text);

} // namespace RecoveryKeyText
