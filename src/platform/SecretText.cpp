#include "platform/SecretText.h"

#include <cstring>

SecretText::SecretText(const QString& text) : text_(text.constData(), text.size())
{
}

SecretText::SecretText(std::string_view latin1) : text_(static_cast<qsizetype>(latin1.size()), Qt::Uninitialized)
{
    QChar* characters = text_.data();
    for (const char character : latin1) {
        *characters++ = QLatin1Char(character);
    }
}

SecretText::~SecretText()
{
    if (!text_.isEmpty()) {
        // In place, even while copies share the buffer: they are the operation's own, and done.
        explicit_bzero(const_cast<QChar*>(text_.constData()), std::size_t(text_.size()) * sizeof(QChar));
    }
}
