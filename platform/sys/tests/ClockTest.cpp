#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <thread>

#include "platform/sys/Clock.h"

namespace {

TEST(Clock, TicksAdvanceInMilliseconds) {
    uint32_t start = plat::TickMs();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    uint32_t elapsed = plat::TickMs() - start;  // unsigned difference survives the wrap
    EXPECT_GE(elapsed, 20u);
    EXPECT_LT(elapsed, 5000u);
}

TEST(Clock, WallClockSecondsFollowTime) {
    uint32_t now = static_cast<uint32_t>(std::time(nullptr));
    uint32_t ours = plat::WallClockSeconds();
    EXPECT_LE(ours - now, 2u);
}

}  // namespace
