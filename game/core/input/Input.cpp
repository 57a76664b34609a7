// Bindings, edge detection and the raw state of the devices.
#include "game/core/input/Input.h"

#include <cstring>

#include "platform/input/InputDevices.h"
#include "platform/sys/Env.h"

namespace kes {
namespace {

struct InputState {
    bool ready = false;
    bool active = true;
    uint8_t keys[256] = {};
    uint8_t keysBefore[256] = {};
    uint8_t mouse[4] = {};
    uint8_t mouseBefore[4] = {};
    int32_t mouseX = 0;
    int32_t mouseY = 0;
    int32_t joyX = 0, joyY = 0, joyZ = 0, joyRz = 0;
    uint32_t pov[4] = {plat::kPovCentred, plat::kPovCentred, plat::kPovCentred, plat::kPovCentred};
    uint8_t joyButtons[32] = {};
    uint8_t joyBefore[32] = {};
    InputBinding* chains[kInputLastCode + 1] = {};
};

InputState g_input;

void Fire(uint32_t code, bool down) {
    for (InputBinding* b = g_input.chains[code]; b; b = b->next) {
        if (!(b->flags & (down ? kBindOnDown : kBindOnUp))) continue;
        if (b->flags & kBindWord) *static_cast<uint32_t*>(b->target) = down ? 1u : 0u;
        else reinterpret_cast<InputRoutine>(b->target)(down ? 1 : 0);
    }
}

void FreeChains() {
    for (InputBinding*& head : g_input.chains) {
        while (head) {
            InputBinding* next = head->next;
            delete head;
            head = next;
        }
    }
}

}  // namespace

int32_t InputInit(void*, void*) {
    FreeChains();
    g_input = InputState{};
    g_input.ready = true;
    const bool joystick = plat::OpenInputDevices();
    // The game owns the mouse while it has the focus; a run nobody watches leaves the pointer alone.
    plat::SetExclusiveMouse(!plat::Env().headless);
    plat::SetInputDevicesActive(g_input.active);
    return joystick ? 0 : kInputNoJoystick;
}

void InputShutdown() {
    FreeChains();
    if (g_input.ready) plat::CloseInputDevices();
    g_input = InputState{};
}

void InputSetActive(int active) {
    g_input.active = active != 0;
    plat::SetInputDevicesActive(g_input.active);
}

void InputPoll() {
    plat::RawInput raw;
    plat::ReadInputDevices(&raw);
    // Keyboard.
    std::memcpy(g_input.keysBefore, g_input.keys, sizeof g_input.keys);
    std::memcpy(g_input.keys, raw.keys, sizeof g_input.keys);
    for (uint32_t code = 1; code < 256; ++code) {
        if (!g_input.chains[code]) continue;
        const bool now = g_input.keys[code] & 0x80, before = g_input.keysBefore[code] & 0x80;
        if (now && !before) Fire(code, true);
        else if (!now && before) Fire(code, false);
    }
    // Mouse.
    g_input.mouseX += raw.mouseDx;
    g_input.mouseY += raw.mouseDy;
    std::memcpy(g_input.mouseBefore, g_input.mouse, sizeof g_input.mouse);
    std::memcpy(g_input.mouse, raw.mouseButtons, sizeof g_input.mouse);
    for (uint32_t i = 0; i < 4; ++i) {
        const bool now = g_input.mouse[i] & 0x80, before = g_input.mouseBefore[i] & 0x80;
        if (now && !before) Fire(kInputFirstMouse + i, true);
        else if (!now && before) Fire(kInputFirstMouse + i, false);
    }
    // Joystick: values reset each poll, then the device's.
    g_input.joyX = g_input.joyY = g_input.joyZ = g_input.joyRz = 0;
    for (uint32_t& p : g_input.pov) p = plat::kPovCentred;
    if (!raw.joystick) {
        // The joystick stopped reporting (unplugged, or the window lost the focus): its buttons count
        // as released, so none stays held in a binding or shows as a press for ever.
        for (uint32_t i = 0; i < 32; ++i)
            if (g_input.joyBefore[i] & 0x80) Fire(kInputFirstJoystick + i, false);
        std::memset(g_input.joyButtons, 0, sizeof g_input.joyButtons);
        std::memset(g_input.joyBefore, 0, sizeof g_input.joyBefore);
        return;
    }
    g_input.joyX = raw.axes[0];
    g_input.joyY = raw.axes[1];
    g_input.joyZ = raw.axes[2];
    g_input.joyRz = raw.axes[3];
    std::memcpy(g_input.pov, raw.pov, sizeof g_input.pov);
    std::memcpy(g_input.joyButtons, raw.joyButtons, sizeof g_input.joyButtons);
    for (uint32_t i = 0; i < 32; ++i) {
        const bool now = g_input.joyButtons[i] & 0x80;
        if (now && g_input.joyBefore[i] == 0) Fire(kInputFirstJoystick + i, true);
        else if (!now && (g_input.joyBefore[i] & 0x80)) Fire(kInputFirstJoystick + i, false);
    }
    std::memcpy(g_input.joyBefore, g_input.joyButtons, sizeof g_input.joyButtons);
}

void InputAddBinding(const InputBinding* b) {
    if (!b || b->code == 0 || b->code > kInputLastCode) return;
    auto* copy = new InputBinding{b->flags, b->target, b->code, nullptr};
    InputBinding** tail = &g_input.chains[b->code];
    while (*tail) tail = &(*tail)->next;
    *tail = copy;
}

void InputRemoveBinding(const InputBinding* b) {
    if (!b || b->code == 0 || b->code > kInputLastCode) return;
    InputBinding** head = &g_input.chains[b->code];
    if (!*head) return;
    if ((*head)->target == b->target) {
        InputBinding* gone = *head;
        *head = gone->next;
        delete gone;
        return;
    }
    for (InputBinding** at = &(*head)->next; *at;) {
        if ((*at)->target == b->target) {
            InputBinding* gone = *at;
            *at = gone->next;
            delete gone;
        } else {
            at = &(*at)->next;
        }
    }
}

void InputTakeMouseDelta(int32_t* dx, int32_t* dy) {
    if (dx) *dx = g_input.mouseX;
    if (dy) *dy = g_input.mouseY;
    g_input.mouseX = g_input.mouseY = 0;
}

void InputGetJoystickState(int32_t* x, int32_t* y, int32_t* rz, uint32_t* pov, int32_t* z) {
    if (x) *x = g_input.joyX;
    if (y) *y = g_input.joyY;
    if (rz) *rz = g_input.joyRz;
    if (pov) std::memcpy(pov, g_input.pov, sizeof g_input.pov);
    if (z) *z = g_input.joyZ;
}

uint32_t InputAnyNewPress() {
    for (uint32_t code = 1; code < 256; ++code)
        if ((g_input.keys[code] & 0x80) && !(g_input.keysBefore[code] & 0x80)) return code;
    for (uint32_t i = 0; i < 4; ++i)
        if ((g_input.mouse[i] & 0x80) && !(g_input.mouseBefore[i] & 0x80)) return kInputFirstMouse + i;
    for (uint32_t i = 0; i < 32; ++i)
        if (g_input.joyButtons[i] & 0x80) return kInputFirstJoystick + i;
    return 0;
}

void InputLatchState() {
    std::memcpy(g_input.keysBefore, g_input.keys, sizeof g_input.keys);
    std::memcpy(g_input.mouseBefore, g_input.mouse, sizeof g_input.mouse);
}

uint32_t InputBindingCount(uint32_t code) {
    if (code == 0 || code > kInputLastCode) return 0;
    uint32_t n = 0;
    for (InputBinding* b = g_input.chains[code]; b; b = b->next) ++n;
    return n;
}

}  // namespace kes
