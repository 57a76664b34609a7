#pragma once
// The game's texts in every language, one row per line id of the language files.
#include <span>

namespace tools {

struct TextLine {
    int id;               // line number in every language file (1 = the first line)
    const char* text[4];  // UTF-8; in the game's language order: English, Spanish, French, German
};

// The rows in ascending id order; ids without a row are empty lines.
std::span<const TextLine> TextLines();

}  // namespace tools
