#pragma once
// The display page's way to the screen: a mode switch (the display layer's, unless a test puts
// another in place).
#include <cstdint>

namespace kes {

// 0 when the screen now runs at the mode.
using DisplayModeSwitch = int32_t (*)(uint32_t width, uint32_t height, uint32_t bitsPerPixel);
// Returns the previous switch; null restores the display layer's.
DisplayModeSwitch SetDisplayModeSwitch(DisplayModeSwitch modeSwitch);

}  // namespace kes
