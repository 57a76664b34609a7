#pragma once
// File names as the editor's files and records write them (backslashes, any case) resolved against the
// Linux file system, and the names derived from paths.
#include <optional>
#include <string>
#include <vector>

namespace qv {

// Turns backslashes into slashes and finds each component ignoring case when the exact one is missing.
// Returns the path on disk, or nothing when no file matches.
std::optional<std::string> ResolveFileNoCase(const std::string& path);

// The text between the last separator ('\' or '/') and the last '.' after it, at most maxChars.
std::string BaseNameWithoutExtension(const std::string& path, size_t maxChars);

// Reads a whole file of at most maxBytes; nothing when it cannot be read or is larger.
std::optional<std::vector<unsigned char>> ReadWholeFile(const std::string& path, size_t maxBytes);

}  // namespace qv
