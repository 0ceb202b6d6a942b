#include "platform/SensitiveBytes.h"

#include <QStringEncoder>

#include <string.h>

SensitiveBytes SensitiveBytes::nulTerminatedUtf8(QStringView text)
{
    const QStringEncoder sizing(QStringEncoder::Utf8);
    return SensitiveBytes(text, static_cast<std::size_t>(sizing.requiredSpace(text.size())) + 1);
}

SensitiveBytes::SensitiveBytes(QStringView text, std::size_t capacity)
    : capacity_(capacity), buffer_(new char[capacity]())
{
    QStringEncoder encoder(QStringEncoder::Utf8, QStringConverter::Flag::Stateless);
    char* end = encoder.appendToBuffer(buffer_.get(), text);
    *end = '\0';
    size_ = end - buffer_.get() + 1;
}

SensitiveBytes::~SensitiveBytes()
{
    // explicit_bzero, unlike memset, cannot be dropped by the optimiser as a dead store.
    explicit_bzero(buffer_.get(), capacity_);
}
