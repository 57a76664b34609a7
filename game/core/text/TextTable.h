#pragma once
// Localised text: one language file from the data pack, one text per line, fetched by line number.
// Accented letters are turned into the font's glyph codes 128..163 as the file is loaded.
#include <cstdint>

namespace kes {

constexpr int kLanguageCount = 4;

// The pack name of a language's file (0 English, 1 Spanish, 2 French, 3 German); any other index
// gives English.
const char* LanguageFileName(int language);

// Loads the language's file from the data pack. A language outside 0..3 loads English and is kept
// as 0. Returns 0; -1 when the file is missing or memory runs out; kTextTableDamaged when the pack
// lists the file but its bytes cannot be read or unpacked. The table is empty after a failure.
constexpr int kTextTableDamaged = -2;
int LoadTextTable(int language);

// Frees the text. Returns 0.
int FreeTextTable();

// Line id (1 = the first line) -> its text; 0 or an id above the line count gives "".
const char* GetText(int lineId);

// The number of lines loaded.
int GetTextLineCount();

// The language index in use (0..3).
int GetLanguage();

// A Windows-1252 byte -> the font's glyph: bytes below 0x80 stay, the accented letters of the font
// become 128..163, every other byte from 0x80 up becomes a blank.
uint8_t MapTextChar(uint8_t byte);

}  // namespace kes
