#include "disktools/GocryptfsSource.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QStringList cipherDirectories(const QString& source)
{
    QStringList found;
    for (const std::string& path : GocryptfsSource::cipherDirectories(source.toStdString())) {
        found << QString::fromStdString(path);
    }
    return found;
}

} // namespace

// gocryptfs writes "_" for every "," of the cipher folder's path in the mount's name.
TEST(GocryptfsSource, FindsEveryFolderTheMangledNameCanStandFor)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    ASSERT_TRUE(QDir().mkpath(root.path() + "/Cofres, já/a,b.sparsebundle/cipher"));
    EXPECT_EQ(cipherDirectories(root.path() + "/Cofres_ já/a_b.sparsebundle/cipher"),
              QStringList{root.path() + "/Cofres, já/a,b.sparsebundle/cipher"});

    // Two folders the name could stand for: both, the literal one first.
    ASSERT_TRUE(QDir().mkpath(root.path() + "/g,h/cipher"));
    ASSERT_TRUE(QDir().mkpath(root.path() + "/g_h/cipher"));
    EXPECT_EQ(cipherDirectories(root.path() + "/g_h/cipher"),
              QStringList({root.path() + "/g_h/cipher", root.path() + "/g,h/cipher"}));

    EXPECT_TRUE(cipherDirectories(root.path() + "/gone_away/cipher").isEmpty());
    EXPECT_TRUE(cipherDirectories("relative_path").isEmpty());
}
