#pragma once

#include <QString>

#include <array>
#include <chrono>
#include <optional>

// The system tools Kovara runs. Each has a fixed absolute executable, the display name used in
// error texts and a time-out (none for ditto, which runs until it exits or is cancelled).
enum class SystemTool {
    hdiutil,
    diskutil,
    mdutil,
    ditto,
    chflags
};

struct SystemToolSpec
{
    QString executable;
    QString displayName;
    std::optional<std::chrono::milliseconds> timeout;
};

// Maps every SystemTool to its spec. Production code always uses `fixed()`; tests build a table
// whose executables are fake tool scripts with short time-outs.
class SystemToolTable
{
public:
    // The disk-image stand-ins (kovara-hdiutil, ...) of the running executable, resolved once,
    // never through a search path. Display names stay the tools' own (they appear in error texts).
    static const SystemToolTable& fixed();
    // The stand-ins of a program in `executableFolder`: beside it in a build folder, else in the
    // private tools folder an installation puts them in (../libexec/kovara from the program).
    static SystemToolTable forExecutableIn(const QString& executableFolder);

    SystemToolTable(std::array<SystemToolSpec, 5> specs);

    const SystemToolSpec& spec(SystemTool tool) const;

private:
    std::array<SystemToolSpec, 5> specs_;
};
