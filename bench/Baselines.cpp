#include "Baselines.h"

#include "disktools/Fusermount.h"
#include "disktools/Gocryptfs.h"
#include "posix/ChildProcess.h"

#include <QFile>

#include <stdexcept>

namespace {

std::string encoded(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

void runProgram(const std::string& executable, const std::vector<std::string>& arguments,
                std::optional<std::string_view> input = {},
                ChildProcess::Output output = ChildProcess::Output::captured)
{
    const ChildProcess::Program program{executable, executable.substr(executable.rfind('/') + 1), std::nullopt};
    // A program that leaves a daemon behind (gocryptfs) gets no pipe the daemon could keep open.
    const ChildProcess::Result result = ChildProcess::run(
        program, arguments, {.standardInput = input, .standardOutput = output, .standardError = output}, {});
    if (result.terminationStatus != 0) {
        std::string command = executable;
        for (const std::string& argument : arguments) {
            command += ' ' + argument;
        }
        throw std::runtime_error(command + " failed with status " + std::to_string(result.terminationStatus) + ": " +
                                 result.standardError);
    }
}

} // namespace

void Baselines::mountAndList(const QString& cipherDirectory, const QString& mountPoint, const QByteArray& passwordLine)
{
    runProgram(Gocryptfs::executable, {"-q", "-nosyslog", "--", encoded(cipherDirectory), encoded(mountPoint)},
               std::string_view(passwordLine.data(), static_cast<std::size_t>(passwordLine.size())),
               ChildProcess::Output::discarded);
    runProgram("/usr/bin/ls", {"-lA", "--", encoded(mountPoint)});
}

void Baselines::unmount(const QString& mountPoint)
{
    runProgram(Fusermount::executable, {"-u", "--", encoded(mountPoint)});
}

void Baselines::listLong(const QString& folder)
{
    runProgram("/usr/bin/ls", {"-l", "--", encoded(folder)}, {}, ChildProcess::Output::discarded);
}

void Baselines::copyArchive(const QString& source, const QString& destination)
{
    runProgram("/usr/bin/cp", {"-a", "--", encoded(source), encoded(destination)});
}
