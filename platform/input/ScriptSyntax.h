#pragma once
// The syntax of input scripts (GRAVELON_INPUT), shared by the game and the editor: a text file of
// events, one a line, each with the frame number at which it happens:
//
//   <frame> key <code or key name> down|up     keyboard (DirectInput code 1-255, or a key name)
//   <frame> mouse <button 0-3> down|up
//   <frame> move <dx> <dy>                     mouse movement
//   <frame> joy <button 0-31> down|up
//   <frame> axis x|y|z|rz <value -1000..1000>
//   <frame> pov <hat 0-3> <hundredths of degrees, or -1 for centred>
//   <frame> char <code 1-255>                  a character typed (Windows-1252; 8 Backspace, 13 Return,
//                                              27 Esc), as the game's text fields receive it
//   <frame> wait <count> <file> <line>         the script stops at this frame until the file (a path
//                                              without blanks) holds the line, the rest of this one, at
//                                              least count times; the program runs on meanwhile, and
//                                              later events come that many frames later. Copies of
//                                              the game in one test meet this way through each
//                                              other's event logs (GRAVELON_EVENT_LOG).
//
// and for the editor's windows:
//
//   <frame> at <x> <y>                         the pointer moves to window pixel (x, y)
//   <frame> command <id>                       a menu or toolbar command
//   <frame> click <control id>                 a click on a control of the plug-in panel
//   <frame> focus <control id>                 the panel's control takes the focus
//   <frame> type <text to the end of the line> the text replaces that of the focused control
//   <frame> files [path ...]                   the next file chooser's answer (none: cancelled)
//   <frame> box <ok|cancel|yes|no|number>      the next message box's answer
//   <frame> popup <command id>                 the next popup menu's choice
//   <frame> dialog click <id>                  a step for the next modal dialog; the dialog lines
//   <frame> dialog type <id> <text>            of one frame act on one dialog, in file order
//   <frame> dialog select <id> <item>          (lists and combo boxes: the item's 0-based index)
//   <frame> dialog close
//
// Blank lines and lines starting with '#' are skipped. Frames count from 1.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

struct ScriptEvent {
    enum class Kind : uint8_t {
        Key, MouseButton, MouseMove, JoyButton, Axis, Pov, Char,
        At, Command, Click, Focus, Type, Files, Box, Popup, DialogClick, DialogType, DialogSelect, DialogClose, Wait,
    };
    uint32_t frame = 0;
    Kind kind = Kind::Key;
    uint32_t index = 0;  // key code, button, axis, hat, character, command or control id
    int32_t a = 0;       // down (1) / up (0), dx, x, axis, pov, box answer or count waited for
    int32_t b = 0;       // dy, y
    std::vector<std::string> texts;  // typed text (one), chosen files, or the file and line waited for
};

// Turns a key name into its code; false for a name it does not know (numbers are handled before).
using KeyNameResolver = bool (*)(std::string_view name, uint32_t* code);

// Parses a whole script; events come back ordered by frame (file order within a frame). False with
// "line N: reason" in *error for a line it cannot read.
bool ParseScript(std::string_view text, KeyNameResolver keys, std::vector<ScriptEvent>* events, std::string* error);

// How many lines of `file` equal `line` (0 when the file cannot be read): what a wait event looks at.
uint32_t CountLinesInFile(const std::string& file, std::string_view line);

}  // namespace plat
