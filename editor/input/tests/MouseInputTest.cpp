#include <gtest/gtest.h>

#include "editor/input/MouseInput.h"

namespace qv {
namespace {

TEST(MouseDevice, WithoutDeviceEveryOperationAnswersQuietly) {
    MouseDevice m;
    EXPECT_EQ(m.SetAcquired(true), 1);
    bool fresh = true;
    EXPECT_EQ(m.Read(&fresh), 0);
    EXPECT_FALSE(fresh);
}

TEST(MouseDevice, MotionGathersBetweenReadsOnlyWhileAcquired) {
    MouseDevice m;
    m.Create();
    m.AddMotion(5, 5);  // not acquired: ignored
    EXPECT_EQ(m.SetAcquired(true), 0);
    EXPECT_EQ(m.SetAcquired(true), 0);
    m.AddMotion(3, -2);
    m.AddMotion(1, 1);
    m.SetButton(0, true);
    bool fresh = false;
    m.Read(&fresh);
    EXPECT_TRUE(fresh);
    EXPECT_EQ(m.Latest().dx, 4);
    EXPECT_EQ(m.Latest().dy, -1);
    EXPECT_EQ(m.Latest().buttons[0], 0x80);
    m.Read();
    EXPECT_EQ(m.Latest().dx, 0) << "a read takes the motion away";
}

TEST(MouseDevice, ALostDeviceIsAcquiredAgainAndReadAtOnce) {
    MouseDevice m;
    m.Create();
    m.SetAcquired(true);
    m.AddMotion(2, 2);
    m.Read();
    m.LoseInput();
    m.AddMotion(9, 9);  // lost: nothing arrives
    bool fresh = false;
    EXPECT_EQ(m.Read(&fresh), 0);
    EXPECT_TRUE(fresh);
    EXPECT_EQ(m.Latest().dx, 0) << "no stale motion is delivered again";
    m.AddMotion(1, 0);
    m.Read(&fresh);
    EXPECT_EQ(m.Latest().dx, 1);

    m.LoseInput();
    m.FailAcquire(true);
    EXPECT_EQ(static_cast<uint32_t>(m.Read(&fresh)), kInputNotAcquired);
    EXPECT_FALSE(fresh);
}

TEST(KeyState, AllKeysDownAsksInOrderAndStopsAtTheFirstUp) {
    KeyState k;
    EXPECT_EQ(k.AllKeysDown(0, nullptr), 0);
    const int keys[] = {0x11, 0x41};
    EXPECT_EQ(k.AllKeysDown(2, keys), 0);
    k.KeyDown(0x11);
    k.KeyDown(0x41);
    k.KeyUp(0x41);
    EXPECT_EQ(k.AllKeysDown(2, keys), 1) << "pressed since the last query counts";
    EXPECT_EQ(k.AllKeysDown(2, keys), 0) << "the latch is cleared by the query";
    k.KeyDown(0x20);
    k.Flush();
    EXPECT_EQ(k.Query(0x20), static_cast<int16_t>(0x8000));
}

TEST(ToPercent, MapsTheRangeOntoMinusToPlusHundred) {
    struct Case {
        int32_t v, lo, hi, want;
    };
    for (const Case& c : {Case{50, 0, 100, 0}, Case{0, 0, 100, -100}, Case{100, 0, 100, 100}, Case{7, 5, 5, 0},
                          Case{2000000000, -2000000000, 2000000000, 100}, Case{-32768, -32768, 32767, -100}})
        EXPECT_EQ(ToPercent(c.v, c.lo, c.hi), c.want) << c.v << " " << c.lo << " " << c.hi;
}

}  // namespace
}  // namespace qv
