#pragma once

#include <QByteArrayView>
#include <QString>

// What a stand-in prints. Its caller reads standard output for results (property lists) and
// standard error for the reason of a failure.
class ToolOutput
{
public:
    static void result(QByteArrayView bytes);
    static void resultLine(const QString& line);
    static void failure(const QString& message);
};
