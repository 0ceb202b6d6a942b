#pragma once

#include <QAbstractEventDispatcher>
#include <QMetaObject>
#include <QThread>

#include <coroutine>

// `co_await NextEventLoopTurn{}` suspends a coroutine until its thread's event loop runs again.
// A task started from a synchronous call therefore does its work only after that call has
// returned and stored the task, the way a task scheduled on the main thread would.
struct NextEventLoopTurn
{
    bool await_ready() const noexcept { return false; }

    void await_suspend(std::coroutine_handle<> suspended) const
    {
        // The dispatcher lives as long as its thread, so the resumption cannot be lost.
        QMetaObject::invokeMethod(
            QAbstractEventDispatcher::instance(QThread::currentThread()), [suspended] { suspended.resume(); },
            Qt::QueuedConnection);
    }

    void await_resume() const noexcept {}
};
