#pragma once

#include "system/SystemTool.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <chrono>
#include <optional>

// A temporary folder of fake tools: small /bin/sh scripts that record what they were given and
// answer as a test tells them, for injecting the faults real tools rarely produce.
class FakeToolFolder
{
public:
    FakeToolFolder();

    QString path() const { return folder_.path(); }
    QString filePath(const QString& name) const { return folder_.filePath(name); }

    // Writes an executable /bin/sh script `name` that runs `body` in this folder (so the files it
    // writes with relative names land here); returns its path.
    QString writeScript(const QString& name, const QByteArray& body);

    // A table whose every tool is the script named after its display name in this folder (write it
    // with writeScript), with `timeout` for every tool but ditto, which has none.
    // `chflagsTimeout`, when given, replaces `timeout` for chflags alone: a time-out case can then be
    // quick while the other tools keep a limit that a loaded machine never reaches.
    SystemToolTable toolTable(std::chrono::milliseconds timeout,
                              std::optional<std::chrono::milliseconds> chflagsTimeout = std::nullopt) const;

    // The file's bytes, or an empty array when it does not exist.
    QByteArray read(const QString& name) const;

private:
    QTemporaryDir folder_;
};
