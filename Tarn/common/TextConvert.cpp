#include "Tarn/common/TextConvert.h"

#include <cstdint>

namespace TarnCommon {

namespace {

// Windows-1252 bytes 0x80..0x9F; the five bytes the code page leaves undefined map to the same
// control code, as the system's converter does.
constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char16_t ToWide(unsigned char c) { return c >= 0x80 && c < 0xA0 ? kHigh[c - 0x80] : char16_t(c); }

char ToNarrow(char16_t w) {
    if (w < 0x80 || (w >= 0xA0 && w <= 0xFF)) return static_cast<char>(w);
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == w) return static_cast<char>(0x80 + i);
    return '?';
}

}  // namespace

std::u16string NarrowToWide(const std::string& narrow) {
    std::u16string out;
    out.reserve(narrow.size());
    for (char c : narrow) {
        if (c == '\0') break;  // the text ends at its terminating zero
        out.push_back(ToWide(static_cast<unsigned char>(c)));
    }
    return out;
}

std::string WideToNarrow(const std::u16string& wide) {
    std::string out;
    out.reserve(wide.size());
    for (char16_t w : wide) {
        if (w == 0) break;
        out.push_back(ToNarrow(w));
    }
    return out;
}

char16_t* NarrowToWideBuffer(char16_t* buffer, const char* text, size_t capacity) {
    if (!buffer) return nullptr;
    if (capacity == 0) return buffer;
    buffer[0] = 0;
    if (!text) return buffer;
    size_t i = 0;
    for (; text[i] != '\0' && i + 1 < capacity; ++i) buffer[i] = ToWide(static_cast<unsigned char>(text[i]));
    buffer[i] = 0;
    return buffer;
}

char* WideToNarrowBuffer(char* buffer, const char16_t* text, size_t capacity) {
    if (!buffer) return nullptr;
    if (capacity == 0) return buffer;
    buffer[0] = '\0';
    if (!text) return buffer;
    size_t i = 0;
    for (; text[i] != 0 && i + 1 < capacity; ++i) buffer[i] = ToNarrow(text[i]);
    buffer[i] = '\0';
    return buffer;
}

}  // namespace TarnCommon
