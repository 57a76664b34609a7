#pragma once
// Keyboard codes in the DirectInput numbering (scan codes of a PC keyboard, 1-255), which the game's
// bindings and the key maps stored in profiles use, and their mapping from SDL's scancodes.
#include <cstdint>

namespace plat {

// The code of an SDL scancode, 0 for a key the numbering has no code for.
uint8_t DikFromScancode(int sdlScancode);
// The SDL scancode of a code, 0 (SDL_SCANCODE_UNKNOWN) for none.
int ScancodeFromDik(uint8_t dik);

}  // namespace plat
