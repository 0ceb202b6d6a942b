#pragma once

#include "content/VaultFileCopyPlan.h"
#include "platform/SerialExecutor.h"

#include <QUrl>

#include <qcoro/qcorotask.h>

#include <functional>
#include <stop_token>

// Measures and copies one source item (a file, a folder tree, a package, a link) to one
// destination. It is the only place where file data is copied; it knows nothing of vaults,
// naming or staging. Every measurement and copy runs on its own worker, "com.kovara.file-copy",
// one at a time in submission order, so the caller's thread is never blocked by a copy.
class VaultFileCopyEngine
{
public:
    VaultFileCopyEngine();

    // Sums the sizes of the item's regular files from metadata alone (no link is followed, so a
    // link to a large folder counts 0). Throws a POSIX error naming the entry that failed (the
    // overflow error for a sum past the signed 64-bit range) or CancellationError, checked at
    // every entry.
    QCoro::Task<VaultFileCopyPlan> preflight(QUrl sourceURL, std::stop_token cancellation);

    // Copies the plan's item to `destination` (a path that does not exist yet, in an existing
    // folder) and returns the bytes of file data the copy holds. `progress` receives the running
    // total of bytes copied, on the awaiting thread, coalesced to the newest value (a slow
    // receiver never faces a backlog), with the final total delivered before this returns; it
    // must not throw. Cancellation stops the copy between chunks with CancellationError; this
    // returns only once the copy has stopped. A partial copy stays at `destination` for the
    // caller to remove.
    QCoro::Task<qint64> copyItem(VaultFileCopyPlan plan, QUrl destination, std::function<void(qint64)> progress,
                                 std::stop_token cancellation);

private:
    SerialExecutor queue_;
};
