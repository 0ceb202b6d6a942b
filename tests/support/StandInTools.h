#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Runs the built disk-image stand-ins (kovara-hdiutil, kovara-diskutil, …), which sit beside the
// test program, as the app would: argument vector, bytes on standard input, both outputs kept.
class StandInTools
{
public:
    struct Run
    {
        int exitStatus = -1;
        QByteArray standardOutput;
        QByteArray standardError;
    };

    static QString path(const QString& tool);
    static Run run(const QString& tool, const QStringList& arguments, const QByteArray& standardInput = {});
};
