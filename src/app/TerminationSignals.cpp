#include "app/TerminationSignals.h"

#include "app/TerminationController.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>

TerminationSignals::TerminationSignals(TerminationController& controller, QObject* parent)
    : QObject(parent)
    , controller_(controller)
    , log_(QStringLiteral("KovaraApp"))
{
    if (signals_.isValid()) {
        notifier_ = new QSocketNotifier(signals_.readFd(), QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::handleArrivedSignals);
    }
    // The session manager asks before the session ends; the vaults lock while it waits.
    connect(qGuiApp, &QGuiApplication::commitDataRequest, &controller_,
            [this](QSessionManager&) { controller_.requestTermination(); });
}

void TerminationSignals::handleArrivedSignals()
{
    while (const int signalNumber = signals_.takeSignal()) {
        if (controller_.isHandlingTermination()) {
            log_.error(QStringLiteral("Sinal %1 recebido enquanto os cofres já estavam sendo bloqueados; ele foi "
                                      "ignorado."),
                       {SystemLog::Value::publicValue(QString::number(signalNumber))});
            continue;
        }
        controller_.requestTermination();
    }
}
