#include "app/TerminationController.h"

#include <QSignalSpy>

#include <qcoro/qcorosignal.h>

#include <gtest/gtest.h>

namespace {

// Stands in for the store's locking at quit: each attempt waits until the test answers it.
class LockingAtQuit : public QObject
{
    Q_OBJECT

public:
    int attempts = 0;

    QCoro::Task<bool> prepareForTermination()
    {
        ++attempts;
        co_return co_await qCoro(this, &LockingAtQuit::answered);
    }

signals:
    void answered(bool everyVaultLocked);
};

TEST(TerminationController, AQuitWhileOneRunsStartsNothingAndARefusalAllowsAnotherTry)
{
    LockingAtQuit locking;
    TerminationController controller([&locking] { return locking.prepareForTermination(); });
    QSignalSpy approved(&controller, &TerminationController::terminationApproved);
    QSignalSpy refused(&controller, &TerminationController::terminationRefused);

    controller.requestTermination();
    controller.requestTermination();
    EXPECT_EQ(locking.attempts, 1);
    EXPECT_TRUE(controller.isHandlingTermination());

    emit locking.answered(false);
    ASSERT_TRUE(refused.count() == 1 || refused.wait(5'000));
    EXPECT_TRUE(approved.isEmpty());
    EXPECT_FALSE(controller.isHandlingTermination());

    controller.requestTermination();
    EXPECT_EQ(locking.attempts, 2);
    emit locking.answered(true);
    ASSERT_TRUE(approved.count() == 1 || approved.wait(5'000));
    EXPECT_EQ(refused.count(), 1);
}

TEST(TerminationController, AFailureEscapingTheStoreKeepsTheApplicationOpen)
{
    TerminationController controller([]() -> QCoro::Task<bool> {
        throw std::runtime_error("unexpected");
        co_return true;
    });
    QSignalSpy refused(&controller, &TerminationController::terminationRefused);
    controller.requestTermination();
    ASSERT_TRUE(refused.count() == 1 || refused.wait(5'000));
    EXPECT_FALSE(controller.isHandlingTermination());
}

} // namespace

#include "TerminationControllerTests.moc"
