#include "editor/files/FileNames.h"

#include "platform/fs/Paths.h"


#include <filesystem>
#include <fstream>
#include <system_error>

namespace qv {

namespace fs = std::filesystem;

std::optional<std::string> ResolveFileNoCase(const std::string& path) {
    if (path.empty()) return std::nullopt;
    std::string onDisk = plat::ResolvePath(path);
    std::error_code ec;
    if (!fs::is_regular_file(onDisk, ec)) return std::nullopt;
    return onDisk;
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
