#include "system/SystemProcessResult.h"

#include <QStringList>
#include <QTextBoundaryFinder>

namespace {

constexpr qsizetype maximumDiagnosticCharacters = 1000;

bool isLineSeparator(QChar character)
{
    switch (character.unicode()) {
    case u'\n':
    case u'\v':
    case u'\f':
    case u'\r':
    case u'\u0085':
    case u'\u2028':
    case u'\u2029':
        return true;
    default:
        return false;
    }
}

// Splits at every newline character, CR LF counting as one; empty lines are kept.
QStringList splitLines(const QString& text)
{
    QStringList lines;
    qsizetype lineStart = 0;
    for (qsizetype index = 0; index < text.size(); ++index) {
        if (!isLineSeparator(text[index])) {
            continue;
        }
        lines.append(text.mid(lineStart, index - lineStart));
        if (text[index] == u'\r' && index + 1 < text.size() && text[index + 1] == u'\n') {
            ++index;
        }
        lineStart = index + 1;
    }
    lines.append(text.mid(lineStart));
    return lines;
}

// Cuts after `limit` user-perceived characters (a letter with its combining marks, an emoji
// sequence), never inside one.
QString truncatedToCharacters(const QString& text, qsizetype limit)
{
    QTextBoundaryFinder boundaries(QTextBoundaryFinder::Grapheme, text);
    qsizetype characters = 0;
    while (boundaries.toNextBoundary() != -1) {
        if (++characters == limit) {
            const qsizetype cut = boundaries.position();
            if (cut < text.size()) {
                return text.left(cut) + QChar(0x2026);
            }
            break;
        }
    }
    return text;
}

} // namespace

QString SystemProcessResult::diagnostic() const
{
    const QString text = QString::fromUtf8(standardError.isEmpty() ? standardOutput : standardError);
    QStringList kept;
    for (const QString& line : splitLines(text)) {
        // Tools print deprecation notices that say nothing about the failure at hand.
        if (!(line.contains(QStringLiteral("WARNING:")) && line.contains(QStringLiteral("deprecated")))) {
            kept.append(line);
        }
    }
    QString cleaned = truncatedToCharacters(kept.join(u'\n').trimmed(), maximumDiagnosticCharacters);
    if (outputWasTruncated || errorWasTruncated) {
        cleaned += QStringLiteral(" [saída truncada]");
    }
    return cleaned;
}
