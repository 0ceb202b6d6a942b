#include "app/TerminationController.h"

TerminationController::TerminationController(PrepareForTermination prepareForTermination, QObject* parent)
    : QObject(parent)
    , prepareForTermination_(std::move(prepareForTermination))
{
}

void TerminationController::requestTermination()
{
    if (isHandlingTermination_ || isTerminationApproved_) {
        return;
    }
    isHandlingTermination_ = true;
    QCoro::connect(attemptTermination(), this, [this](bool mayQuit) {
        isHandlingTermination_ = false;
        if (mayQuit) {
            isTerminationApproved_ = true;
            emit terminationApproved();
        } else {
            emit terminationRefused();
        }
    });
}

QCoro::Task<bool> TerminationController::attemptTermination()
{
    // The store reports its own failures; anything escaping it must still keep the app open,
    // since nothing then confirms that the vaults are locked.
    try {
        co_return co_await prepareForTermination_();
    } catch (...) {
        co_return false;
    }
}
