#include "tools/contentgen/LanguageFiles.h"

#include "game/core/text/TextTable.h"
#include "tools/contentgen/AssetFamilies.h"
#include "tools/contentgen/text/TextLines.h"

namespace tools {

namespace {

// Reads one UTF-8 character at text[*pos]; false on malformed, cut-short or overlong sequences.
bool NextCodePoint(std::string_view text, size_t* pos, uint32_t* codePoint) {
    auto byteAt = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
    uint8_t lead = byteAt(*pos);
    size_t extra = 0;
    uint32_t value = lead;
    if (lead >= 0x80) {
        if ((lead & 0xE0) == 0xC0) {
            extra = 1, value = lead & 0x1Fu;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2, value = lead & 0x0Fu;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3, value = lead & 0x07u;
        } else {
            return false;
        }
    }
    if (extra >= text.size() - *pos) return false;
    for (size_t i = 1; i <= extra; ++i) {
        uint8_t next = byteAt(*pos + i);
        if ((next & 0xC0) != 0x80) return false;
        value = (value << 6) | (next & 0x3Fu);
    }
    static constexpr uint32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
    if (value < kSmallest[extra]) return false;
    *pos += extra + 1;
    *codePoint = value;
    return true;
}

// The Windows-1252 byte of a character the font shows, or 0.
uint8_t FontByte(uint32_t codePoint) {
    if (codePoint >= 0x20 && codePoint <= 0x7E) return static_cast<uint8_t>(codePoint);
    uint8_t byte = 0;
    if (codePoint >= 0xA0 && codePoint <= 0xFF) byte = static_cast<uint8_t>(codePoint);  // Latin-1 letters
    if (codePoint == 0x201E) byte = 0x84;                                                 // low double quote
    return byte && kes::MapTextChar(byte) >= 128 ? byte : 0;
}

}  // namespace

bool EncodeFontText(std::string_view utf8, std::string* out, std::string* error) {
    out->clear();
    size_t pos = 0;
    while (pos < utf8.size()) {
        size_t start = pos;
        uint32_t codePoint = 0;
        if (!NextCodePoint(utf8, &pos, &codePoint)) {
            *error = "malformed UTF-8 in \"" + std::string(utf8) + "\"";
            return false;
        }
        uint8_t byte = FontByte(codePoint);
        if (!byte) {
            *error = "\"" + std::string(utf8.substr(start, pos - start)) + "\" in \"" + std::string(utf8) +
                     "\" has no glyph in the game's font";
            return false;
        }
        out->push_back(static_cast<char>(byte));
    }
    return true;
}

bool BuildLanguageFile(int language, std::vector<uint8_t>* bytes, std::string* error) {
    if (language < 0 || language >= kes::kLanguageCount) {
        *error = "no language " + std::to_string(language);
        return false;
    }
    bytes->clear();
    int nextId = 1;
    std::string encoded;
    for (const TextLine& line : TextLines()) {
        if (line.id < nextId) {
            *error = "text line " + std::to_string(line.id) + " is out of order";
            return false;
        }
        for (; nextId < line.id; ++nextId) bytes->insert(bytes->end(), {'\r', '\n'});
        if (!EncodeFontText(line.text[language], &encoded, error)) {
            *error = "text line " + std::to_string(line.id) + ": " + *error;
            return false;
        }
        bytes->insert(bytes->end(), encoded.begin(), encoded.end());
        bytes->insert(bytes->end(), {'\r', '\n'});
        ++nextId;
    }
    return true;
}

bool AddLanguageFiles(PackContent& pack, std::string* error) {
    for (int language = 0; language < kes::kLanguageCount; ++language) {
        std::vector<uint8_t> bytes;
        if (!BuildLanguageFile(language, &bytes, error)) return false;
        if (!pack.Add(kes::LanguageFileName(language), std::move(bytes), error)) return false;
    }
    return true;
}

}  // namespace tools
