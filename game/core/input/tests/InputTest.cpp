#include <gtest/gtest.h>

#include <vector>

#include "game/core/input/Input.h"
#include "game/core/input/InputScript.h"
#include "platform/input/InputDevices.h"

namespace kes {
namespace {

// Drives the devices through the scripted side of the device layer.
class InputTest : public ::testing::Test {
protected:
    void SetUp() override {
        InputInit(nullptr, nullptr);
        plat::SetScriptedInput(true);
    }
    void TearDown() override {
        plat::SetScriptedInput(false);
        for (int k = 0; k < 256; ++k) plat::InjectKey(static_cast<uint8_t>(k), false);
        for (uint32_t b = 0; b < 4; ++b) plat::InjectMouseButton(b, false);
        for (uint32_t b = 0; b < 32; ++b) plat::InjectJoystickButton(b, false);
        InputShutdown();
    }
};

std::vector<int> g_calls;
void Record(int value) { g_calls.push_back(value); }

TEST_F(InputTest, BindingsFireOnceOnPressAndOnceOnRelease) {
    uint32_t word = 7;
    const InputBinding both{kBindWord | kBindOnDown | kBindOnUp, &word, 30, nullptr};
    const InputBinding downOnly{kBindOnDown, BindingTarget(Record), 30, nullptr};
    InputAddBinding(&both);
    InputAddBinding(&downOnly);
    g_calls.clear();
    plat::InjectKey(30, true);
    InputPoll();
    EXPECT_EQ(word, 1u);
    InputPoll();  // held: no second press
    EXPECT_EQ(g_calls, std::vector<int>{1});
    word = 5;
    InputPoll();
    EXPECT_EQ(word, 5u);
    plat::InjectKey(30, false);
    InputPoll();
    EXPECT_EQ(word, 0u);
    EXPECT_EQ(g_calls, std::vector<int>{1});
}

TEST_F(InputTest, MouseAndJoystickButtonsHaveTheirCodes) {
    uint32_t mouse = 0, joy = 0;
    const InputBinding m{kBindWord | kBindOnDown | kBindOnUp, &mouse, 257, nullptr};
    const InputBinding j{kBindWord | kBindOnDown | kBindOnUp, &joy, 291, nullptr};
    InputAddBinding(&m);
    InputAddBinding(&j);
    plat::InjectMouseButton(1, true);
    plat::InjectJoystickButton(31, true);
    InputPoll();
    EXPECT_EQ(mouse, 1u);
    EXPECT_EQ(joy, 1u);
    plat::InjectMouseButton(1, false);
    plat::InjectJoystickButton(31, false);
    InputPoll();
    EXPECT_EQ(mouse, 0u);
    EXPECT_EQ(joy, 0u);
}

TEST_F(InputTest, RemovingTheFirstTargetRemovesOnlyItElseEveryLaterOne) {
    uint32_t a = 0, b = 0;
    const InputBinding ba{kBindWord | kBindOnDown, &a, 57, nullptr};
    const InputBinding bb{kBindWord | kBindOnDown, &b, 57, nullptr};
    InputAddBinding(&ba);
    InputAddBinding(&bb);
    InputAddBinding(&ba);
    InputRemoveBinding(&ba);  // A is first: only that one goes
    EXPECT_EQ(InputBindingCount(57), 2u);
    InputAddBinding(&bb);
    InputRemoveBinding(&bb);  // B is first now: one goes
    EXPECT_EQ(InputBindingCount(57), 2u);
    InputRemoveBinding(&ba);  // A is not first: every later A goes
    EXPECT_EQ(InputBindingCount(57), 1u);
    // Codes outside 1-291 are ignored (they come from profile files).
    const InputBinding bad0{kBindWord | kBindOnDown, &a, 0, nullptr};
    const InputBinding bad400{kBindWord | kBindOnDown, &a, 400, nullptr};
    InputAddBinding(&bad0);
    InputAddBinding(&bad400);
    InputRemoveBinding(&bad400);
    EXPECT_EQ(InputBindingCount(400), 0u);
}

TEST_F(InputTest, AnyNewPressPrefersKeysAndLatchForgetsAllButHeldJoystickButtons) {
    plat::InjectMouseButton(0, true);
    plat::InjectKey(200, true);
    InputPoll();
    EXPECT_EQ(InputAnyNewPress(), 200u);
    InputLatchState();
    EXPECT_EQ(InputAnyNewPress(), 0u);
    plat::InjectKey(200, false);
    plat::InjectMouseButton(0, false);
    InputPoll();
    plat::InjectMouseButton(2, true);
    InputPoll();
    EXPECT_EQ(InputAnyNewPress(), 258u);
    InputLatchState();
    plat::InjectJoystickButton(4, true);
    InputPoll();
    InputLatchState();
    EXPECT_EQ(InputAnyNewPress(), 264u);
}

TEST_F(InputTest, JoystickAxesPovAndMouseDelta) {
    plat::InjectJoystickAxis(0, -1000);
    plat::InjectJoystickAxis(3, 2000);  // clamped
    plat::InjectJoystickPov(0, 9000);
    plat::InjectMouseMotion(4, -2);
    InputPoll();
    int32_t x, y, rz, z;
    uint32_t pov[4];
    InputGetJoystickState(&x, &y, &rz, pov, &z);
    EXPECT_EQ(x, -1000);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(rz, 1000);
    EXPECT_EQ(pov[0], 9000u);
    EXPECT_EQ(pov[1], plat::kPovCentred);
    int32_t dx, dy;
    InputTakeMouseDelta(&dx, &dy);
    EXPECT_EQ(dx, 4);
    EXPECT_EQ(dy, -2);
    InputTakeMouseDelta(&dx, &dy);
    EXPECT_EQ(dx, 0);
    EXPECT_EQ(dy, 0);
}

// A joystick that stops reporting leaves no button held: its bindings see the release, and no held
// button keeps showing as a press.
TEST_F(InputTest, ButtonsOfAJoystickThatStopsReportingAreReleased) {
    uint32_t joy = 0;
    const InputBinding j{kBindWord | kBindOnDown | kBindOnUp, &joy, kInputFirstJoystick + 2, nullptr};
    InputAddBinding(&j);
    plat::InjectJoystickButton(2, true);
    InputPoll();
    EXPECT_EQ(joy, 1u);
    EXPECT_EQ(InputAnyNewPress(), kInputFirstJoystick + 2);
    plat::SetScriptedInput(false);  // no device behind it: the joystick does not report
    InputPoll();
    EXPECT_EQ(joy, 0u);
    InputLatchState();
    EXPECT_EQ(InputAnyNewPress(), 0u);
    // Reporting again with the button still down is a new press.
    plat::SetScriptedInput(true);
    InputPoll();
    EXPECT_EQ(joy, 1u);
    InputRemoveBinding(&j);
}

TEST(InputNoJoystick, ValuesStayAtTheirResetValues) {
    EXPECT_EQ(InputInit(nullptr, nullptr), kInputNoJoystick);
    InputPoll();
    int32_t x = 5, y = 5, rz = 5, z = 5;
    uint32_t pov[4] = {};
    InputGetJoystickState(&x, &y, &rz, pov, &z);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(rz, 0);
    EXPECT_EQ(pov[3], plat::kPovCentred);
    InputShutdown();
}

}  // namespace
}  // namespace kes
