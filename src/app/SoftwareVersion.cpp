#include "app/SoftwareVersion.h"

#include <QList>

#include <algorithm>

namespace {

// A run of digits or a run of letters; everything else only separates runs.
struct Token
{
    bool isNumber;
    QString text;
};

QList<Token> tokens(const QString& version)
{
    QList<Token> result;
    for (qsizetype index = 0; index < version.size();) {
        const QChar character = version.at(index);
        if (!character.isLetterOrNumber()) {
            ++index;
            continue;
        }
        const bool isNumber = character.isDigit();
        qsizetype end = index;
        while (end < version.size() && version.at(end).isLetterOrNumber() && version.at(end).isDigit() == isNumber) {
            ++end;
        }
        result.append(Token{isNumber, version.mid(index, end - index)});
        index = end;
    }
    return result;
}

// Numbers compared by value without overflow, however many digits a feed writes.
std::strong_ordering compareNumbers(QString left, QString right)
{
    auto stripZeros = [](QString& digits) {
        qsizetype firstSignificant = 0;
        while (firstSignificant < digits.size() && digits.at(firstSignificant) == QLatin1Char('0')) {
            ++firstSignificant;
        }
        digits = digits.mid(firstSignificant);
    };
    stripZeros(left);
    stripZeros(right);
    if (left.size() != right.size()) {
        return left.size() <=> right.size();
    }
    return left.compare(right) <=> 0;
}

bool isZero(const Token& token)
{
    return token.isNumber &&
           std::all_of(token.text.cbegin(), token.text.cend(), [](QChar digit) { return digit == '0'; });
}

// How the tokens left over in the longer version rank it against the shorter one: only zeros
// leave them equal, a pre-release tag makes it older, any other number newer.
std::strong_ordering rankOfRemainder(const QList<Token>& remainder)
{
    for (const Token& token : remainder) {
        if (isZero(token)) {
            continue;
        }
        return token.isNumber ? std::strong_ordering::greater : std::strong_ordering::less;
    }
    return std::strong_ordering::equal;
}

} // namespace

SoftwareVersion::SoftwareVersion(QString text) : text_(std::move(text))
{
}

std::strong_ordering SoftwareVersion::operator<=>(const SoftwareVersion& other) const
{
    const QList<Token> left = tokens(text_);
    const QList<Token> right = tokens(other.text_);
    const qsizetype common = std::min(left.size(), right.size());
    for (qsizetype index = 0; index < common; ++index) {
        const Token& a = left.at(index);
        const Token& b = right.at(index);
        std::strong_ordering order = std::strong_ordering::equal;
        if (a.isNumber && b.isNumber) {
            order = compareNumbers(a.text, b.text);
        } else if (a.isNumber != b.isNumber) {
            // 1.0.1 against 1.0b1: the release number outranks the pre-release tag.
            order = a.isNumber ? std::strong_ordering::greater : std::strong_ordering::less;
        } else {
            order = a.text.compare(b.text, Qt::CaseInsensitive) <=> 0;
        }
        if (std::is_neq(order)) {
            return order;
        }
    }
    if (left.size() > common) {
        return rankOfRemainder(left.mid(common));
    }
    if (right.size() > common) {
        // Reversed, since the remainder is the other's. clang-tidy 14 takes the literal 0 of a three-way
        // comparison for a null pointer.
        return 0 <=> rankOfRemainder(right.mid(common)); // NOLINT(modernize-use-nullptr)
    }
    return std::strong_ordering::equal;
}
