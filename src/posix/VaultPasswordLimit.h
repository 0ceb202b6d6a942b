#pragma once

#include <cstddef>

// The longest password, in UTF-8 bytes, a vault can have. gocryptfs reads at most 2048 bytes of
// password line and the disk-image tool hands it two hex digits per password byte; the app
// refuses a longer password before any tool runs, and the tool refuses it too.
inline constexpr std::size_t vaultPasswordMaximumBytes = 1024;
