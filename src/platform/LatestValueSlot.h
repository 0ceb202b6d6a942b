#pragma once

#include <QAbstractEventDispatcher>
#include <QMetaObject>
#include <QThread>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

// Carries a stream of values (copy progress) from a worker thread to the thread that created the
// slot, keeping only the newest: the worker never blocks and never queues a backlog, and a slow
// receiver sees the latest value, never a pile of stale ones. At most one delivery is queued on
// the receiving thread at a time.
template <typename T>
class LatestValueSlot
{
    struct State
    {
        std::mutex mutex;
        std::optional<T> pending;
        bool deliveryQueued = false;
        bool closed = false;
        // Called only on the receiving thread, and never after close().
        std::function<void(T)> receiver;
        // The receiving thread's event dispatcher: it lives as long as that thread.
        QObject* receivingThread = nullptr;
    };

public:
    // `receiver` runs on the calling thread's event loop and must not throw.
    explicit LatestValueSlot(std::function<void(T)> receiver) : state_(std::make_shared<State>())
    {
        state_->receiver = std::move(receiver);
        state_->receivingThread = QAbstractEventDispatcher::instance(QThread::currentThread());
    }

    ~LatestValueSlot() { close(); }

    LatestValueSlot(const LatestValueSlot&) = delete;
    LatestValueSlot& operator=(const LatestValueSlot&) = delete;

    // A function any thread may call to publish a value; it stays safe to call after the slot is
    // gone (the value is then dropped).
    std::function<void(T)> publisher() const
    {
        return [state = state_](T value) { publish(state, std::move(value)); };
    }

    // Receiving thread: hands a value that was published but not yet delivered to the receiver
    // now, so that the last value is seen before the caller goes on.
    void flush() { deliver(state_); }

    // Receiving thread: no value is delivered after this.
    void close()
    {
        std::lock_guard lock(state_->mutex);
        state_->closed = true;
        state_->pending.reset();
    }

private:
    static void publish(const std::shared_ptr<State>& state, T value)
    {
        std::unique_lock lock(state->mutex);
        if (state->closed) {
            return;
        }
        state->pending = std::move(value);
        if (state->deliveryQueued) {
            return;
        }
        state->deliveryQueued = true;
        lock.unlock();
        QMetaObject::invokeMethod(
            state->receivingThread, [state] { deliver(state); }, Qt::QueuedConnection);
    }

    static void deliver(const std::shared_ptr<State>& state)
    {
        std::optional<T> value;
        {
            std::lock_guard lock(state->mutex);
            state->deliveryQueued = false;
            if (state->closed) {
                return;
            }
            value = std::exchange(state->pending, std::nullopt);
        }
        if (value) {
            state->receiver(std::move(*value));
        }
    }

    std::shared_ptr<State> state_;
};
