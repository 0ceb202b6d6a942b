#pragma once

#include <QAbstractEventDispatcher>
#include <QMetaObject>
#include <QPointer>
#include <QString>
#include <QThread>

#include <condition_variable>
#include <coroutine>
#include <deque>
#include <exception>
#include <functional>
#include <future>
#include <mutex>
#include <optional>
#include <thread>
#include <type_traits>
#include <utility>
#include <variant>

// A worker thread with a FIFO queue. Each service that must run one operation at a time owns
// one, so its blocking work (a child process, a copy, a directory walk) never overlaps with
// its own other work and never runs on the GUI thread.
class SerialExecutor
{
public:
    explicit SerialExecutor(QString name);
    ~SerialExecutor();

    SerialExecutor(const SerialExecutor&) = delete;
    SerialExecutor& operator=(const SerialExecutor&) = delete;

    template <typename T>
    class Awaitable;

    // Queues `work`; the awaiting coroutine resumes on its own thread, through that thread's
    // event loop, with the value `work` returned or the exception it threw.
    //
    // Name the awaitable before awaiting it (`auto work = executor.run(...); co_await work;`):
    // GCC 12 destroys a lambda written inside a `co_await` expression twice when its captures
    // have destructors, a use-after-free that AddressSanitizer reports.
    template <typename Work>
    Awaitable<std::invoke_result_t<Work&>> run(Work work)
    {
        return Awaitable<std::invoke_result_t<Work&>>(*this, std::move(work));
    }

    // Queues `work` and blocks the calling thread until it has run, for code that already runs
    // on another worker (never call it from this executor's own thread: it would wait forever).
    template <typename Work>
    std::invoke_result_t<Work&> runAndWait(Work work)
    {
        using Result = std::invoke_result_t<Work&>;
        std::promise<Result> promise;
        std::future<Result> future = promise.get_future();
        enqueue([&promise, &work] {
            try {
                if constexpr (std::is_void_v<Result>) {
                    work();
                    promise.set_value();
                } else {
                    promise.set_value(work());
                }
            } catch (...) {
                promise.set_exception(std::current_exception());
            }
        });
        return future.get();
    }

    const QString& name() const { return name_; }

private:
    void enqueue(std::function<void()> job);
    void drain();

    QString name_;
    std::mutex mutex_;
    std::condition_variable wakeUp_;
    std::deque<std::function<void()>> queue_;
    bool stopping_ = false;
    std::thread worker_;
};

template <typename T>
class SerialExecutor::Awaitable
{
public:
    template <typename Work>
    Awaitable(SerialExecutor& executor, Work work) : executor_(executor)
                                                   , work_(std::move(work))
    {
    }

    bool await_ready() const noexcept { return false; }

    void await_suspend(std::coroutine_handle<> awaiting)
    {
        // The awaiting thread's event dispatcher lives as long as its thread: resuming through
        // it brings the coroutine back to the thread (normally the GUI thread) it suspended on.
        QPointer<QObject> resumeOn = QAbstractEventDispatcher::instance(QThread::currentThread());
        executor_.enqueue([this, awaiting, resumeOn] {
            try {
                if constexpr (std::is_void_v<T>) {
                    work_();
                } else {
                    result_.emplace(work_());
                }
            } catch (...) {
                failure_ = std::current_exception();
            }
            QMetaObject::invokeMethod(
                resumeOn.data(), [awaiting] { awaiting.resume(); }, Qt::QueuedConnection);
        });
    }

    T await_resume()
    {
        if (failure_) {
            std::rethrow_exception(failure_);
        }
        if constexpr (!std::is_void_v<T>) {
            return std::move(*result_);
        }
    }

private:
    using Stored = std::conditional_t<std::is_void_v<T>, std::monostate, T>;

    SerialExecutor& executor_;
    std::function<T()> work_;
    std::optional<Stored> result_;
    std::exception_ptr failure_;
};
