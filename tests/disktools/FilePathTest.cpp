#include "disktools/FilePath.h"

#include <QDir>

#include <gtest/gtest.h>

TEST(FilePath, CleansPathsAsGivenWithoutLookingAtTheFileSystem)
{
    const std::string workingFolder = QDir::currentPath().toStdString();
    EXPECT_EQ(FilePath::absoluteClean("/a/./b//c/"), "/a/b/c");
    EXPECT_EQ(FilePath::absoluteClean("/a/../../b/.."), "/");
    EXPECT_EQ(FilePath::absoluteClean("/inexistente/..a/b..//"), "/inexistente/..a/b..");
    EXPECT_EQ(FilePath::absoluteClean("x/../y"), workingFolder + "/y");
    EXPECT_EQ(FilePath::absoluteClean("."), workingFolder);
}
