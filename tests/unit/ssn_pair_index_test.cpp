#include "listing/ssn_pair_index.h"

#include <gtest/gtest.h>

#include <limits>

namespace vandlor2 {
namespace {

TEST(SsnPairIndex, FindsTheFirstPositionOfAPair) {
    SsnPairIndex index;
    EXPECT_FALSE(index.find(1, 2));
    index.add(1, 2);  // position 0
    index.add(2, 1);
    index.add(1, 2);
    EXPECT_EQ(index.find(1, 2), 0u);
    EXPECT_EQ(index.find(2, 1), 1u);
    EXPECT_EQ(index.find(1, 2), 0u);  // not the next position, which holds a later duplicate
    EXPECT_FALSE(index.find(1, 3));
    // Many pairs that share one number stay apart, found in and out of order.
    for (int i = 0; i < 100000; ++i) index.add(7, i);
    for (int i = 0; i < 100000; i += 999)
        EXPECT_EQ(index.find(7, i), static_cast<std::size_t>(3 + i));
    for (int i = 99999; i >= 0; i -= 997)
        EXPECT_EQ(index.find(7, i), static_cast<std::size_t>(3 + i));
    EXPECT_EQ(index.find(-7, -7), std::nullopt);
    // A position added after a search is found at once.
    index.add(-7, -7);
    EXPECT_EQ(index.find(-7, -7), 100003u);
    // Pairs apart only in the top or the lowest bit of a number stay apart.
    constexpr std::int32_t kLowest = std::numeric_limits<std::int32_t>::min();
    index.add(0, 5);
    index.add(kLowest, 5);
    index.add(1, 0);
    index.add(0, kLowest);
    EXPECT_EQ(index.find(kLowest, 5), 100005u);
    EXPECT_EQ(index.find(0, kLowest), 100007u);
    // As many pairs as the first table has slots: a missing pair is still told.
    SsnPairIndex sixty_four;
    for (int i = 0; i < 64; ++i) sixty_four.add(i, i);
    EXPECT_FALSE(sixty_four.find(-1, -1));
}

}  // namespace
}  // namespace vandlor2
