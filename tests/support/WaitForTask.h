#pragma once

#include "model/VaultError.h"

#include <gtest/gtest.h>
#include <qcoro/qcorotask.h>

#include <exception>
#include <optional>
#include <type_traits>

namespace detail {

template <typename T>
QCoro::Task<> captureOutcome(QCoro::Task<T> task, std::optional<std::conditional_t<std::is_void_v<T>, bool, T>>& value,
                             std::exception_ptr& failure)
{
    try {
        if constexpr (std::is_void_v<T>) {
            co_await task;
            value.emplace(true);
        } else {
            value.emplace(co_await task);
        }
    } catch (...) {
        failure = std::current_exception();
    }
}

} // namespace detail

// QCoro::waitFor for tasks that may throw: QCoro 0.8's own waitFor never leaves its event loop
// when the task ends with an exception. Runs the event loop until `task` has finished, then
// returns its value or rethrows its exception.
template <typename T>
T waitForTask(QCoro::Task<T> task)
{
    std::optional<std::conditional_t<std::is_void_v<T>, bool, T>> value;
    std::exception_ptr failure;
    QCoro::waitFor(detail::captureOutcome(std::move(task), value, failure));
    if (failure) {
        std::rethrow_exception(failure);
    }
    if constexpr (!std::is_void_v<T>) {
        return std::move(*value);
    }
}

// The VaultError `task` ends with; a task that ends without one fails the test.
template <typename T>
VaultError vaultErrorFrom(QCoro::Task<T> task)
{
    try {
        waitForTask(std::move(task));
    } catch (const VaultError& error) {
        return error;
    }
    ADD_FAILURE() << "expected a VaultError";
    return VaultError(VaultError::Kind::noSelection);
}
