#include "platform/FileLocation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <system_error>

namespace {

// Comparing locations must never fail, so normalizedPath keeps what does not exist; the import's
// containment checks must see the real file system, so resolvedPathOrThrow refuses it.
TEST(FileLocationTest, ResolversDifferOnlyInWhatTheyDoWithMissingFolders)
{
    QTemporaryDir temporary;
    ASSERT_TRUE(temporary.isValid());
    const QString root = QFileInfo(temporary.path()).canonicalFilePath();
    ASSERT_TRUE(QDir(root).mkdir(QStringLiteral("real")));
    ASSERT_TRUE(QFile::link(root + QStringLiteral("/real"), root + QStringLiteral("/link")));
    ASSERT_TRUE(QFile::link(root + QStringLiteral("/nowhere"), root + QStringLiteral("/dangling")));

    const QString throughLink = root + QStringLiteral("/link/./missing/../missing/child");
    EXPECT_EQ(FileLocation::normalizedPath(throughLink), root + QStringLiteral("/real/missing/child"));
    EXPECT_EQ(FileLocation::normalizedPath(QUrl::fromLocalFile(throughLink)),
              root + QStringLiteral("/real/missing/child"));
    EXPECT_THROW(FileLocation::resolvedPathOrThrow(root + QStringLiteral("/link/missing/child")), std::system_error);

    // Both keep a dangling link's own name and resolve the folder holding it.
    const QString dangling = root + QStringLiteral("/link/../dangling");
    EXPECT_EQ(FileLocation::normalizedPath(dangling), root + QStringLiteral("/dangling"));
    EXPECT_EQ(FileLocation::resolvedPathOrThrow(root + QStringLiteral("/link/dangling-name")),
              root + QStringLiteral("/real/dangling-name"));
    EXPECT_EQ(FileLocation::resolvedPathOrThrow(root + QStringLiteral("/link")), root + QStringLiteral("/real"));
}

TEST(FileLocationTest, StandardizesAndSplitsWithoutTouchingTheDisk)
{
    const QUrl messy = QUrl::fromLocalFile(QStringLiteral("/no/such//place/./a/../b/"));
    EXPECT_EQ(FileLocation::standardizedPath(messy), QStringLiteral("/no/such/place/b"));
    EXPECT_EQ(FileLocation::standardizedFileURL(messy), QUrl::fromLocalFile(QStringLiteral("/no/such/place/b")));
    EXPECT_EQ(FileLocation::path(QUrl::fromLocalFile(QStringLiteral("/a/b/"))), QStringLiteral("/a/b"));
    EXPECT_EQ(FileLocation::path(QUrl::fromLocalFile(QStringLiteral("/"))), QStringLiteral("/"));
    EXPECT_TRUE(FileLocation::standardizedPath(QUrl(QStringLiteral("https://example.com/a"))).isEmpty());
    EXPECT_TRUE(FileLocation::standardizedFileURL(QUrl(QStringLiteral("https://example.com/a"))).isEmpty());

    EXPECT_EQ(FileLocation::lastPathComponent(QStringLiteral("/a/b/")), QStringLiteral("b"));
    EXPECT_EQ(FileLocation::lastPathComponent(QStringLiteral("/")), QStringLiteral("/"));
    EXPECT_EQ(FileLocation::parentPath(QStringLiteral("/a")), QStringLiteral("/"));
    EXPECT_EQ(FileLocation::parentPath(QStringLiteral("name")), QStringLiteral("."));

    // Containment is by whole components: a sibling sharing a prefix is not inside.
    EXPECT_TRUE(FileLocation::isSameOrInside(QStringLiteral("/a/b"), QStringLiteral("/a/b")));
    EXPECT_TRUE(FileLocation::isSameOrInside(QStringLiteral("/a/b/c"), QStringLiteral("/a/b")));
    EXPECT_TRUE(FileLocation::isSameOrInside(QStringLiteral("/a"), QStringLiteral("/")));
    EXPECT_FALSE(FileLocation::isSameOrInside(QStringLiteral("/a/bc"), QStringLiteral("/a/b")));
}

} // namespace
