#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

// Bytes that must not outlive their use (a password, a recovery key and their encodings). The
// storage is allocated once at its full capacity, so appending never leaves a stale copy behind in
// a reallocated block; it lives in pages of its own, kept out of swap where allowed and out of
// core dumps, and it is overwritten with zeros when released.
class SecretBytes
{
public:
    explicit SecretBytes(std::size_t capacity);
    ~SecretBytes();

    SecretBytes(SecretBytes&& other) noexcept;
    SecretBytes& operator=(SecretBytes&& other) noexcept;
    SecretBytes(const SecretBytes&) = delete;
    SecretBytes& operator=(const SecretBytes&) = delete;

    std::size_t size() const { return size_; }
    std::size_t capacity() const { return capacity_; }
    bool isEmpty() const { return size_ == 0; }
    const char* data() const { return bytes_.get(); }

    // The free space after the stored bytes, for reading straight into the buffer.
    char* end() { return bytes_.get() + size_; }
    std::size_t room() const { return capacity_ - size_; }
    // Counts `count` bytes written at `end()`; throws std::length_error past the capacity.
    void grow(std::size_t count);
    void truncate(std::size_t size);
    void append(char byte);

    std::string_view view() const { return {bytes_.get(), size_}; }

private:
    void wipe();

    // Unmaps the pages the bytes live in.
    struct Pages
    {
        std::size_t length;
        void operator()(char* pages) const noexcept;
    };

    std::unique_ptr<char, Pages> bytes_;
    std::size_t capacity_ = 0;
    std::size_t size_ = 0;
};
