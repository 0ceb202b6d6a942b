#pragma once

#include <QString>

#include <system_error>

// POSIX failures are thrown as std::system_error in this category, whose messages are the
// Brazilian Portuguese texts of the C library (the machine may not have the pt_BR locale).
const std::error_category& posixCategory();

// Throws std::system_error for `errorNumber` in posixCategory(), with `context` (a path or the
// failing call) as what() prefix for diagnostics; the user sees only the category's message.
[[noreturn]] void throwPosixError(int errorNumber, const QString& context = {});

// The Portuguese text for a POSIX error number.
QString posixErrorText(int errorNumber);
