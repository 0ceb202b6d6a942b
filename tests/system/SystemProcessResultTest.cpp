#include "system/SystemProcessResult.h"

#include <gtest/gtest.h>

namespace {

SystemProcessResult withError(const QByteArray& standardError)
{
    return SystemProcessResult{1, {}, standardError, false, false};
}

TEST(SystemProcessResultTest, DiagnosticCleansTheToolsOwnMessage)
{
    const QByteArray thousand = QByteArray(999, 'a') + "é"; // 1000 characters, 1001 bytes
    // "e" plus a combining acute accent: two code points, one user-perceived character.
    const QByteArray composed = "e\xCC\x81";
    const QByteArray thousandComposed = composed.repeated(1000);
    const QString ellipsis = QString(QChar(0x2026));

    const struct
    {
        const char* name;
        SystemProcessResult result;
        QString expected;
    } cases[] = {
        {"one line without its newline", withError("hdiutil: attach failed\n"), "hdiutil: attach failed"},
        {"standard error wins over output", SystemProcessResult{1, "out", "err", false, false}, "err"},
        {"output when standard error is empty", SystemProcessResult{1, "first\n\nthird\n", {}, false, false},
         "first\n\nthird"},
        {"CR LF is one line break", withError("one\r\ntwo\r\n"), "one\ntwo"},
        {"every newline character splits",
         withError("a\vb\fc\rd\xC2\x85"
                   "e\xE2\x80\xA8"
                   "f\xE2\x80\xA9g"),
         "a\nb\nc\nd\ne\nf\ng"},
        {"a deprecation warning line is dropped", withError("WARNING: -foo is deprecated\nreal failure\n"),
         "real failure"},
        {"a deprecation warning between lines is dropped", withError("before\n  WARNING: x deprecated  \nafter"),
         "before\nafter"},
        {"a line with only WARNING: stays", withError("WARNING: disk is slow\n"), "WARNING: disk is slow"},
        {"a line with only deprecated stays", withError("option deprecated\n"), "option deprecated"},
        {"a lower-case marker stays", withError("warning: -foo is deprecated\n"), "warning: -foo is deprecated"},
        {"separated markers on a CR-split line are two lines", withError("WARNING: a\rdeprecated b"),
         "WARNING: a\ndeprecated b"},
        {"whitespace and newlines are trimmed", withError(" \t\n  message \n\n"), "message"},
        {"invalid UTF-8 becomes the replacement character", withError("bad \xFF byte"),
         QStringLiteral("bad \uFFFD byte")},
        {"exactly 1000 characters are kept whole", withError(thousand), QString::fromUtf8(thousand)},
        {"1001 characters are cut to 1000 and an ellipsis", withError(thousand + "b"),
         QString::fromUtf8(thousand) + ellipsis},
        {"characters are user-perceived, not code points", withError(thousandComposed + composed),
         QString::fromUtf8(thousandComposed) + ellipsis},
        {"truncated output is marked", SystemProcessResult{0, "partial", {}, true, false},
         QStringLiteral("partial [saída truncada]")},
        {"truncated error is marked after the ellipsis", SystemProcessResult{0, {}, thousand + "b", false, true},
         QString::fromUtf8(thousand) + ellipsis + QStringLiteral(" [saída truncada]")},
        {"an empty cleaned text keeps the marker's leading space",
         SystemProcessResult{0, {}, "WARNING: deprecated\n", false, true}, QStringLiteral(" [saída truncada]")},
        {"nothing at all", SystemProcessResult{}, QString()},
    };
    for (const auto& testCase : cases) {
        EXPECT_EQ(testCase.result.diagnostic(), testCase.expected) << testCase.name;
    }
}

} // namespace
