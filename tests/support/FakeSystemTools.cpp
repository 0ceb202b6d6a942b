#include "support/FakeSystemTools.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <chrono>

namespace {

constexpr SystemTool allTools[] = {SystemTool::hdiutil, SystemTool::diskutil, SystemTool::mdutil, SystemTool::ditto,
                                   SystemTool::chflags};

// Calls are numbered across all tools; each tool counts its own answers. The runner starts one
// tool at a time, so the counters need no locking.
const char* script = R"script(#!/bin/sh
dir='%1'
tool='%2'
n=$(( $(cat "$dir/calls/count" 2>/dev/null || echo 0) + 1 ))
echo "$n" > "$dir/calls/count"
call="$dir/calls/$n"
mkdir "$call"
echo "$tool" > "$call/tool"
for argument in "$@"; do printf '%s\0' "$argument"; done > "$call/arguments"
cat > "$call/stdin"
k=$(( $(cat "$dir/answers/$tool/used" 2>/dev/null || echo 0) + 1 ))
echo "$k" > "$dir/answers/$tool/used"
answer="$dir/answers/$tool/$k"
[ -d "$answer" ] || answer="$dir/answers/$tool/always"
[ -f "$answer/effect" ] && . "$answer/effect"
[ -f "$answer/stdout" ] && cat "$answer/stdout"
[ -f "$answer/stderr" ] && cat "$answer/stderr" >&2
exit "$(cat "$answer/status" 2>/dev/null || echo 0)"
)script";

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.write(bytes);
    }
}

} // namespace

FakeSystemTools::FakeSystemTools()
{
    QDir root(directory_.path());
    root.mkpath(QStringLiteral("calls"));
    for (SystemTool tool : allTools) {
        root.mkpath(QStringLiteral("answers/") + name(tool));
        const QString path = root.filePath(name(tool));
        writeAll(path, QString::fromUtf8(script).arg(directory_.path(), name(tool)).toUtf8());
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}

QString FakeSystemTools::name(SystemTool tool)
{
    switch (tool) {
    case SystemTool::hdiutil: return QStringLiteral("hdiutil");
    case SystemTool::diskutil: return QStringLiteral("diskutil");
    case SystemTool::mdutil: return QStringLiteral("mdutil");
    case SystemTool::ditto: return QStringLiteral("ditto");
    case SystemTool::chflags: return QStringLiteral("chflags");
    }
    return {};
}

SystemToolTable FakeSystemTools::table() const
{
    using namespace std::chrono_literals;
    const auto spec = [this](SystemTool tool, std::optional<std::chrono::milliseconds> timeout) {
        return SystemToolSpec{directory_.filePath(name(tool)), name(tool), timeout};
    };
    return SystemToolTable({spec(SystemTool::hdiutil, 60s), spec(SystemTool::diskutil, 60s),
                            spec(SystemTool::mdutil, 60s), spec(SystemTool::ditto, std::nullopt),
                            spec(SystemTool::chflags, 60s)});
}

void FakeSystemTools::answerNext(SystemTool tool, const Answer& answer)
{
    // Answers are numbered by call; calls already answered by the standing answer count too.
    const int used = readAll(directory_.filePath(QStringLiteral("answers/%1/used").arg(name(tool)))).trimmed().toInt();
    int& last = queued_[tool];
    last = std::max(last, used) + 1;
    const int index = last;
    writeAnswer(QStringLiteral("answers/%1/%2").arg(name(tool)).arg(index), answer);
}

void FakeSystemTools::answerAlways(SystemTool tool, const Answer& answer)
{
    QDir(directory_.filePath(QStringLiteral("answers/%1/always").arg(name(tool)))).removeRecursively();
    writeAnswer(QStringLiteral("answers/%1/always").arg(name(tool)), answer);
}

void FakeSystemTools::writeAnswer(const QString& folder, const Answer& answer)
{
    QDir root(directory_.path());
    root.mkpath(folder);
    writeAll(root.filePath(folder + QStringLiteral("/status")), QByteArray::number(answer.status));
    writeAll(root.filePath(folder + QStringLiteral("/stdout")), answer.standardOutput);
    writeAll(root.filePath(folder + QStringLiteral("/stderr")), answer.standardError);
    if (!answer.effect.isEmpty()) {
        writeAll(root.filePath(folder + QStringLiteral("/effect")), answer.effect.toUtf8());
    }
}

QList<FakeSystemTools::Call> FakeSystemTools::calls() const
{
    QList<Call> calls;
    const int count = readAll(directory_.filePath(QStringLiteral("calls/count"))).trimmed().toInt();
    for (int index = 1; index <= count; ++index) {
        const QString folder = directory_.filePath(QStringLiteral("calls/%1/").arg(index));
        const QString toolName = QString::fromUtf8(readAll(folder + QStringLiteral("tool")).trimmed());
        Call call{SystemTool::ditto, {}, readAll(folder + QStringLiteral("stdin"))};
        for (SystemTool tool : allTools) {
            if (name(tool) == toolName) {
                call.tool = tool;
            }
        }
        QList<QByteArray> arguments = readAll(folder + QStringLiteral("arguments")).split('\0');
        arguments.removeLast(); // after the final NUL
        for (const QByteArray& argument : arguments) {
            call.arguments.append(QString::fromUtf8(argument));
        }
        calls.append(call);
    }
    return calls;
}

QList<FakeSystemTools::Call> FakeSystemTools::calls(SystemTool tool) const
{
    QList<Call> selected;
    for (const Call& call : calls()) {
        if (call.tool == tool) {
            selected.append(call);
        }
    }
    return selected;
}
