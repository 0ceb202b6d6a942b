#include "support/FakeSystemTools.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <chrono>

namespace {

constexpr SystemTool allTools[] = {SystemTool::hdiutil, SystemTool::diskutil, SystemTool::mdutil, SystemTool::ditto,
                                   SystemTool::chflags};

// Runs in the tool folder. Calls are numbered across all tools; each tool counts its own
// answers. The runner starts one tool at a time, so the counters need no locking.
const char* scriptBody = R"script(tool='%1'
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
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        qFatal("cannot write %s", qPrintable(path));
    }
    file.write(bytes);
}

} // namespace

FakeSystemTools::FakeSystemTools()
{
    QDir root(folder_.path());
    root.mkpath(QStringLiteral("calls"));
    for (SystemTool tool : allTools) {
        root.mkpath(QStringLiteral("answers/") + name(tool));
        folder_.writeScript(name(tool), QString::fromUtf8(scriptBody).arg(name(tool)).toUtf8());
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
    return folder_.toolTable(std::chrono::seconds(60));
}

void FakeSystemTools::answerNext(SystemTool tool, const Answer& answer)
{
    // Answers are numbered by call; calls already answered by the standing answer count too.
    const int used = folder_.read(QStringLiteral("answers/%1/used").arg(name(tool))).trimmed().toInt();
    int& last = queued_[tool];
    last = std::max(last, used) + 1;
    writeAnswer(QStringLiteral("answers/%1/%2").arg(name(tool)).arg(last), answer);
}

void FakeSystemTools::answerAlways(SystemTool tool, const Answer& answer)
{
    QDir(folder_.filePath(QStringLiteral("answers/%1/always").arg(name(tool)))).removeRecursively();
    writeAnswer(QStringLiteral("answers/%1/always").arg(name(tool)), answer);
}

void FakeSystemTools::writeAnswer(const QString& folder, const Answer& answer)
{
    QDir(folder_.path()).mkpath(folder);
    writeAll(folder_.filePath(folder + QStringLiteral("/status")), QByteArray::number(answer.status));
    writeAll(folder_.filePath(folder + QStringLiteral("/stdout")), answer.standardOutput);
    writeAll(folder_.filePath(folder + QStringLiteral("/stderr")), answer.standardError);
    if (!answer.effect.isEmpty()) {
        writeAll(folder_.filePath(folder + QStringLiteral("/effect")), answer.effect.toUtf8());
    }
}

QList<FakeSystemTools::Call> FakeSystemTools::calls() const
{
    QList<Call> calls;
    const int count = folder_.read(QStringLiteral("calls/count")).trimmed().toInt();
    for (int index = 1; index <= count; ++index) {
        const QString call = QStringLiteral("calls/%1/").arg(index);
        const QString toolName = QString::fromUtf8(folder_.read(call + QStringLiteral("tool")).trimmed());
        const auto tool = std::find_if(std::begin(allTools), std::end(allTools),
                                       [&](SystemTool candidate) { return name(candidate) == toolName; });
        Call recorded{*tool, {}, folder_.read(call + QStringLiteral("stdin"))};
        QList<QByteArray> arguments = folder_.read(call + QStringLiteral("arguments")).split('\0');
        arguments.removeLast(); // after the final NUL
        for (const QByteArray& argument : arguments) {
            recorded.arguments.append(QString::fromUtf8(argument));
        }
        calls.append(recorded);
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
