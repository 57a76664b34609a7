#include "editor/input/MouseInput.h"

namespace qv {

int32_t MouseDevice::Create() {
    created_ = true;
    return 0;
}

int32_t MouseDevice::SetAcquired(bool on) {
    if (!created_) return 1;
    if (on == acquired_) return 0;
    acquired_ = on;
    if (on) lost_ = false;
    return 0;
}

int32_t MouseDevice::Read(bool* fresh) {
    if (fresh) *fresh = false;
    if (!created_) return 0;
    if (lost_ || !acquired_) {
        // Acquire again and read at once: a drag that survives a loss keeps its motion.
        if (failAcquire_) return static_cast<int32_t>(kInputNotAcquired);
        lost_ = false;
        acquired_ = true;
    }
    latest_ = pending_;
    pending_.dx = pending_.dy = pending_.wheel = 0;
    if (fresh) *fresh = true;
    return 0;
}

void MouseDevice::Release() {
    acquired_ = false;
    created_ = false;
    pending_ = MouseState{};
}

void MouseDevice::AddMotion(int32_t dx, int32_t dy, int32_t wheel) {
    if (!acquired_ || lost_) return;
    pending_.dx += dx;
    pending_.dy += dy;
    pending_.wheel += wheel;
}

void MouseDevice::SetButton(int index, bool down) {
    if (index >= 0 && index < 4) pending_.buttons[index] = down ? 0x80 : 0;
}

void KeyState::KeyDown(int key) {
    if (key < 0 || key > 255) return;
    down_[key] = true;
    pressed_[key] = true;
}

void KeyState::KeyUp(int key) {
    if (key >= 0 && key <= 255) down_[key] = false;
}

int16_t KeyState::Query(int key) {
    if (key < 0 || key > 255) return 0;
    int16_t state = 0;
    if (down_[key]) state = static_cast<int16_t>(0x8000);
    if (pressed_[key]) state = static_cast<int16_t>(state | 1);
    pressed_[key] = false;
    return state;
}

int KeyState::AllKeysDown(int count, const int* keys) {
    if (count <= 0 || !keys) return 0;
    for (int i = 0; i < count; ++i)
        if (Query(keys[i]) == 0) return 0;
    return 1;
}

void KeyState::Flush() {
    for (int k = 0; k < 256; ++k) Query(k);
}

int32_t ToPercent(int32_t value, int32_t low, int32_t high) {
    if (low == high) return 0;
    return static_cast<int32_t>((static_cast<int64_t>(value) - low) * 200 / (static_cast<int64_t>(high) - low) - 100);
}

}  // namespace qv
