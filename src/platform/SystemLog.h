#pragma once

#include <QString>

#include <functional>
#include <initializer_list>

// The system log (syslog, read through journald) under the ident "com.kovara.mac". Like the
// unified log it stands in for, a message marks each inserted value as public or private, and a
// private value is never written: the log shows "<private>" in its place.
class SystemLog
{
public:
    class Value
    {
    public:
        static Value publicValue(QString text);
        // The text is dropped here, so it cannot reach the log by any later path.
        static Value privateValue(const QString& text);

        const QString& written() const { return written_; }

    private:
        explicit Value(QString written) : written_(std::move(written)) {}
        QString written_;
    };

    // Where finished lines go; syslog unless a test looks at them instead.
    using Sink = std::function<void(int priority, const QString& line)>;

    explicit SystemLog(QString category);

    // Writes "<category>: <format>" at error level with %1, %2, … replaced by the values.
    void error(const QString& format, std::initializer_list<Value> values) const;

    // Installs `sink` for the whole process and returns the one it replaces.
    static Sink replaceSink(Sink sink);

private:
    QString category_;
};
