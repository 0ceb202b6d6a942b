#pragma once

#include <unistd.h>

#include <utility>

// Owns one file descriptor and closes it when it goes out of scope, so that walks holding a
// descriptor per directory level never leak one on an early exit or an exception.
class UniqueFd
{
public:
    UniqueFd() = default;
    explicit UniqueFd(int descriptor) : descriptor_(descriptor) {}
    ~UniqueFd() { reset(); }

    UniqueFd(UniqueFd&& other) noexcept : descriptor_(std::exchange(other.descriptor_, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept
    {
        if (this != &other) {
            reset(std::exchange(other.descriptor_, -1));
        }
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return descriptor_; }
    bool isValid() const { return descriptor_ >= 0; }

    // Closes the descriptor now and reports close's own failure (for written files, where a
    // late write error of the file system surfaces only here).
    int close() { return ::close(std::exchange(descriptor_, -1)); }

    void reset(int descriptor = -1)
    {
        if (descriptor_ >= 0) {
            ::close(descriptor_);
        }
        descriptor_ = descriptor;
    }

private:
    int descriptor_ = -1;
};
