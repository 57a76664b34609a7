#include "game/core/text/TextTable.h"

#include <cstdlib>
#include <vector>

#include "game/core/datapack/DataPack.h"

namespace kes {

namespace {

constexpr const char* kLanguageFiles[kLanguageCount] = {
    "LOCALIZE\\ENGLISH.TXT",
    "LOCALIZE\\SPANISH.TXT",
    "LOCALIZE\\FRANCAIS.TXT",
    "LOCALIZE\\DEUTCH.TXT",
};

// Byte -> glyph for the letters the font carries (0 = not a glyph).
struct GlyphTable {
    uint8_t glyph[256] = {};
    constexpr GlyphTable() {
        constexpr uint8_t pairs[][2] = {
            {0xA1, 128}, {0xC1, 129}, {0xE1, 130}, {0xE4, 131}, {0xE9, 132}, {0xE8, 133},
            {0xEA, 134}, {0xF3, 135}, {0xF6, 136}, {0xFA, 137}, {0xFC, 138}, {0xF1, 139},
            {0xBF, 140}, {0xDF, 141}, {0xD1, 142}, {0xCD, 144}, {0xC9, 145}, {0xD3, 146},
            {0xDA, 147}, {0xC4, 148}, {0xCB, 149}, {0xD6, 150}, {0xCE, 151}, {0xE0, 152},
            {0xE2, 153}, {0xED, 154}, {0xEE, 155}, {0xE7, 156}, {0xFB, 157}, {0x84, 158},
            {0xF4, 159}, {0xF2, 160}, {0xF9, 161}, {0xC8, 162}, {0xDC, 163},
        };
        for (const auto& pair : pairs) glyph[pair[0]] = pair[1];
    }
};
constexpr GlyphTable kGlyphs;

struct TextState {
    char* text = nullptr;             // the loaded file, translated in place
    std::vector<const char*> lines;  // line 1 at index 0; null for a line that never got an end
    int language = 0;
};

TextState& State() {
    static TextState state;
    return state;
}

}  // namespace

const char* LanguageFileName(int language) {
    if (language < 0 || language >= kLanguageCount) language = 0;
    return kLanguageFiles[language];
}

uint8_t MapTextChar(uint8_t byte) {
    if (byte < 0x80) return byte;
    return kGlyphs.glyph[byte] ? kGlyphs.glyph[byte] : 32;
}

int LoadTextTable(int language) {
    FreeTextTable();
    TextState& state = State();
    if (language < 0 || language >= kLanguageCount) language = 0;
    state.language = language;

    const char* name = kLanguageFiles[language];
    uint32_t size = 0;
    if (GetCachedFileSize(name) == 0) {
        // Either missing (message printed) or empty: an empty file is one empty line.
        void* empty = LoadFile(name, nullptr, &size);
        if (!empty) return -1;
        std::free(empty);
        state.text = static_cast<char*>(std::calloc(1, 1));
        if (!state.text) return -1;
        state.lines.assign(1, state.text);
        return 0;
    }
    void* loaded = LoadFile(name, nullptr, &size);
    // Listed in the pack with a size, yet unreadable: the pack is damaged.
    if (!loaded) return kTextTableDamaged;
    // One spare byte so the text always ends in a zero.
    char* text = static_cast<char*>(std::realloc(loaded, size_t{size} + 1));
    if (!text) {
        std::free(loaded);
        return -1;
    }
    text[size] = 0;

    size_t count = 1;
    for (uint32_t i = 0; i < size; ++i) {
        text[i] = static_cast<char>(MapTextChar(static_cast<uint8_t>(text[i])));
        if (text[i] == '\r') ++count;
    }
    state.text = text;
    state.lines.assign(count, nullptr);

    // Each CR, and the last byte of the file, ends a line and becomes its terminator (so a file
    // without a final CR loses its last character). A line starting with LF starts one byte later;
    // the end is zeroed first, so no line can start past the text.
    size_t line = 0;
    uint32_t start = 0;
    for (uint32_t i = 0; i < size && line < count; ++i) {
        if (text[i] != '\r' && i != size - 1) continue;
        text[i] = 0;
        uint32_t first = text[start] == '\n' ? start + 1 : start;
        state.lines[line++] = text + first;
        start = i + 1;
    }
    return 0;
}

int FreeTextTable() {
    TextState& state = State();
    std::free(state.text);
    state.text = nullptr;
    state.lines.clear();
    return 0;
}

const char* GetText(int lineId) {
    const TextState& state = State();
    if (lineId < 1 || static_cast<size_t>(lineId) > state.lines.size()) return "";
    const char* line = state.lines[static_cast<size_t>(lineId) - 1];
    return line ? line : "";
}

int GetTextLineCount() { return static_cast<int>(State().lines.size()); }

int GetLanguage() { return State().language; }

}  // namespace kes
