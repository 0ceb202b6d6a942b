#pragma once

#include <QList>
#include <QUrl>

// Access to files the user picked or the file manager handed over, held for as long as an
// operation reads them and given back when the holder is destroyed. A sandboxed program must ask
// for such access before reading and give it back afterwards; Kovara on Linux is not sandboxed,
// so asking always succeeds and giving back does nothing. The pairing is kept all the same, so
// that every path that starts access (an import, a create with an initial folder) also ends it,
// whatever happens to the store meanwhile.
class SecurityScopedAccess
{
public:
    explicit SecurityScopedAccess(QList<QUrl> urls) : accessedURLs_(std::move(urls)) {}

    SecurityScopedAccess(const SecurityScopedAccess&) = delete;
    SecurityScopedAccess& operator=(const SecurityScopedAccess&) = delete;

private:
    // Every location asked for: without a sandbox none is refused.
    QList<QUrl> accessedURLs_;
};
