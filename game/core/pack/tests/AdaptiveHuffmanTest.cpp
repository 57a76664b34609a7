// The adaptive model must keep a valid tree through every add, update and rescale, because the
// decoder and the encoder only agree while both trees evolve identically.
#include <gtest/gtest.h>

#include <random>

#include "game/core/pack/AdaptiveHuffman.h"

namespace kes {
namespace {

TEST(AdaptiveHuffman, NewModelHoldsOnlyLongSymbolAndEscape) {
    AdaptiveHuffman m;
    EXPECT_TRUE(m.CheckConsistent());
    EXPECT_EQ(m.UsedNodes(), 3);
    EXPECT_EQ(m.Weight(0), 2u);
    EXPECT_EQ(m.NodeOf(AdaptiveHuffman::kLongSymbol), 1);
    EXPECT_EQ(m.NodeOf(AdaptiveHuffman::kEscape), 2);
    for (int s = 0; s < 256; ++s) EXPECT_FALSE(m.Contains(s));
}

TEST(AdaptiveHuffman, AddSplitsLightestLeafAndRefusesDuplicatesAndOverflow) {
    AdaptiveHuffman m;
    ASSERT_TRUE(m.Add(7));
    EXPECT_FALSE(m.Add(7));
    EXPECT_FALSE(m.Add(AdaptiveHuffman::kEscape));
    EXPECT_FALSE(m.Add(-1));
    EXPECT_FALSE(m.Add(258));
    m.Update(7);
    for (int s = 0; s < 256; ++s) {
        if (s == 7) continue;
        ASSERT_TRUE(m.Add(s)) << s;
        m.Update(s);
    }
    EXPECT_EQ(m.UsedNodes(), AdaptiveHuffman::kNodeCount);
    EXPECT_TRUE(m.CheckConsistent());
    for (int s = 0; s < 256; ++s) EXPECT_FALSE(m.Add(s));
}

// The first swaps, worked out by hand: after symbol 1 is added and counted, the inner node holding
// the escape and 1 overtakes the leaf 256.
TEST(AdaptiveHuffman, FirstUpdateSwapsInnerNodeAheadOfLeaf) {
    AdaptiveHuffman m;
    ASSERT_TRUE(m.Add(1));
    m.Update(1);
    EXPECT_TRUE(m.CheckConsistent());
    EXPECT_EQ(m.Weight(0), 3u);
    EXPECT_FALSE(m.IsLeaf(1));
    EXPECT_EQ(m.Value(1), 3);
    EXPECT_EQ(m.NodeOf(AdaptiveHuffman::kLongSymbol), 2);
    EXPECT_EQ(m.NodeOf(AdaptiveHuffman::kEscape), 3);
    EXPECT_EQ(m.NodeOf(1), 4);
}

// Skewed and uniform symbol streams, long enough to reach the rescale weight many times; the tree
// must stay valid after every step and the root must never pass the rescale weight.
TEST(AdaptiveHuffman, StaysConsistentThroughRescales) {
    for (int skew : {0, 3, 40}) {
        AdaptiveHuffman m;
        std::mt19937 rng(static_cast<unsigned>(skew + 1));
        int rescales = 0;
        uint32_t lastRoot = m.Weight(0);
        for (int i = 0; i < 200000; ++i) {
            int s = static_cast<int>(rng() % 256);
            if (skew && static_cast<int>(rng() % 100) < skew + 50) s = static_cast<int>(rng() % 4);
            if (!m.Contains(s)) {
                ASSERT_TRUE(m.Add(s));
            }
            m.Update(s);
            if (m.Weight(0) < lastRoot) ++rescales;
            lastRoot = m.Weight(0);
            ASSERT_LE(m.Weight(0), AdaptiveHuffman::kRescaleWeight);
            if (i % 997 == 0 || m.Weight(0) < 20000) {
                ASSERT_TRUE(m.CheckConsistent()) << "step " << i;
            }
        }
        EXPECT_GE(rescales, 5) << "skew " << skew;
        EXPECT_TRUE(m.CheckConsistent());
    }
}

TEST(AdaptiveHuffman, RescaleHalvesLeafWeightsRoundingUp) {
    AdaptiveHuffman m;
    ASSERT_TRUE(m.Add(65));
    // Root starts at 2 and gains one per update: after 32766 updates it is exactly the rescale weight.
    for (int i = 0; i < 32766; ++i) m.Update(65);
    ASSERT_EQ(m.Weight(0), AdaptiveHuffman::kRescaleWeight);
    m.Update(65);
    ASSERT_TRUE(m.CheckConsistent());
    // 65 had 32766 -> 16383, then one more; 256 and the escape keep 1.
    EXPECT_EQ(m.Weight(m.NodeOf(65)), 16384u);
    EXPECT_EQ(m.Weight(m.NodeOf(AdaptiveHuffman::kLongSymbol)), 1u);
    EXPECT_EQ(m.Weight(m.NodeOf(AdaptiveHuffman::kEscape)), 1u);
    EXPECT_EQ(m.Weight(0), 16386u);
}

}  // namespace
}  // namespace kes
