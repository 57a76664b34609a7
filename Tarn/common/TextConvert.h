#pragma once
// Conversions between the narrow texts of the game and the wide (UTF-16) texts of the online library's
// messages. The narrow code page is Windows-1252, the game's own text encoding: every byte maps to one
// UTF-16 unit; a wide character that Windows-1252 cannot show becomes '?'.
#include <cstddef>
#include <string>

namespace TarnCommon {

std::u16string NarrowToWide(const std::string& narrow);
std::string WideToNarrow(const std::u16string& wide);

// Buffer forms: null for a null buffer; otherwise the buffer first holds an empty string, then (for a
// text given) as much of the converted text as fits with its terminating zero. Capacities count
// characters of the destination (wide units, or bytes).
char16_t* NarrowToWideBuffer(char16_t* buffer, const char* text, size_t capacity);
char* WideToNarrowBuffer(char* buffer, const char16_t* text, size_t capacity);

}  // namespace TarnCommon
