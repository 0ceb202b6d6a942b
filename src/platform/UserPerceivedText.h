#pragma once

#include <QString>

// Text measured and screened as the user sees it, for the limits on names.
namespace UserPerceivedText {

// The number of user-perceived characters: a letter with its combining marks, or a whole emoji
// sequence, counts once.
qsizetype length(const QString& text);

// A control or format character (Unicode categories Cc and Cf): invisible, or able to
// disguise how the text around it reads.
bool isControlCharacter(char32_t scalar);

} // namespace UserPerceivedText
