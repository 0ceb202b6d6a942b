#include "disktools/GocryptfsSource.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// gocryptfs writes "_" for every "," of the cipher folder's path in the mount's name.
TEST(GocryptfsSource, RecoversCommasThatGocryptfsReplacedAndGivesUpWhenUnsure)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    ASSERT_TRUE(QDir().mkpath(root.path() + "/Cofres, já/a,b.sparsebundle/cipher"));
    EXPECT_EQ(GocryptfsSource::cipherDirectory(root.path() + "/Cofres_ já/a_b.sparsebundle/cipher"),
              root.path() + "/Cofres, já/a,b.sparsebundle/cipher");

    // A literal path that exists is taken as it stands.
    ASSERT_TRUE(QDir().mkpath(root.path() + "/c_d/cipher"));
    EXPECT_EQ(GocryptfsSource::cipherDirectory(root.path() + "/c_d/cipher"), root.path() + "/c_d/cipher");

    // Two folders the name could stand for: the source is reported unchanged.
    ASSERT_TRUE(QDir().mkpath(root.path() + "/g,h,/cipher"));
    ASSERT_TRUE(QDir().mkpath(root.path() + "/g_h,/cipher"));
    EXPECT_EQ(GocryptfsSource::cipherDirectory(root.path() + "/g_h_/cipher"), root.path() + "/g_h_/cipher");

    EXPECT_EQ(GocryptfsSource::cipherDirectory(root.path() + "/gone_away/cipher"), root.path() + "/gone_away/cipher");
}
