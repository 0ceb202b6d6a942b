#pragma once

#include <QtGlobal>

// This process's peak resident memory ("VmHWM" in /proc/self/status). Resetting it makes the
// peak the current resident size again, so a later reading is the peak of what ran since.
namespace PeakResidentMemory {

// False when the kernel does not offer the reset (/proc/self/clear_refs).
bool reset();
// In bytes; -1 when it cannot be read.
qint64 bytes();

} // namespace PeakResidentMemory
