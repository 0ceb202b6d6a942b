#include "platform/UserPerceivedText.h"

#include <QTextBoundaryFinder>

qsizetype UserPerceivedText::length(const QString& text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (finder.toNextBoundary() >= 0) {
        ++count;
    }
    return count;
}

bool UserPerceivedText::isControlCharacter(char32_t scalar)
{
    const QChar::Category category = QChar::category(scalar);
    return category == QChar::Other_Control || category == QChar::Other_Format;
}
