#include "platform/SystemLog.h"

#include <mutex>
#include <span>
#include <syslog.h>

namespace {

void writeToSyslog(int priority, const QString& line)
{
    static std::once_flag opened;
    // openlog keeps the ident pointer, so it must be a string that lives for the whole process.
    std::call_once(opened, [] { openlog("com.kovara.mac", LOG_PID, LOG_USER); });
    syslog(priority, "%s", line.toUtf8().constData());
}

std::mutex sinkMutex;
SystemLog::Sink currentSink = writeToSyslog;

// Replaces %1…%9 in one pass, so a value that itself contains "%2" is written as it stands.
QString substitute(const QString& format, std::span<const SystemLog::Value> values)
{
    QString line;
    for (qsizetype index = 0; index < format.size(); ++index) {
        const QChar character = format.at(index);
        if (character == QLatin1Char('%') && index + 1 < format.size() && format.at(index + 1).isDigit()) {
            const int position = format.at(index + 1).digitValue() - 1;
            if (position >= 0 && position < static_cast<int>(values.size())) {
                line += values[static_cast<std::size_t>(position)].written();
                ++index;
                continue;
            }
        }
        line += character;
    }
    return line;
}

} // namespace

SystemLog::Value SystemLog::Value::publicValue(QString text)
{
    return Value(std::move(text));
}

SystemLog::Value SystemLog::Value::privateValue(const QString&)
{
    return Value(QStringLiteral("<private>"));
}

SystemLog::SystemLog(QString category) : category_(std::move(category))
{
}

void SystemLog::error(const QString& format, std::initializer_list<Value> values) const
{
    const QString line =
        category_ + QStringLiteral(": ") + substitute(format, std::span<const Value>(values.begin(), values.size()));
    Sink sink;
    {
        std::lock_guard lock(sinkMutex);
        sink = currentSink;
    }
    sink(LOG_ERR, line);
}

SystemLog::Sink SystemLog::replaceSink(Sink sink)
{
    std::lock_guard lock(sinkMutex);
    return std::exchange(currentSink, std::move(sink));
}
