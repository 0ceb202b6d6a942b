#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <optional>
#include <stop_token>

// Runs one helper program (gocryptfs, fusermount3) to its end: by absolute path, with an
// explicit argument vector, no shell, the caller's environment, default signal handling, no
// inherited descriptors beyond the three standard ones, and "/" as working folder. Standard output always goes to /dev/null (no
// helper's output is needed, and gocryptfs prints the master key there when it creates a
// volume). Standard error is either captured or sent to /dev/null too: a daemon that outlives
// its starter must never keep the stand-in's (and so the app's) pipes open.
class HelperProcess
{
public:
    struct Options
    {
        // Written once to the child's standard input, which is then closed; the caller wipes it.
        std::optional<QByteArrayView> standardInput;
        bool captureStandardError = false;
    };

    struct Result
    {
        int exitStatus = -1; // -1 when the child ended by a signal
        bool stopped = false; // ended because a stop was requested
        QByteArray standardError; // at most 64 KiB
    };

    // Waits for the child itself, not for the end of its standard error: a child that leaves a
    // daemon behind is done when it exits. A stop request sends SIGTERM, then SIGKILL after 2 s.
    // Throws ToolFailure when the program cannot be started.
    static Result run(const QString& executable, const QStringList& arguments, const Options& options,
                      std::stop_token stop);
};
