#pragma once
// The editor's mouse for viewport navigation: relative motion and buttons gathered between reads (the
// window feeds them from its events), acquired while a drag runs, and a few key-state helpers.
#include <cstdint>
#include <functional>

namespace qv {

enum : uint32_t { kInputLost = 0x8007001E, kInputNotAcquired = 0x8007000C };

// 16 bytes: motion since the last read, wheel, four buttons (bit 7 set while pressed).
struct MouseState {
    int32_t dx = 0, dy = 0, wheel = 0;
    uint8_t buttons[4] = {0, 0, 0, 0};
};
static_assert(sizeof(MouseState) == 16);

class MouseDevice {
public:
    // 0 (the device exists once created).
    int32_t Create();
    // No device: 1; already in that state: 0; else acquires or releases, 0.
    int32_t SetAcquired(bool on);
    bool Acquired() const { return acquired_; }
    // Reads the motion gathered since the last read into `state` (kept in `Latest`). After a loss of
    // input the device is acquired again and read again at once, so the read still delivers a fresh
    // state; *fresh tells whether it did (false: no device, or the acquire failed).
    int32_t Read(bool* fresh = nullptr);
    void Release();
    const MouseState& Latest() const { return latest_; }

    // What the window feeds in. Motion counts only while acquired.
    void AddMotion(int32_t dx, int32_t dy, int32_t wheel = 0);
    void SetButton(int index, bool down);
    // The system took the device away (focus lost); the next read finds it lost.
    void LoseInput() { lost_ = true; }
    // Tests: make re-acquiring fail.
    void FailAcquire(bool fail) { failAcquire_ = fail; }

private:
    bool created_ = false;
    bool acquired_ = false;
    bool lost_ = false;
    bool failAcquire_ = false;
    MouseState pending_;
    MouseState latest_;
};

// Asynchronous key state: down now, or pressed since the last query (a query clears the latch).
class KeyState {
public:
    void KeyDown(int key);
    void KeyUp(int key);
    // Non-zero while down or pressed since the last query; clears the pressed-since latch.
    int16_t Query(int key);
    // 1 when every listed key has a non-zero state; asking stops at the first that has none.
    int AllKeysDown(int count, const int* keys);
    void Flush();

private:
    bool down_[256] = {};
    bool pressed_[256] = {};
};

// (value - low) x 200 / (high - low) - 100, in 64-bit arithmetic; 0 when low equals high.
int32_t ToPercent(int32_t value, int32_t low, int32_t high);

}  // namespace qv
