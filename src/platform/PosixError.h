#pragma once

#include "posix/PosixCategory.h"

#include <QString>

// Throws the failure `errorNumber` in posixCategory(): a PathError naming `path`, the file or
// folder it is about, or a bare std::system_error when it is about no file.
[[noreturn]] void throwPosixError(int errorNumber, const QString& path = {});

// The Portuguese text for a POSIX error number.
QString posixErrorText(int errorNumber);
