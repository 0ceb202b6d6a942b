#pragma once

#include "support/FakeToolFolder.h"
#include "system/SystemTool.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

// Fake system tools for fault injection: one script per tool in a FakeToolFolder that records its
// argument vector and standard input and answers as scripted, call by call. `table()` points a
// runner at them.
class FakeSystemTools
{
public:
    struct Answer
    {
        int status = 0;
        QByteArray standardOutput;
        QByteArray standardError;
        // A shell fragment run before answering, with the tool's arguments in "$@" (to create
        // or remove files as the real tool would, or to wait).
        QString effect;

        Answer& withStatus(int value) { status = value; return *this; }
        Answer& withOutput(QByteArray bytes) { standardOutput = std::move(bytes); return *this; }
        Answer& withError(QByteArray bytes) { standardError = std::move(bytes); return *this; }
        Answer& withEffect(QString fragment) { effect = std::move(fragment); return *this; }
    };

    struct Call
    {
        SystemTool tool;
        QStringList arguments;
        QByteArray standardInput;
    };

    FakeSystemTools();

    // Every tool is its fake script, displayed under its real name, with a time-out long enough
    // for a loaded machine (none for ditto, as in production).
    SystemToolTable table() const;

    // Queues the answer to the tool's next unanswered call.
    void answerNext(SystemTool tool, const Answer& answer);
    // The answer once the queue is used up; until set, status 0 with no output.
    void answerAlways(SystemTool tool, const Answer& answer);

    // Every call so far, in the order the tools were started.
    QList<Call> calls() const;
    QList<Call> calls(SystemTool tool) const;

    static QString name(SystemTool tool);

private:
    void writeAnswer(const QString& folder, const Answer& answer);

    FakeToolFolder folder_;
    QMap<SystemTool, int> queued_;
};
