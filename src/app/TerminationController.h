#pragma once

#include <QObject>

#include <qcoro/qcorotask.h>

#include <functional>

// Holds every request to quit (the Quit action, closing the window) until the store has
// locked every vault. Only one attempt runs at a time: asking again meanwhile starts nothing,
// since the running attempt will answer.
class TerminationController : public QObject
{
    Q_OBJECT

public:
    // Cancels what runs and locks every vault; true when the application may quit.
    using PrepareForTermination = std::function<QCoro::Task<bool>()>;

    explicit TerminationController(PrepareForTermination prepareForTermination, QObject* parent = nullptr);

    bool isHandlingTermination() const { return isHandlingTermination_; }
    // Every vault was locked and the application is quitting: nothing may hold it back now.
    bool isTerminationApproved() const { return isTerminationApproved_; }

    void requestTermination();

signals:
    // Every vault is locked: the application quits now.
    void terminationApproved();
    // Something stayed unlocked: the application stays, its window in front showing why.
    void terminationRefused();

private:
    QCoro::Task<bool> attemptTermination();

    PrepareForTermination prepareForTermination_;
    bool isHandlingTermination_ = false;
    bool isTerminationApproved_ = false;
};
