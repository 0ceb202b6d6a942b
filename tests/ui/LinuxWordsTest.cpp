// No text the program shows names a macOS facility: every string literal under src/ is read and
// searched for those names. Identifiers, include paths, comments and hidden-file names such as
// ".Spotlight-V100" are not texts and are left alone.
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

// Whole words only, so type names (FinderImportSheet) and log identifiers (com.kovara.mac) pass;
// a name right after a dot is a hidden file's.
const QRegularExpression macWords(QStringLiteral("(?<![\\w.])(Finder|Mac|macOS|MacOS|Spotlight)(?!\\w)|"
                                                 "Utilitário de Disco"));

// The string literals of a C++ source, each with its line, skipping comments, character literals
// and preprocessor lines (whose quoted include paths are file names).
QList<std::pair<int, QString>> stringLiterals(const QString& source)
{
    QList<std::pair<int, QString>> literals;
    int line = 1;
    bool lineHasCode = false;
    qsizetype index = 0;
    const auto skipTo = [&](const QString& end) {
        const qsizetype found = source.indexOf(end, index);
        const qsizetype stop = found < 0 ? source.size() : found + end.size();
        line += int(QStringView(source).mid(index, stop - index).count(u'\n'));
        index = stop;
    };
    while (index < source.size()) {
        const QChar c = source.at(index);
        const QStringView rest = QStringView(source).mid(index);
        if (rest.startsWith(u"//") || (c == u'#' && !lineHasCode)) {
            index = source.indexOf(u'\n', index);
            index = index < 0 ? source.size() : index;
        } else if (rest.startsWith(u"/*")) {
            skipTo(QStringLiteral("*/"));
        } else if (c == u'"') {
            const int start = line;
            qsizetype end = index + 1;
            QString text;
            if (index > 0 && source.at(index - 1) == u'R') {
                const QString delimiter = source.mid(end, source.indexOf(u'(', end) - end);
                const qsizetype open = end + delimiter.size() + 1;
                const qsizetype close = source.indexOf(u')' + delimiter + u'"', open);
                text = source.mid(open, close - open);
                end = close + delimiter.size() + 1;
            } else {
                while (source.at(end) != u'"') {
                    end += source.at(end) == u'\\' ? 2 : 1;
                }
                text = source.mid(index + 1, end - index - 1);
            }
            literals.append({start, text});
            line += int(text.count(u'\n'));
            index = end + 1;
            lineHasCode = true;
        } else if (c == u'\'') {
            // A quote inside a number (1'000) separates digits; elsewhere it opens a character.
            qsizetype tokenStart = index;
            while (tokenStart > 0 &&
                   (source.at(tokenStart - 1).isLetterOrNumber() || source.at(tokenStart - 1) == u'_')) {
                --tokenStart;
            }
            ++index;
            if (tokenStart == index - 1 || !source.at(tokenStart).isDigit()) {
                while (source.at(index) != u'\'') {
                    index += source.at(index) == u'\\' ? 2 : 1;
                }
                ++index;
            }
            lineHasCode = true;
        } else {
            if (c == u'\n') {
                ++line;
                lineHasCode = false;
            } else if (!c.isSpace()) {
                lineHasCode = true;
            }
            ++index;
        }
    }
    return literals;
}

QStringList macWordsIn(const QString& fileName, const QString& source)
{
    QStringList found;
    for (const auto& [line, text] : stringLiterals(source)) {
        if (macWords.match(text).hasMatch()) {
            found.append(fileName + u':' + QString::number(line) + QStringLiteral(": \"") + text + u'"');
        }
    }
    return found;
}

TEST(LinuxWords, NoStringLiteralUnderSrcNamesAMacOSFacility)
{
    // The reader itself: what counts as a text and what does not.
    const QString sample = QStringLiteral("#include \"finder/FinderImportSheet.h\"\n"
                                          "// Shown in the Finder.\n"
                                          "/* \"Lixo do Mac\" */ const char c = '\"'; const int n = 1'000;\n"
                                          "names << QStringLiteral(\".Spotlight-V100\") << \"com.kovara.mac\"\n"
                                          "      << \"FinderImportSheet\" << \"a \\\"Finder\\\" b\";\n"
                                          "auto raw = R\"x(linha \"1\"\n"
                                          "Lixo do Mac)x\";\n"
                                          "auto text = u8\"Confirme no Utilitário de Disco.\";\n");
    EXPECT_EQ(macWordsIn(QStringLiteral("amostra.cpp"), sample),
              (QStringList{QStringLiteral("amostra.cpp:5: \"a \\\"Finder\\\" b\""),
                           QStringLiteral("amostra.cpp:6: \"linha \"1\"\nLixo do Mac\""),
                           QStringLiteral("amostra.cpp:8: \"Confirme no Utilitário de Disco.\"")}));

    QStringList found;
    int literalCount = 0;
    QDirIterator files(QStringLiteral(KOVARA_SOURCE_DIR "/src"), {QStringLiteral("*.cpp"), QStringLiteral("*.h")},
                       QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        QFile file(files.next());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
        const QString source = QString::fromUtf8(file.readAll());
        literalCount += int(stringLiterals(source).size());
        found += macWordsIn(file.fileName().mid(QStringLiteral(KOVARA_SOURCE_DIR "/").size()), source);
    }
    EXPECT_GT(literalCount, 1000) << "the sources were not found";
    EXPECT_TRUE(found.isEmpty()) << found.join(u'\n').toStdString();
}

} // namespace
