#pragma once
// ASCII-only case folding for names that the stored data compares without regard to case (pack
// entries, file names, registry keys). Bytes from 0x80 up are compared as they are.
#include <cstddef>
#include <string_view>

namespace plat {

constexpr char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

constexpr bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    return true;
}

// Orders names by their folded bytes (unsigned), shorter first on a common prefix; names that differ
// only in case keep a fixed order by their raw bytes.
constexpr bool LessNoCase(std::string_view a, std::string_view b) {
    size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        auto x = static_cast<unsigned char>(AsciiLower(a[i]));
        auto y = static_cast<unsigned char>(AsciiLower(b[i]));
        if (x != y) return x < y;
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

}  // namespace plat
