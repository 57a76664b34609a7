#include "editor/files/FileNames.h"

#include <strings.h>

#include <filesystem>
#include <fstream>
#include <system_error>

namespace qv {

namespace fs = std::filesystem;

std::optional<std::string> ResolveFileNoCase(const std::string& path) {
    std::string slashed = path;
    for (char& c : slashed)
        if (c == '\\') c = '/';
    std::error_code ec;
    if (slashed.empty()) return std::nullopt;
    if (fs::is_regular_file(slashed, ec)) return slashed;

    fs::path wanted(slashed);
    fs::path current = wanted.is_absolute() ? fs::path("/") : fs::path(".");
    bool first = true;
    for (const fs::path& part : wanted.relative_path()) {
        const std::string name = part.string();
        if (name.empty() || name == ".") continue;
        fs::path exact = current / part;
        if (fs::exists(exact, ec)) {
            current = exact;
        } else {
            bool found = false;
            for (fs::directory_iterator it(current, ec), end; !ec && it != end; it.increment(ec)) {
                if (strcasecmp(it->path().filename().c_str(), name.c_str()) == 0) {
                    current = it->path();
                    found = true;
                    break;
                }
            }
            if (!found) return std::nullopt;
        }
        first = false;
    }
    if (first || !fs::is_regular_file(current, ec)) return std::nullopt;
    std::string result = current.string();
    if (!wanted.is_absolute() && result.rfind("./", 0) == 0) result.erase(0, 2);
    return result;
}

std::string BaseNameWithoutExtension(const std::string& path, size_t maxChars) {
    size_t slash = path.find_last_of("\\/");
    size_t start = slash == std::string::npos ? 0 : slash + 1;
    size_t dot = path.find_last_of('.');
    size_t end = (dot == std::string::npos || dot < start) ? path.size() : dot;
    std::string name = path.substr(start, end - start);
    if (name.size() > maxChars) name.resize(maxChars);
    return name;
}

std::optional<std::vector<unsigned char>> ReadWholeFile(const std::string& path, size_t maxBytes) {
    std::error_code ec;
    auto size = fs::file_size(path, ec);
    if (ec || size > maxBytes) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::vector<unsigned char> bytes(static_cast<size_t>(size));
    if (size && !in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size))) return std::nullopt;
    return bytes;
}

}  // namespace qv
