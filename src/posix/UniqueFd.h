#pragma once

#include <unistd.h>

#include <utility>

// Sole owner of a file descriptor: closes it when destroyed, so every early return and every
// exception path releases it.
class UniqueFd
{
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { reset(); }

    UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept
    {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return fd_; }
    bool isValid() const { return fd_ >= 0; }

    int release() { return std::exchange(fd_, -1); }

    void reset(int fd = -1)
    {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = fd;
    }

    // Closes now and reports close's own failure: for a pipe whose reader must see the end, and for
    // a written file, where a late write error of the file system surfaces only here.
    bool closeChecked() { return fd_ < 0 || ::close(release()) == 0; }

private:
    int fd_ = -1;
};
