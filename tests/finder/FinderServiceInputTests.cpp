#include "finder/FinderPasteboard.h"
#include "finder/FinderServiceInput.h"

#include <QDir>
#include <QVariantList>

#include <gtest/gtest.h>

namespace {

QUrl file(const QString& path)
{
    return QUrl::fromLocalFile(path);
}

TEST(FinderServiceInput, YieldsTheUsableFoldersInOrder)
{
    const struct
    {
        const char* name;
        FinderPasteboard pasteboard;
        QList<QUrl> expected;
    } cases[] = {{"same folder as URL, legacy name and text line",
                  {{file("/home/ana/Docs")}, QStringList{"/home/ana/Docs"}, {"/home/ana/Docs\n"}},
                  {file("/home/ana/Docs")}},
                 {"sources in order: URLs, legacy names, text",
                  {{file("/c")}, QStringList{"/b"}, {"/a"}},
                  {file("/c"), file("/b"), file("/a")}},
                 {"spaces around a path", {{}, {}, {"   /srv/My Folder \t"}}, {file("/srv/My Folder")}},
                 {"FILE:// in capitals, percent-encoded",
                  {{}, {}, {"FILE:///tmp/Fotos%20de%20f%C3%A9rias"}},
                  {file("/tmp/Fotos de férias")}},
                 {"a home-relative line is ignored", {{}, {}, {"~/Documents\n/tmp/x"}}, {file("/tmp/x")}},
                 {"every kind of line break, empty lines dropped",
                  {{}, {}, {QString::fromUtf8("/a\r\n/b\r/c\u2028/d\u2029/e\u0085/f\n\n")}},
                  {file("/a"), file("/b"), file("/c"), file("/d"), file("/e"), file("/f")}},
                 {"text URLs of another scheme and relative paths are ignored",
                  {{}, {}, {"https://example.com/x\nfile://\nDocs/x\n/ok"}},
                  {file("/ok")}},
                 {"relative URLs and legacy names are dropped, not resolved against this process's folder",
                  {{QUrl("file:Fotos"), file("/a")}, QStringList{"relativo/b"}, {}},
                  {file("/a")}},
                 {"URL objects of another scheme are dropped",
                  {{QUrl("https://example.com/a"), file("/a")}, {}, {}},
                  {file("/a")}},
                 {"legacy names as a list of string objects",
                  {{}, QVariantList{QString("/one"), QString("/two")}, {}},
                  {file("/one"), file("/two")}},
                 {"legacy names that are not a list of strings contribute nothing",
                  {{}, QVariantList{QString("/one"), 7}, {"/three"}},
                  {file("/three")}},
                 {"a single legacy string is not a list", {{}, QString("/one"), {}}, {}},
                 {"dots, doubled and trailing slashes standardized into one path",
                  {{file("/srv/a/./b/../c/")}, QStringList{"/srv//a/c"}, {"file:///srv/a/c"}},
                  {file("/srv/a/c")}},
                 {"the root alone is rejected", {{file("/")}, QStringList{"/"}, {"/\nfile:///"}}, {}},
                 {"an empty pasteboard", {}, {}}};
    for (const auto& [name, pasteboard, expected] : cases) {
        EXPECT_EQ(FinderServiceInput::fileURLs(pasteboard), expected) << name;
    }
}

TEST(FinderPasteboard, CommandLineArgumentsAndTheBusFormKeepEveryFolder)
{
    const QDir caller("/home/ana/trabalho");
    const FinderPasteboard pasteboard = FinderPasteboard::fromArguments(
        {"relatórios", "/srv/Fotos", "", "file:///srv/Com%20espa%C3%A7o", "../irmão", "https://example.com"}, caller);

    EXPECT_EQ(FinderServiceInput::fileURLs(pasteboard),
              (QList<QUrl>{file("/srv/Com espaço"), file("/home/ana/trabalho/relatórios"), file("/srv/Fotos"),
                           file("/home/ana/irmão")}));
    EXPECT_EQ(FinderPasteboard::fromVariantMap(pasteboard.toVariantMap()), pasteboard);

    // A sender may put any value under the known names; wrong types contribute nothing.
    const QVariantMap foreign{{FinderPasteboard::fileURLType, 42},
                              {FinderPasteboard::plainTextType, QString("/not/a/list")},
                              {FinderPasteboard::legacyFilenamesType, QStringList{"/kept"}}};
    EXPECT_EQ(FinderServiceInput::fileURLs(FinderPasteboard::fromVariantMap(foreign)), QList<QUrl>{file("/kept")});
}

} // namespace
