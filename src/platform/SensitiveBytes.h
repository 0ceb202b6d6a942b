#pragma once

#include <QByteArrayView>
#include <QStringView>

#include <cstddef>
#include <memory>

// Bytes that must not outlive their use, such as a password on its way to a tool's standard
// input. They live in one buffer of their own that is never copied (the type can be neither
// copied nor moved) and is overwritten with zeros when the object goes away, whichever way the
// scope is left.
class SensitiveBytes
{
public:
    // The text's UTF-8 bytes followed by one NUL byte and nothing else. The text is encoded
    // straight into the buffer, so no intermediate QByteArray holds a copy of it.
    static SensitiveBytes nulTerminatedUtf8(QStringView text);

    ~SensitiveBytes();

    SensitiveBytes(const SensitiveBytes&) = delete;
    SensitiveBytes& operator=(const SensitiveBytes&) = delete;

    QByteArrayView view() const { return QByteArrayView(buffer_.get(), size_); }

private:
    SensitiveBytes(QStringView text, std::size_t capacity);

    std::size_t capacity_;
    std::unique_ptr<char[]> buffer_;
    qsizetype size_ = 0;
};
