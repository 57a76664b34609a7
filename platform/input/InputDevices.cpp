// Keyboard, mouse and joystick state gathered from SDL.
#include "platform/input/InputDevices.h"

#include <SDL.h>

#include <cstring>

#include "platform/input/DikCodes.h"

namespace plat {
namespace {

struct DeviceState {
    uint8_t keys[256] = {};
    uint8_t mouseButtons[4] = {};
    int32_t mouseDx = 0;
    int32_t mouseDy = 0;
    bool active = true;
    bool exclusiveMouse = false;
    bool relativeMouse = false;
    bool scripted = false;
    bool subsystem = false;
    SDL_Joystick* joystick = nullptr;
    int32_t scriptAxes[4] = {};
    uint32_t scriptPov[4] = {kPovCentred, kPovCentred, kPovCentred, kPovCentred};
    uint8_t scriptButtons[32] = {};
};

DeviceState g_devices;

int MouseIndex(uint8_t sdlButton) {
    switch (sdlButton) {
    case SDL_BUTTON_LEFT: return 0;
    case SDL_BUTTON_RIGHT: return 1;
    case SDL_BUTTON_MIDDLE: return 2;
    case SDL_BUTTON_X1: return 3;
    default: return -1;
    }
}

void ApplyRelativeMouse(bool on) {
    g_devices.relativeMouse = on;
    // Without video there is no pointer to take yet; the next change of focus applies the wish.
    if (SDL_WasInit(SDL_INIT_VIDEO) && (SDL_GetRelativeMouseMode() == SDL_TRUE) != on)
        SDL_SetRelativeMouseMode(on ? SDL_TRUE : SDL_FALSE);
}

}  // namespace

int32_t ScaleJoystickAxis(int32_t v) {
    int32_t scaled = v * 1000 / 32767;
    if (scaled > 1000) scaled = 1000;
    if (scaled < -1000) scaled = -1000;
    return scaled;
}

uint32_t PovFromHat(uint8_t hat) {
    switch (hat) {
    case SDL_HAT_UP: return 0;
    case SDL_HAT_RIGHTUP: return 4500;
    case SDL_HAT_RIGHT: return 9000;
    case SDL_HAT_RIGHTDOWN: return 13500;
    case SDL_HAT_DOWN: return 18000;
    case SDL_HAT_LEFTDOWN: return 22500;
    case SDL_HAT_LEFT: return 27000;
    case SDL_HAT_LEFTUP: return 31500;
    default: return kPovCentred;
    }
}

bool OpenInputDevices() {
    if (!g_devices.subsystem) {
        g_devices.subsystem = SDL_InitSubSystem(SDL_INIT_JOYSTICK) == 0;
    }
    if (g_devices.subsystem && !g_devices.joystick && SDL_NumJoysticks() > 0) {
        g_devices.joystick = SDL_JoystickOpen(0);
    }
    return g_devices.joystick != nullptr;
}

void CloseInputDevices() {
    ApplyRelativeMouse(false);
    if (g_devices.joystick) SDL_JoystickClose(g_devices.joystick);
    if (g_devices.subsystem) SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    g_devices = DeviceState{};
}

bool JoystickAttached() {
    return g_devices.joystick != nullptr || g_devices.scripted;
}

void* InputJoystickHandle() {
    return g_devices.joystick;
}

void InputDeviceEvent(const SDL_Event& e) {
    if (g_devices.scripted) return;
    switch (e.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        const uint8_t dik = DikFromScancode(e.key.keysym.scancode);
        if (dik) g_devices.keys[dik] = e.type == SDL_KEYDOWN ? 0x80 : 0;
        break;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        const int i = MouseIndex(e.button.button);
        if (i >= 0) g_devices.mouseButtons[i] = e.type == SDL_MOUSEBUTTONDOWN ? 0x80 : 0;
        break;
    }
    case SDL_MOUSEMOTION:
        if (g_devices.active) {
            g_devices.mouseDx += e.motion.xrel;
            g_devices.mouseDy += e.motion.yrel;
        }
        break;
    default: break;
    }
}

void SetExclusiveMouse(bool exclusive) {
    g_devices.exclusiveMouse = exclusive;
    ApplyRelativeMouse(exclusive && g_devices.active);
}

bool MouseIsRelative() { return g_devices.relativeMouse; }

void SetInputDevicesActive(bool active) {
    g_devices.active = active;
    ApplyRelativeMouse(active && g_devices.exclusiveMouse);
    if (!active && !g_devices.scripted) {
        std::memset(g_devices.keys, 0, sizeof g_devices.keys);
        std::memset(g_devices.mouseButtons, 0, sizeof g_devices.mouseButtons);
        g_devices.mouseDx = g_devices.mouseDy = 0;
    }
}

void ReadInputDevices(RawInput* out) {
    std::memcpy(out->keys, g_devices.keys, sizeof out->keys);
    std::memcpy(out->mouseButtons, g_devices.mouseButtons, sizeof out->mouseButtons);
    out->mouseDx = g_devices.mouseDx;
    out->mouseDy = g_devices.mouseDy;
    g_devices.mouseDx = g_devices.mouseDy = 0;
    out->joystick = false;
    for (int i = 0; i < 4; ++i) {
        out->axes[i] = 0;
        out->pov[i] = kPovCentred;
    }
    std::memset(out->joyButtons, 0, sizeof out->joyButtons);
    if (g_devices.scripted) {
        out->joystick = true;
        std::memcpy(out->axes, g_devices.scriptAxes, sizeof out->axes);
        std::memcpy(out->pov, g_devices.scriptPov, sizeof out->pov);
        std::memcpy(out->joyButtons, g_devices.scriptButtons, sizeof out->joyButtons);
        return;
    }
    if (!g_devices.joystick || !g_devices.active) return;
    SDL_JoystickUpdate();
    out->joystick = true;
    const int axes = SDL_JoystickNumAxes(g_devices.joystick);
    for (int i = 0; i < 4 && i < axes; ++i) out->axes[i] = ScaleJoystickAxis(SDL_JoystickGetAxis(g_devices.joystick, i));
    const int hats = SDL_JoystickNumHats(g_devices.joystick);
    for (int i = 0; i < 4 && i < hats; ++i) out->pov[i] = PovFromHat(SDL_JoystickGetHat(g_devices.joystick, i));
    const int buttons = SDL_JoystickNumButtons(g_devices.joystick);
    for (int i = 0; i < 32 && i < buttons; ++i)
        out->joyButtons[i] = SDL_JoystickGetButton(g_devices.joystick, i) ? 0x80 : 0;
}

void SetScriptedInput(bool scripted) {
    g_devices.scripted = scripted;
}

void InjectKey(uint8_t dik, bool down) {
    g_devices.keys[dik] = down ? 0x80 : 0;
}

void InjectMouseButton(uint32_t button, bool down) {
    if (button < 4) g_devices.mouseButtons[button] = down ? 0x80 : 0;
}

void InjectMouseMotion(int32_t dx, int32_t dy) {
    g_devices.mouseDx += dx;
    g_devices.mouseDy += dy;
}

void InjectJoystickButton(uint32_t button, bool down) {
    if (button < 32) g_devices.scriptButtons[button] = down ? 0x80 : 0;
}

void InjectJoystickAxis(uint32_t axis, int32_t value) {
    if (axis < 4) g_devices.scriptAxes[axis] = value < -1000 ? -1000 : (value > 1000 ? 1000 : value);
}

void InjectJoystickPov(uint32_t hat, uint32_t value) {
    if (hat < 4) g_devices.scriptPov[hat] = value;
}

}  // namespace plat
