#pragma once

#include "posix/SignalPipe.h"
#include "platform/SystemLog.h"

#include <QObject>

class QSocketNotifier;
class TerminationController;

// SIGTERM (logging out, a system shutdown), SIGINT (Ctrl+C in a terminal) and SIGHUP (the
// terminal closing), and the end of the desktop session, take the path of the Quit command:
// Kovara locks every vault before it exits, instead of dying with the vaults left open. A further
// signal while that runs forces nothing; it is only logged.
class TerminationSignals : public QObject
{
public:
    explicit TerminationSignals(TerminationController& controller, QObject* parent = nullptr);

private:
    void handleArrivedSignals();

    TerminationController& controller_;
    SignalPipe signals_;
    QSocketNotifier* notifier_ = nullptr;
    SystemLog log_;
};
