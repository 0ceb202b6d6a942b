#pragma once

#include <system_error>

// POSIX failures are thrown as std::system_error in this category, whose messages are the
// Brazilian Portuguese texts of the C library (the machine may not have the pt_BR locale).
const std::error_category& posixCategory();
