#include "posix/MountTable.h"

#include <gtest/gtest.h>

TEST(MountTable, DecodesTheKernelsOctalEscapesAndKeepsEverythingElse)
{
    EXPECT_EQ(MountTable::decodeField(R"(/run/user/1000/kovara/Meu\040Cofre)"), "/run/user/1000/kovara/Meu Cofre");
    EXPECT_EQ(MountTable::decodeField(R"(a\011b\012c\134d)"), "a\tb\nc\\d");
    // A backslash that does not start three octal digits is an ordinary character.
    EXPECT_EQ(MountTable::decodeField(R"(x\08y\4)"), R"(x\08y\4)");
    EXPECT_EQ(MountTable::decodeField(R"(tail\04)"), R"(tail\04)");
    // UTF-8 bytes pass through untouched.
    EXPECT_EQ(MountTable::decodeField("/m/relat\xc3\xb3rio"), "/m/relat\xc3\xb3rio");
}

TEST(MountTable, ReadsEachFieldAroundOptionalFieldsAndSkipsMalformedLines)
{
    const std::string text =
        "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
        "61 22 0:52 / /run/user/1000/kovara/Meu\\040Cofre\\0401 rw,nosuid,nodev,relatime shared:7 master:2 - "
        "fuse.gocryptfs /home/ana/Kovara/Vaults.noindex/x\\040y.sparsebundle/cipher "
        "rw,user_id=1000,group_id=1000\n"
        "garbage line\n"
        "70 22 0:60 / /mnt/no-separator rw\n"
        "71 22 abc / /mnt/bad-device rw - tmpfs tmpfs rw\n"
        "72 22 0:61 /sub /mnt/bind rw - ext4 /dev/sdb1 rw,allow_other";
    const MountTable table = MountTable::parse(text);
    ASSERT_EQ(table.entries().size(), 3u);

    const MountInfoEntry& vault = table.entries()[1];
    EXPECT_EQ(vault.deviceMajor, 0u);
    EXPECT_EQ(vault.deviceMinor, 52u);
    EXPECT_EQ(vault.root, "/");
    EXPECT_EQ(vault.mountPoint, "/run/user/1000/kovara/Meu Cofre 1");
    EXPECT_EQ(vault.fileSystemType, "fuse.gocryptfs");
    EXPECT_EQ(vault.source, "/home/ana/Kovara/Vaults.noindex/x y.sparsebundle/cipher");
    EXPECT_EQ(vault.ownerUserId, 1000u);
    EXPECT_FALSE(vault.isSharedWithOtherUsers);

    EXPECT_EQ(table.entries()[0].mountPoint, "/");
    EXPECT_EQ(table.entries()[2].root, "/sub");
    EXPECT_EQ(table.entries()[2].source, "/dev/sdb1");
    EXPECT_EQ(table.entries()[2].ownerUserId, std::nullopt);
    EXPECT_TRUE(table.entries()[2].isSharedWithOtherUsers);
}
