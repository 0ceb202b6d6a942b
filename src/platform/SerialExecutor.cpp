#include "platform/SerialExecutor.h"

SerialExecutor::SerialExecutor(QString name) : name_(std::move(name)), worker_([this] { drain(); })
{
}

SerialExecutor::~SerialExecutor()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wakeUp_.notify_one();
    worker_.join();
}

void SerialExecutor::enqueue(std::function<void()> job)
{
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(job));
    }
    wakeUp_.notify_one();
}

// Runs queued jobs in order until the executor is destroyed; work already queued then still runs,
// so nobody awaiting it is left suspended forever.
void SerialExecutor::drain()
{
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(mutex_);
            wakeUp_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (queue_.empty()) {
                return;
            }
            job = std::move(queue_.front());
            queue_.pop_front();
        }
        job();
    }
}
