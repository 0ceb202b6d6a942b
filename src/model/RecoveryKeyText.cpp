#include "model/RecoveryKeyText.h"

bool RecoveryKeyText::isWellFormed(const QString& text)
{
    int digits = 0;
    for (const QChar character : text) {
        if (character == u'-' || character.isSpace()) {
            continue;
        }
        const char16_t code = character.unicode();
        const bool isHexDigit =
            (code >= u'0' && code <= u'9') || (code >= u'a' && code <= u'f') || (code >= u'A' && code <= u'F');
        if (!isHexDigit) {
            return false;
        }
        ++digits;
    }
    return digits == digitCount;
}
