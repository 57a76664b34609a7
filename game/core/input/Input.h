#pragma once
// Input codes and bindings: every key (1-255, DirectInput numbering), mouse button (256-259) and
// joystick button (260-291) has a chain of bindings that set a word to 1 and 0 or call a routine with
// 1 and 0 when the control goes down and up. InputPoll reads the devices once per frame and fires
// them; raw state (mouse movement, joystick axes, first new press) is there for the front end.
#include <cstdint>

namespace kes {

constexpr uint32_t kInputFirstMouse = 256;
constexpr uint32_t kInputFirstJoystick = 260;
constexpr uint32_t kInputLastCode = 291;
constexpr int32_t kInputNoJoystick = static_cast<int32_t>(0x80004005);

constexpr uint32_t kBindWord = 1;      // target is a u32 to set; otherwise a routine taking one int
constexpr uint32_t kBindOnDown = 2;
constexpr uint32_t kBindOnUp = 4;

using InputRoutine = void (*)(int value);

struct InputBinding {
    uint32_t flags;
    void* target;  // uint32_t* or InputRoutine
    uint32_t code;
    InputBinding* next;
};

// 0, or kInputNoJoystick when no joystick is attached (keyboard and mouse are ready).
int32_t InputInit(void* instance, void* window);
void InputShutdown();
void InputSetActive(int active);
void InputPoll();
// Codes outside 1-291 are ignored.
void InputAddBinding(const InputBinding* binding);
void InputRemoveBinding(const InputBinding* binding);
void InputTakeMouseDelta(int32_t* dx, int32_t* dy);
void InputGetJoystickState(int32_t* x, int32_t* y, int32_t* rz, uint32_t* pov, int32_t* z);
uint32_t InputAnyNewPress();
void InputLatchState();

// Bindings in the chain of a code (tests and the controls pages).
uint32_t InputBindingCount(uint32_t code);

// Helpers for routine targets.
inline void* BindingTarget(InputRoutine routine) { return reinterpret_cast<void*>(routine); }
inline void* BindingTarget(uint32_t* word) { return word; }

}  // namespace kes
