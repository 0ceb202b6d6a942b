#include "disktools/ImageCreation.h"
#include "disktools/ToolFailure.h"

#include <gtest/gtest.h>

TEST(ImageCreation, ReadsSizesInTheDiskImageToolsUnitsAndRefusesAnythingElse)
{
    EXPECT_EQ(ImageCreation::capacityFrom("1g"), 1ull << 30);
    EXPECT_EQ(ImageCreation::capacityFrom("2048g"), 2048ull << 30);
    EXPECT_EQ(ImageCreation::capacityFrom("10G"), 10ull << 30);
    EXPECT_EQ(ImageCreation::capacityFrom("512m"), 512ull << 20);
    EXPECT_EQ(ImageCreation::capacityFrom("3t"), 3ull << 40);
    for (const char* bad :
         {"", "g", "0g", "-1g", "+1g", "10", "10x", "1.5g", " 1g", "99999999999999999999g", "20000000t"}) {
        EXPECT_THROW(ImageCreation::capacityFrom(bad), ToolFailure) << bad;
    }
}
