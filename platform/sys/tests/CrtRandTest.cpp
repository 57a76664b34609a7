#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <thread>
#include <vector>

#include "platform/sys/CrtRand.h"

namespace {

TEST(CrtRand, DefaultSeedGivesTheRunTimeSequence) {
    std::vector<int> seen;
    std::thread worker([&] {  // a fresh thread starts at seed 1
        for (int i = 0; i < 5; ++i) seen.push_back(plat::CrtRand());
    });
    worker.join();
    EXPECT_EQ(seen, (std::vector<int>{41, 18467, 6334, 26500, 19169}));
}

TEST(CrtRand, SeedRestartsTheSequence) {
    plat::CrtSrand(12345);
    EXPECT_EQ(plat::CrtRand(), 7584);
    EXPECT_EQ(plat::CrtRand(), 19164);
    plat::CrtSrand(1);
    EXPECT_EQ(plat::CrtRand(), 41);
}

TEST(CrtRand, EachThreadKeepsItsOwnState) {
    plat::CrtSrand(12345);
    int other = -1;
    std::thread worker([&] { other = plat::CrtRand(); });
    worker.join();
    EXPECT_EQ(other, 41);
    EXPECT_EQ(plat::CrtRand(), 7584);
}

TEST(CrtRand, ResultsStayWithin15Bits) {
    plat::CrtSrand(0xDEADBEEF);
    for (int i = 0; i < 100000; ++i) {
        int r = plat::CrtRand();
        ASSERT_GE(r, 0);
        ASSERT_LE(r, plat::kCrtRandMax);
    }
}

TEST(CrtShuffle, FisherYatesFromTheSameSequence) {
    plat::CrtSrand(1);
    std::vector<int> v(10);
    std::iota(v.begin(), v.end(), 0);
    plat::CrtShuffle(v);
    EXPECT_EQ(v, (std::vector<int>{9, 3, 0, 2, 4, 7, 5, 6, 8, 1}));
}

TEST(CrtShuffle, KeepsEveryElementAndHandlesTinyRanges) {
    std::vector<int> empty;
    plat::CrtShuffle(empty);
    std::vector<int> one{5};
    plat::CrtShuffle(one);
    EXPECT_EQ(one, std::vector<int>{5});

    std::vector<int> big(70000);  // longer than the generator's range
    std::iota(big.begin(), big.end(), 0);
    plat::CrtSrand(3);
    plat::CrtShuffle(big);
    EXPECT_NE(big.back(), 69999);
    std::vector<int> sorted = big;
    std::sort(sorted.begin(), sorted.end());
    for (int i = 0; i < 70000; ++i) ASSERT_EQ(sorted[i], i);
    // Elements past index 32767 must be able to land near the front too.
    auto firstHigh = std::find_if(big.begin(), big.end(), [](int x) { return x >= 40000; });
    EXPECT_LT(firstHigh - big.begin(), 100);
}

}  // namespace
