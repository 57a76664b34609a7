#pragma once
// The language files of the data pack: one text per line in Windows-1252, every line ended by CR LF,
// line n of every language holding the same text.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tools {

// Encodes a text written in UTF-8 as the bytes the game's font can show: printable ASCII (0x20-0x7E)
// and the accented letters of the font's glyph table, as Windows-1252 bytes. False (with *error) on
// any other character, on a control character and on malformed UTF-8.
bool EncodeFontText(std::string_view utf8, std::string* out, std::string* error);

// The bytes of one language's file (0 English, 1 Spanish, 2 French, 3 German): line n holds the text
// of line id n, lines without a text are empty. False (with *error) when a text cannot be encoded.
bool BuildLanguageFile(int language, std::vector<uint8_t>* bytes, std::string* error);

}  // namespace tools
