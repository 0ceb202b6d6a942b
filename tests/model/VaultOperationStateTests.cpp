#include "model/VaultOperationState.h"

#include <gtest/gtest.h>

#include <limits>

TEST(VaultOperationStateTest, percentageIsWholePercentRoundedDownAndCapped)
{
    const auto percentage = [](std::optional<std::int64_t> completed, std::optional<std::int64_t> total) {
        VaultOperationState state = VaultOperationState::starting(VaultOperationKind::import);
        state.completedBytes = completed;
        state.totalBytes = total;
        return state.percentage();
    };
    constexpr std::int64_t largest = std::numeric_limits<std::int64_t>::max();

    EXPECT_EQ(percentage(0, 0), std::nullopt);
    EXPECT_EQ(percentage(std::nullopt, 10), std::nullopt);
    EXPECT_EQ(percentage(5, std::nullopt), std::nullopt);
    EXPECT_EQ(percentage(5, -1), std::nullopt);
    EXPECT_EQ(percentage(0, 10), 0);
    EXPECT_EQ(percentage(-3, 10), 0);
    EXPECT_EQ(percentage(5, 10), 50);
    EXPECT_EQ(percentage(29, 100), 29);
    EXPECT_EQ(percentage(999, 1000), 99);
    EXPECT_EQ(percentage(10, 10), 100);
    EXPECT_EQ(percentage(12, 10), 100);
    EXPECT_EQ(percentage(largest - 1, largest), 99);
    EXPECT_EQ(percentage(largest, 1), 100);
}
