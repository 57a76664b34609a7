#pragma once
// The names of the input codes 0-273 shown on the controls pages, one table per language (text in
// Windows-1252, as the game's fonts draw it). Codes without a name give "?".
#include <cstdint>

namespace kes {

constexpr uint32_t kKeyNameCount = 274;

// language: 1 Spanish, 2 French, 3 German, anything else English.
const char* KeyName(uint32_t language, uint32_t code);

}  // namespace kes
