#include "disktools/ImageVerification.h"

#include <gtest/gtest.h>

// gocryptfs names damaged items in Go's quoting; a name that does not decrypt is reported with
// its folder, an unreadable attribute with its file second, and the summary counts items it
// named on no line.
TEST(ImageVerification, damagedItemsAreTheDecryptedPathsGocryptfsQuotesAndItsSummaryCounts)
{
    const std::string report =
        "fsck: error reading file \"Fotos/f\\xe9rias \\\"2019\\\".jpg\" (inum 7): read x: input/output error\n"
        "fsck: error reading file \"Fotos/f\\xe9rias \\\"2019\\\".jpg\" (inum 7): again\n"
        "fsck: corrupt entry in dir \"Cartas\\tantigas\": \"Zm9vYmFy\"\n"
        "fsck: error reading xattr \"user.nota\" from \"Contas/2024 \\u00e9.ods\": input/output error\n"
        "fsck: error reading symlink \"atalho\\\\\\u4e2d\": bad message\n"
        "doRead 7: corrupt block #0: cipher: message authentication failed\n"
        "fsck summary: 12 corrupt files, 1 files skipped\n";
    const ImageVerification::Findings findings = ImageVerification::findingsFrom(report);
    EXPECT_EQ(findings.damagedItems, (std::vector<std::string>{"Fotos/f\xe9rias \"2019\".jpg", "Cartas\tantigas",
                                                               "Contas/2024 \xc3\xa9.ods", "atalho\\\xe4\xb8\xad"}));
    EXPECT_EQ(findings.damagedCount, 12U);
    EXPECT_EQ(findings.skippedCount, 1U);

    EXPECT_EQ(ImageVerification::findingsFrom("fsck summary: no problems found\n").damagedCount, 0U);
    EXPECT_TRUE(ImageVerification::findingsFrom("fsck summary: no problems found\n").damagedItems.empty());
}
