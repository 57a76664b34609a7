#pragma once
// Numbers in the plug-ins' text files are written and read in the C locale, whatever locale the
// program runs in, so that a dump made on one machine reads back on any other.
#include <cstdarg>
#include <string>
#include <string_view>
#include <vector>

namespace qv::shared {

// printf-style formatting in the C locale.
std::string FormatC(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The number at the start of text (after blanks) in the C locale; *used is the count of characters it
// took, 0 when there was no number (the result is then 0).
double ParseDoubleC(std::string_view text, size_t* used = nullptr);
// A whole decimal integer at the start of text (after blanks); false when there is none or it does
// not fit 32 bits.
bool ParseIntC(std::string_view text, long* out, size_t* used = nullptr);

// Splits text at every occurrence of the separator.
std::vector<std::string_view> SplitAt(std::string_view text, std::string_view separator);

// Writes a whole text file (replacing the file); on failure says "Can't open" or "Can't write" with the
// path (Winprintf) and answers false.
bool WriteTextFile(const std::string& path, const std::string& text);
// Reads a whole file; says "Can't open" with the path and answers false when it cannot.
bool ReadTextFile(const std::string& path, std::string* text);

// The text's lines, split at LF, with a CR before the LF (files made on Windows) removed.
std::vector<std::string> TextLines(std::string_view text);

}  // namespace qv::shared
