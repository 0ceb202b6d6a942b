#include "support/PrivateSessionBus.h"

PrivateSessionBus::PrivateSessionBus()
{
    daemon_.start(QStringLiteral("/usr/bin/dbus-daemon"),
                  {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
    if (!daemon_.waitForStarted(10'000)) {
        return;
    }
    while (!daemon_.canReadLine() && daemon_.waitForReadyRead(10'000)) {
    }
    address_ = QString::fromLatin1(daemon_.readLine()).trimmed();
}

PrivateSessionBus::~PrivateSessionBus()
{
    daemon_.terminate();
    if (!daemon_.waitForFinished(5'000)) {
        daemon_.kill();
        daemon_.waitForFinished();
    }
}
