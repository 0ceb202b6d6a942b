#pragma once

#include <string>

// A new image is built under a temporary name beside its final place and renamed into place only
// when complete, so a create that is killed never leaves a half-made image under a real image's
// name. While a create runs it holds a lock on its temporary folder; a temporary folder nobody
// holds was left by a create that died, and the next create or refresh removes it.
namespace UnfinishedImages {

// A fresh, hidden temporary name in the folder of `finalPath`, a clean path. Throws the POSIX error (naming
// `finalPath`) when the system has no random bytes to give.
std::string temporaryPathFor(const std::string& finalPath);

// Removes every temporary image folder in `folder` that no running create holds. Best effort:
// what cannot be removed now is tried again next time.
void removeAbandoned(const std::string& folder);

} // namespace UnfinishedImages
