#pragma once

#include <chrono>
#include <string>

// The note the eject tool leaves in the private mount base when it hands a volume straight to
// fusermount3 by becoming it: the tool is then gone and cannot name the programs that hold a
// busy volume. The app asks again a moment later when a volume was busy; a note for the same
// volume, still fresh, tells the tool this is such a second attempt, which it makes the slower
// way that waits for fusermount3 and names the holders. A note is only a hint: none makes an eject
// fast, a stale one at most makes it careful, and a new mount at the same place forgets it.
class EjectAttemptNote
{
public:
    // The app's further attempts follow within two seconds.
    static constexpr std::chrono::seconds freshness{10};

    // True when a note younger than `freshness` names `mountPoint`.
    static bool followsAttemptOn(const std::string& mountPoint);

    // Leaves the note for `mountPoint`, replacing any other; false when it could not be written.
    static bool leave(const std::string& mountPoint);

    // Removes the note when it names `mountPoint`.
    static void forget(const std::string& mountPoint);
};
