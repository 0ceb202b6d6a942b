#pragma once

#include "system/SystemTool.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <chrono>
#include <optional>

#include <sys/types.h>

// Fake system tools for fault injection: a temporary folder holding one /bin/sh script per tool
// that records its argument vector and standard input and answers as scripted, call by call.
// A test may also write scripts of its own (a tool that hangs, floods its output, ...).
class FakeSystemTools
{
public:
    struct Answer
    {
        int status = 0;
        QByteArray standardOutput{};
        QByteArray standardError{};
        // A shell fragment run before answering, with the tool's arguments in "$@" (to create
        // or remove files as the real tool would).
        QString effect{};
    };

    struct Call
    {
        SystemTool tool;
        QStringList arguments;
        QByteArray standardInput;
    };

    FakeSystemTools();

    QString path() const { return folder_.path(); }
    QString filePath(const QString& name) const { return folder_.filePath(name); }
    // The file's bytes, or an empty array when it does not exist.
    QByteArray read(const QString& name) const;
    // The pid a script recorded in the file `name`; none when it holds no pid. Never 0 or -1,
    // which kill(2) takes as this whole process group (ctest with it) or every process.
    std::optional<pid_t> recordedPid(const QString& name) const;

    // Writes an executable script `name` running `body` in this folder (so the files it writes
    // with relative names land here), replacing the recording script of that name; returns its path.
    QString writeScript(const QString& name, const QByteArray& body);

    // Every tool is the script named after its display name here, with `timeout` (none for ditto,
    // as in production); `chflagsTimeout` replaces it for chflags alone, so a time-out case can be
    // quick while the other tools keep a limit a loaded machine never reaches.
    SystemToolTable table(std::chrono::milliseconds timeout = std::chrono::seconds(60),
                          std::optional<std::chrono::milliseconds> chflagsTimeout = std::nullopt) const;

    // Queues the answer to the tool's next unanswered call.
    void answerNext(SystemTool tool, const Answer& answer);
    // The answer once the queue is used up; until set, status 0 with no output.
    void answerAlways(SystemTool tool, const Answer& answer);

    // The recorded calls (of one tool, or of all), in the order the tools were started.
    QList<Call> calls(std::optional<SystemTool> tool = std::nullopt) const;

private:
    void writeAnswer(const QString& folder, const Answer& answer);

    QTemporaryDir folder_;
    QMap<SystemTool, int> queued_;
};
