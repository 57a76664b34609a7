#include <gtest/gtest.h>

#include <SDL.h>

#include "platform/input/DikCodes.h"
#include "platform/input/InputDevices.h"

namespace plat {
namespace {

TEST(DikCodes, ScancodesMapToTheKeyboardNumbering) {
    struct Case { SDL_Scancode sdl; uint8_t dik; };
    const Case cases[] = {
        {SDL_SCANCODE_ESCAPE, 1}, {SDL_SCANCODE_1, 2}, {SDL_SCANCODE_0, 11}, {SDL_SCANCODE_Q, 16},
        {SDL_SCANCODE_RETURN, 28}, {SDL_SCANCODE_A, 30}, {SDL_SCANCODE_Z, 44}, {SDL_SCANCODE_C, 46},
        {SDL_SCANCODE_SPACE, 57}, {SDL_SCANCODE_F1, 59}, {SDL_SCANCODE_F10, 68}, {SDL_SCANCODE_KP_7, 71},
        {SDL_SCANCODE_KP_PERIOD, 83}, {SDL_SCANCODE_NONUSBACKSLASH, 86}, {SDL_SCANCODE_F12, 88},
        {SDL_SCANCODE_KP_ENTER, 156}, {SDL_SCANCODE_RCTRL, 157}, {SDL_SCANCODE_KP_DIVIDE, 181},
        {SDL_SCANCODE_RALT, 184}, {SDL_SCANCODE_HOME, 199}, {SDL_SCANCODE_UP, 200}, {SDL_SCANCODE_LEFT, 203},
        {SDL_SCANCODE_RIGHT, 205}, {SDL_SCANCODE_DOWN, 208}, {SDL_SCANCODE_INSERT, 210},
        {SDL_SCANCODE_DELETE, 211}, {SDL_SCANCODE_LGUI, 219}, {SDL_SCANCODE_APPLICATION, 221},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DikFromScancode(c.sdl), c.dik) << SDL_GetScancodeName(c.sdl);
        EXPECT_EQ(ScancodeFromDik(c.dik), c.sdl) << int(c.dik);
    }
    EXPECT_EQ(DikFromScancode(SDL_SCANCODE_UNKNOWN), 0);
    EXPECT_EQ(DikFromScancode(-5), 0);
    EXPECT_EQ(DikFromScancode(100000), 0);
    // Every code that maps back maps to itself.
    for (int dik = 1; dik < 256; ++dik) {
        const int sdl = ScancodeFromDik(static_cast<uint8_t>(dik));
        if (sdl) {
            EXPECT_EQ(DikFromScancode(sdl), dik);
        }
    }
}

TEST(InputDevices, AxesAndHatsConvert) {
    EXPECT_EQ(ScaleJoystickAxis(-32768), -1000);
    EXPECT_EQ(ScaleJoystickAxis(0), 0);
    EXPECT_EQ(ScaleJoystickAxis(32767), 1000);
    EXPECT_EQ(ScaleJoystickAxis(16384), 500);
    EXPECT_EQ(PovFromHat(SDL_HAT_CENTERED), kPovCentred);
    EXPECT_EQ(PovFromHat(SDL_HAT_RIGHT), 9000u);
    EXPECT_EQ(PovFromHat(SDL_HAT_LEFTUP), 31500u);
}

TEST(InputDevices, EventsBecomeTheSnapshotAndFocusLossReleasesEverything) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.keysym.scancode = SDL_SCANCODE_F12;
    InputDeviceEvent(e);
    e = SDL_Event{};
    e.type = SDL_MOUSEBUTTONDOWN;
    e.button.button = SDL_BUTTON_RIGHT;
    InputDeviceEvent(e);
    e = SDL_Event{};
    e.type = SDL_MOUSEMOTION;
    e.motion.xrel = 5;
    e.motion.yrel = -3;
    InputDeviceEvent(e);
    InputDeviceEvent(e);
    RawInput raw;
    ReadInputDevices(&raw);
    EXPECT_EQ(raw.keys[88], 0x80);
    EXPECT_EQ(raw.mouseButtons[1], 0x80);
    EXPECT_EQ(raw.mouseDx, 10);
    EXPECT_EQ(raw.mouseDy, -6);
    EXPECT_FALSE(raw.joystick);
    EXPECT_EQ(raw.pov[0], kPovCentred);
    ReadInputDevices(&raw);
    EXPECT_EQ(raw.mouseDx, 0);
    SetInputDevicesActive(false);
    ReadInputDevices(&raw);
    EXPECT_EQ(raw.keys[88], 0);
    SetInputDevicesActive(true);
}

// The exclusive mouse is relative while the program is active and given back on focus loss and close.
TEST(InputDevices, ExclusiveMouseIsRelativeOnlyWhileActive) {
    SetInputDevicesActive(true);
    EXPECT_FALSE(MouseIsRelative());
    SetExclusiveMouse(true);
    EXPECT_TRUE(MouseIsRelative());
    SetInputDevicesActive(false);
    EXPECT_FALSE(MouseIsRelative());
    SetInputDevicesActive(true);
    EXPECT_TRUE(MouseIsRelative());
    CloseInputDevices();
    EXPECT_FALSE(MouseIsRelative());
    SetInputDevicesActive(true);
    EXPECT_FALSE(MouseIsRelative());  // closed: no longer exclusive
}

TEST(InputDevices, NoJoystickHeadless) {
    EXPECT_FALSE(OpenInputDevices());
    EXPECT_EQ(InputJoystickHandle(), nullptr);
    CloseInputDevices();
}

}  // namespace
}  // namespace plat
