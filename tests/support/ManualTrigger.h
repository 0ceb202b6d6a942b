#pragma once

#include "platform/NextEventLoopTurn.h"

#include <coroutine>
#include <utility>

// An awaitable the test releases by hand: a coroutine that awaits it stays suspended, as it
// would while a service works, until fire() resumes it on the next event-loop turn.
class ManualTrigger
{
public:
    ManualTrigger() = default;
    ManualTrigger(const ManualTrigger&) = delete;
    ManualTrigger& operator=(const ManualTrigger&) = delete;

    // The awaiter refers back to the trigger: coroutine machinery may copy awaiters freely.
    auto operator co_await()
    {
        struct Awaiter
        {
            ManualTrigger& trigger;
            bool await_ready() const noexcept { return trigger.fired_; }
            void await_suspend(std::coroutine_handle<> waiter) noexcept { trigger.waiter_ = waiter; }
            void await_resume() const noexcept {}
        };
        return Awaiter{*this};
    }

    void fire()
    {
        fired_ = true;
        if (waiter_) {
            NextEventLoopTurn{}.await_suspend(std::exchange(waiter_, {}));
        }
    }

private:
    bool fired_ = false;
    std::coroutine_handle<> waiter_;
};
