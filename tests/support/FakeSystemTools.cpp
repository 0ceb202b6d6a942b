#include "support/FakeSystemTools.h"

#include <QDir>
#include <QFile>

#include <algorithm>

namespace {

constexpr SystemTool allTools[] = {SystemTool::hdiutil, SystemTool::diskutil, SystemTool::mdutil, SystemTool::ditto,
                                   SystemTool::chflags};

// A fake tool's file: the name of the macOS program it stands for ("hdiutil" for kovara-hdiutil).
QString nameOf(SystemTool tool)
{
    return SystemToolTable::fixed().spec(tool).displayName.mid(qsizetype(qstrlen("kovara-")));
}

// Calls are numbered across all tools; each tool counts its own answers. The runner starts one
// tool at a time, so the counters need no locking.
const char* recordingScript = R"script(tool='%1'
n=$(( $(cat calls/count 2>/dev/null || echo 0) + 1 ))
echo "$n" > calls/count
call="calls/$n"
mkdir "$call"
echo "$tool" > "$call/tool"
for argument in "$@"; do printf '%s\0' "$argument"; done > "$call/arguments"
cat > "$call/stdin"
k=$(( $(cat "answers/$tool/used" 2>/dev/null || echo 0) + 1 ))
echo "$k" > "answers/$tool/used"
answer="answers/$tool/$k"
[ -d "$answer" ] || answer="answers/$tool/always"
[ -f "$answer/effect" ] && . "./$answer/effect"
[ -f "$answer/stdout" ] && cat "$answer/stdout"
[ -f "$answer/stderr" ] && cat "$answer/stderr" >&2
exit "$(cat "$answer/status" 2>/dev/null || echo 0)")script";

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
        qFatal("cannot write %s", qPrintable(path));
    }
}

} // namespace

FakeSystemTools::FakeSystemTools() : folder_(QDir::tempPath() + QStringLiteral("/kovara-fake-tools-XXXXXX"))
{
    QDir(path()).mkpath(QStringLiteral("calls"));
    for (SystemTool tool : allTools) {
        QDir(path()).mkpath(QStringLiteral("answers/") + nameOf(tool));
        writeScript(nameOf(tool), QString::fromUtf8(recordingScript).arg(nameOf(tool)).toUtf8());
    }
}

QByteArray FakeSystemTools::read(const QString& name) const
{
    QFile file(filePath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::optional<pid_t> FakeSystemTools::recordedPid(const QString& name) const
{
    bool isNumber = false;
    const int pid = read(name).trimmed().toInt(&isNumber);
    return isNumber && pid > 1 ? std::optional<pid_t>(pid) : std::nullopt;
}

QString FakeSystemTools::writeScript(const QString& name, const QByteArray& body)
{
    writeAll(filePath(name), "#!/bin/sh\ncd '" + QFile::encodeName(path()) + "' || exit 99\n" + body + "\n");
    QFile::setPermissions(filePath(name), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return filePath(name);
}

SystemToolTable FakeSystemTools::table(std::chrono::milliseconds timeout,
                                       std::optional<std::chrono::milliseconds> chflagsTimeout) const
{
    const auto fake = [this](SystemTool tool, std::optional<std::chrono::milliseconds> limit) {
        return SystemToolSpec{filePath(nameOf(tool)), SystemToolTable::fixed().spec(tool).displayName, limit};
    };
    return SystemToolTable({fake(SystemTool::hdiutil, timeout), fake(SystemTool::diskutil, timeout),
                            fake(SystemTool::mdutil, timeout), fake(SystemTool::ditto, std::nullopt),
                            fake(SystemTool::chflags, chflagsTimeout.value_or(timeout))});
}

void FakeSystemTools::answerNext(SystemTool tool, const Answer& answer)
{
    // Answers are numbered by call; calls already answered by the standing answer count too.
    const int used = read(QStringLiteral("answers/%1/used").arg(nameOf(tool))).trimmed().toInt();
    int& last = queued_[tool];
    last = std::max(last, used) + 1;
    writeAnswer(QStringLiteral("answers/%1/%2").arg(nameOf(tool)).arg(last), answer);
}

void FakeSystemTools::answerAlways(SystemTool tool, const Answer& answer)
{
    QDir(filePath(QStringLiteral("answers/%1/always").arg(nameOf(tool)))).removeRecursively();
    writeAnswer(QStringLiteral("answers/%1/always").arg(nameOf(tool)), answer);
}

void FakeSystemTools::writeAnswer(const QString& folder, const Answer& answer)
{
    QDir(path()).mkpath(folder);
    writeAll(filePath(folder + QStringLiteral("/status")), QByteArray::number(answer.status));
    writeAll(filePath(folder + QStringLiteral("/stdout")), answer.standardOutput);
    writeAll(filePath(folder + QStringLiteral("/stderr")), answer.standardError);
    if (!answer.effect.isEmpty()) {
        writeAll(filePath(folder + QStringLiteral("/effect")), answer.effect.toUtf8());
    }
}

QList<FakeSystemTools::Call> FakeSystemTools::calls(std::optional<SystemTool> tool) const
{
    QList<Call> calls;
    const int count = read(QStringLiteral("calls/count")).trimmed().toInt();
    for (int index = 1; index <= count; ++index) {
        const QString call = QStringLiteral("calls/%1/").arg(index);
        const QString toolName = QString::fromUtf8(read(call + QStringLiteral("tool")).trimmed());
        const auto found = std::find_if(std::begin(allTools), std::end(allTools),
                                        [&](SystemTool candidate) { return nameOf(candidate) == toolName; });
        if (found == std::end(allTools)) {
            break; // read while a tool runs: its call is counted but not yet written
        }
        const SystemTool recorded = *found;
        if (tool && recorded != *tool) {
            continue;
        }
        QList<QByteArray> arguments = read(call + QStringLiteral("arguments")).split('\0');
        arguments.removeLast(); // after the final NUL
        calls.append({recorded, {}, read(call + QStringLiteral("stdin"))});
        for (const QByteArray& argument : arguments) {
            calls.last().arguments.append(QString::fromUtf8(argument));
        }
    }
    return calls;
}
