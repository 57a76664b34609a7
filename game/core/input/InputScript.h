#pragma once
// Scripted input for automated runs (GRAVELON_INPUT): a text file of events, one a line, each with
// the frame number at which it happens:
//
//   <frame> key <code or key name> down|up     keyboard (DirectInput code 1-255, or its English name
//                                              without blanks, e.g. F12, ESC, PGUP)
//   <frame> mouse <button 0-3> down|up
//   <frame> move <dx> <dy>                     mouse movement
//   <frame> joy <button 0-31> down|up
//   <frame> axis x|y|z|rz <value -1000..1000>
//   <frame> pov <hat 0-3> <hundredths of degrees, or -1 for centred>
//   <frame> char <code 1-255>                  a character typed (Windows-1252; 8 Backspace, 13 Return,
//                                              27 Esc), as a text field receives it
//
// Blank lines and lines starting with '#' are skipped. Frames count from 1.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kes {

struct ScriptEvent {
    enum class Kind : uint8_t { Key, MouseButton, MouseMove, JoyButton, Axis, Pov, Char };
    uint32_t frame = 0;
    Kind kind = Kind::Key;
    uint32_t index = 0;  // key code, button, axis or hat
    int32_t a = 0;       // down (1) / up (0), dx, axis or pov value
    int32_t b = 0;       // dy
};

// Parses a whole script; events come back ordered by frame (file order within a frame). False with
// "line N: reason" in *error for a line it cannot read.
bool ParseInputScript(std::string_view text, std::vector<ScriptEvent>* events, std::string* error);

// Loads the script as the input source: devices are no longer read, and each poll applies the events
// of the frames up to the one set by InputScriptFrame. False (with a note on standard error) when the
// file cannot be read or parsed.
bool LoadInputScript(const std::string& path);
void UnloadInputScript();
bool InputScriptActive();
// The frame the next poll belongs to; applies every event due by then to the scripted devices.
void InputScriptFrame(uint32_t frame);
// The oldest character the script typed and nobody has taken yet, or 0.
uint8_t InputScriptTakeCharacter();

}  // namespace kes
