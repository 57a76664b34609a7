#pragma once
// The keyboard, mouse and first joystick over SDL2, read as the game's input layer expects: a
// 256-byte key snapshot in the DirectInput numbering (bit 7 = down), four mouse buttons in the order
// left, right, middle, fourth, mouse movement gathered since the last read, joystick axes X, Y, Z and
// Rz from -1000 to 1000, four hats as point-of-view values in hundredths of degrees (0xFFFFFFFF =
// centred) and 32 joystick buttons. Keys and buttons are kept from the window's events (SDL's own key
// array does not see pushed events), so that an input script can drive the same state.
#include <cstdint>

union SDL_Event;

namespace plat {

struct RawInput {
    uint8_t keys[256];
    uint8_t mouseButtons[4];
    int32_t mouseDx;
    int32_t mouseDy;
    bool joystick;
    int32_t axes[4];  // x, y, z, rz
    uint32_t pov[4];
    uint8_t joyButtons[32];
};

constexpr uint32_t kPovCentred = 0xFFFFFFFFu;

// Starts the joystick subsystem and opens the first joystick. True when one is attached.
bool OpenInputDevices();
void CloseInputDevices();
bool JoystickAttached();
// The SDL joystick handle of the open joystick, or null (force feedback opens its haptic side).
void* InputJoystickHandle();

// Takes key, mouse-button and mouse-motion events; others are ignored.
void InputDeviceEvent(const SDL_Event& event);
// While inactive (no focus) the devices read as released and no movement gathers. With the exclusive
// mouse, being active also puts SDL's mouse in relative mode (pointer hidden and held, movement
// reported past the window's edges); becoming inactive or closing the devices gives it back.
void SetInputDevicesActive(bool active);
// Whether the mouse is taken exclusively while active (the game: yes, unless nobody watches).
void SetExclusiveMouse(bool exclusive);
// Relative mode as last asked of SDL.
bool MouseIsRelative();

// The devices' state now; the gathered mouse movement is handed over and cleared. With scripted input
// the joystick values are the script's, not the device's.
void ReadInputDevices(RawInput* out);

// Scripted input: changes the state as the devices would.
void SetScriptedInput(bool scripted);
void InjectKey(uint8_t dik, bool down);
void InjectMouseButton(uint32_t button, bool down);
void InjectMouseMotion(int32_t dx, int32_t dy);
void InjectJoystickButton(uint32_t button, bool down);
void InjectJoystickAxis(uint32_t axis, int32_t value);  // already -1000..1000
void InjectJoystickPov(uint32_t hat, uint32_t value);

// SDL's axis value (-32768..32767) as -1000..1000.
int32_t ScaleJoystickAxis(int32_t sdlValue);
// An SDL hat position as a point-of-view value.
uint32_t PovFromHat(uint8_t hat);

}  // namespace plat
