#include "posix/SecretBytes.h"

#include <algorithm>
#include <new>
#include <stdexcept>
// explicit_bzero is a glibc extension, declared in the C header only.
#include <string.h> // NOLINT(modernize-deprecated-headers)
#include <sys/mman.h>
#include <unistd.h>
#include <utility>

SecretBytes::SecretBytes(std::size_t capacity) : capacity_(capacity)
{
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    const std::size_t length = (std::max<std::size_t>(capacity, 1) + page - 1) / page * page;
    void* pages = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (pages == MAP_FAILED) {
        throw std::bad_alloc();
    }
    bytes_ = std::unique_ptr<char, Pages>(static_cast<char*>(pages), Pages{length});
    // Best effort both: a refused lock (resource limit) or advice changes nothing else.
    ::mlock(pages, length);
    ::madvise(pages, length, MADV_DONTDUMP);
}

void SecretBytes::Pages::operator()(char* pages) const noexcept
{
    ::munmap(pages, length);
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
    bytes_.get()[size_++] = byte;
}

void SecretBytes::wipe()
{
    if (bytes_) {
        ::explicit_bzero(bytes_.get(), capacity_);
        bytes_.reset();
    }
    capacity_ = 0;
    size_ = 0;
}
