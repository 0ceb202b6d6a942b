#include "posix/SecretBytes.h"

#include <stdexcept>
// explicit_bzero is a glibc extension, declared in the C header only.
#include <string.h> // NOLINT(modernize-deprecated-headers)
#include <sys/mman.h>
#include <utility>

SecretBytes::SecretBytes(std::size_t capacity) : bytes_(new char[capacity]()), capacity_(capacity)
{
    // Best effort: keep the secret out of swap; a refused lock (resource limit) changes nothing else.
    ::mlock(bytes_.get(), capacity_);
}

SecretBytes::~SecretBytes()
{
    wipe();
}

SecretBytes::SecretBytes(SecretBytes&& other) noexcept
    : bytes_(std::move(other.bytes_))
    , capacity_(std::exchange(other.capacity_, 0))
    , size_(std::exchange(other.size_, 0))
{
}

SecretBytes& SecretBytes::operator=(SecretBytes&& other) noexcept
{
    if (this != &other) {
        wipe();
        bytes_ = std::move(other.bytes_);
        capacity_ = std::exchange(other.capacity_, 0);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

void SecretBytes::grow(std::size_t count)
{
    if (count > room()) {
        throw std::length_error("secret buffer capacity exceeded");
    }
    size_ += count;
}

void SecretBytes::truncate(std::size_t size)
{
    if (size < size_) {
        ::explicit_bzero(bytes_.get() + size, size_ - size);
        size_ = size;
    }
}

void SecretBytes::append(char byte)
{
    if (room() == 0) {
        throw std::length_error("secret buffer capacity exceeded");
    }
    bytes_[size_++] = byte;
}

void SecretBytes::wipe()
{
    if (bytes_) {
        ::explicit_bzero(bytes_.get(), capacity_);
        ::munlock(bytes_.get(), capacity_);
        bytes_.reset();
    }
    capacity_ = 0;
    size_ = 0;
}
