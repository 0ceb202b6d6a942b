#include "support/XvfbDisplay.h"

XvfbDisplay::XvfbDisplay()
{
    // With -displayfd the server picks a free display itself and writes its number on that
    // descriptor once it accepts connections: no guessing, no race with other tests.
    server_.start(QStringLiteral("/usr/bin/Xvfb"),
                  {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"),
                   QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"),
                   QStringLiteral("1280x800x24")});
    if (!server_.waitForStarted(10'000)) {
        return;
    }
    while (!server_.canReadLine() && server_.waitForReadyRead(20'000)) {
    }
    const QString number = QString::fromLatin1(server_.readLine()).trimmed();
    if (!number.isEmpty()) {
        name_ = QLatin1Char(':') + number;
    }
}

XvfbDisplay::~XvfbDisplay()
{
    server_.terminate();
    if (!server_.waitForFinished(5'000)) {
        server_.kill();
        server_.waitForFinished();
    }
}
