// The operation gate: one operation at a time, the long operation's task and its cancellation,
// and the refresh deferred while the gate is closed.
#include "store/VaultStore.h"

#include "model/ErrorMessage.h"
#include "platform/NextEventLoopTurn.h"

bool VaultStore::canEnqueueOperation() const
{
    return !operationTask_ && !activeOperation_ && !isBusy_;
}

bool VaultStore::canCancelActiveOperation() const
{
    // An unlock is no background task, but the attach it awaits can be stopped all the same.
    return activeOperation_ && (operationTask_ || activeOperation_->kind == VaultOperationKind::unlock) &&
           isCancellable(activeOperation_->phase);
}

bool VaultStore::beginOperation(std::optional<QUuid> targetVaultID, bool reportBusy, bool shouldClearMessages)
{
    // A plain flag is enough: every check and update happens on the GUI thread.
    if (isBusy_) {
        if (reportBusy) {
            setErrorMessage(VaultError(VaultError::Kind::operationInProgress).errorDescription());
        }
        return false;
    }
    setIsBusy(true);
    setBusyVaultID(targetVaultID);
    // Walking a vault of many files takes a while; the user's operation goes first.
    capacityStopSource_.request_stop();
    if (shouldClearMessages) {
        clearMessages();
    }
    return true;
}

void VaultStore::endOperation()
{
    setIsBusy(false);
    setBusyVaultID(std::nullopt);
    if (capacityStopSource_.stop_requested()) {
        measureSelectedCapacity();
    }
    schedulePendingRefreshIfNeeded();
}

void VaultStore::failOperation(const std::exception_ptr& failure)
{
    setErrorMessage(userMessage(failure));
    updateStatus();
    endOperation();
}

void VaultStore::launchOperation(VaultOperationState record, OperationBody body, std::function<void()> release)
{
    setActiveOperation(std::move(record));
    operationStopSource_ = std::stop_source();
    operationTask_.emplace(runOperation(QPointer<VaultStore>(this), std::move(body), operationStopSource_.get_token(),
                                        std::move(release)));
}

QCoro::Task<> VaultStore::runOperation(QPointer<VaultStore> store, OperationBody body, std::stop_token stopToken,
                                       std::function<void()> release)
{
    // Start only once launchOperation has stored this task, so the ending below clears it.
    co_await NextEventLoopTurn{};
    if (store) {
        try {
            co_await body(stopToken);
        } catch (...) {
            // Operations report their own failures; this only keeps an unexpected one from
            // leaving the gate closed for the rest of the run.
            if (store) {
                store->setErrorMessage(userMessage(std::current_exception()));
            }
        }
    }
    if (store) {
        store->endOperation();
        store->operationTask_.reset();
        store->setActiveOperation(std::nullopt);
    }
    if (release) {
        release();
    }
}

void VaultStore::cancelActiveOperation()
{
    if (!canCancelActiveOperation()) {
        return;
    }
    updateActiveOperation([](VaultOperationState& operation) { operation.phase = VaultOperationPhase::cancelling; });
    operationStopSource_.request_stop();
}

QCoro::Task<> VaultStore::cancelActiveOperationAndWait()
{
    cancelActiveOperation();
    if (!operationTask_) {
        co_return;
    }
    // The task may clear operationTask_ while we wait; the coroutine it ran stays alive until
    // every awaiter has been resumed.
    co_await *operationTask_;
}

void VaultStore::schedulePendingRefreshIfNeeded()
{
    if (!pendingRefreshRequested_ || pendingRefreshTask_ || isBusy_ || isPreparingForTermination_) {
        return;
    }
    pendingRefreshRequested_ = false;
    pendingRefreshTask_.emplace(runDeferredRefresh(QPointer<VaultStore>(this)));
}

QCoro::Task<> VaultStore::runDeferredRefresh(QPointer<VaultStore> store)
{
    co_await NextEventLoopTurn{};
    if (!store) {
        co_return;
    }
    // Preserving messages: the banners show what the operation that deferred it just did.
    co_await store->performRefresh(true);
    if (!store) {
        co_return;
    }
    store->pendingRefreshTask_.reset();
    store->schedulePendingRefreshIfNeeded();
}

void VaultStore::startDetached(std::function<QCoro::Task<>(VaultStore&)> work)
{
    // Not kept: nothing waits for or cancels these short operations; the gate orders them.
    runDetached(QPointer<VaultStore>(this), std::move(work));
}

QCoro::Task<> VaultStore::runDetached(QPointer<VaultStore> store, std::function<QCoro::Task<>(VaultStore&)> work)
{
    co_await NextEventLoopTurn{};
    if (store) {
        co_await work(*store);
    }
}
