#pragma once
// Scripted input for automated runs (GRAVELON_INPUT): the syntax is the one of
// platform/input/ScriptSyntax.h, which the editor shares; key names are the English names of the
// controls pages without blanks (F12, ESC, PGUP). The game plays the key, button, movement, axis
// and hat events, characters typed, and passes over the editor's window events.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/input/ScriptSyntax.h"

namespace kes {

using ScriptEvent = plat::ScriptEvent;

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
