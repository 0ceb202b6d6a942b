#pragma once

#include <QString>

#include <system_error>

// POSIX failures are thrown as std::system_error in this category, whose messages are the
// Brazilian Portuguese texts of the C library (the machine may not have the pt_BR locale).
const std::error_category& posixCategory();

// Throws the failure `errorNumber` in posixCategory(): a PathError naming `path`, the file or
// folder it is about, or a bare std::system_error when it is about no file.
[[noreturn]] void throwPosixError(int errorNumber, const QString& path = {});

// The Portuguese text for a POSIX error number.
QString posixErrorText(int errorNumber);
