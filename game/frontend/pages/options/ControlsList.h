#pragma once
// The lines of the controls page's binding list: each action's label and the names of its two
// bindings, and which binding a click on a line falls on.
#include <cstdint>
#include <string>

namespace kes {

constexpr uint32_t kControlsLineCount = 31;  // the action slots
constexpr uint32_t kControlsLineSize = 40;   // characters a line holds, its terminator included
constexpr uint32_t kSecondBindingSlots = 32; // slot + 32 is an action's second binding

// The text line of an action's label; the air-swap option (setting 259) exchanges the labels of the
// two air rolls (slots 9 and 10).
uint32_t ActionLabelText(uint32_t slot, uint32_t airSwap);

// A key name in the font's glyph codes, or "------" while the binding waits for its new key.
std::string BindingName(uint32_t language, uint32_t code, bool capturing);

// One list line: the label (cut to 14 characters) and the two binding names, never longer than
// kControlsLineSize - 1 characters.
std::string ControlsLine(const char* label, const std::string& first, const std::string& second);

// The binding column (0 first, 1 second) under a list cell column (1 = the line's first character),
// or -1 when the click falls beside both names.
int32_t BindingColumnAt(int32_t cellColumn);

// The first character of a binding column's name in the line (where its highlight starts).
constexpr int32_t BindingColumnStart(int32_t column) { return column * 9 + 17; }

}  // namespace kes
