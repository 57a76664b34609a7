#include "platform/fs/Paths.h"

#include "platform/bytes/AsciiCase.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <mutex>
#include <optional>

namespace plat {
namespace {

std::mutex g_mutex;
std::string g_gameFolder;
bool g_gameFolderSet = false;
std::string g_currentFolder;
bool g_currentFolderSet = false;

std::string ProgramFolder() {
    std::string buffer(PATH_MAX, '\0');
    ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n <= 0) return ".";
    buffer.resize(static_cast<size_t>(n));
    size_t slash = buffer.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return buffer.substr(0, slash);
}

std::string WorkingFolder() {
    std::string buffer(PATH_MAX, '\0');
    if (!getcwd(buffer.data(), buffer.size())) return ".";
    buffer.resize(std::char_traits<char>::length(buffer.c_str()));
    return buffer;
}

bool StatIsFolder(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool StatExists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
}

// The on-disk spelling of one component inside folder: the exact name when it exists, else the first
// case-insensitive match in name order, else nothing.
// A component that more components follow names a folder: where a file and a folder differ only in
// case (the program "Kestrun" beside the media folder "kestrun"), the folder is taken.
std::optional<std::string> FindComponent(const std::string& folder, std::string_view component, bool folderWanted) {
    std::string exact = folder;
    if (exact.empty() || exact.back() != '/') exact += '/';
    const size_t nameAt = exact.size();
    exact.append(component);
    if (folderWanted ? StatIsFolder(exact) : StatExists(exact)) return std::string(component);
    DIR* dir = opendir(folder.empty() ? "/" : folder.c_str());
    if (!dir) return std::nullopt;
    std::vector<std::string> matches;
    while (dirent* e = readdir(dir)) {
        if (!EqualNoCase(e->d_name, component)) continue;
        if (folderWanted && !StatIsFolder(exact.replace(nameAt, std::string::npos, e->d_name))) continue;
        matches.emplace_back(e->d_name);
    }
    closedir(dir);
    if (matches.empty()) return std::nullopt;
    return *std::min_element(matches.begin(), matches.end());
}

std::string Join(const std::string& folder, std::string_view component) {
    std::string out = folder;
    if (out.empty() || out.back() != '/') out += '/';
    out.append(component);
    return out;
}

bool MatchFrom(std::string_view name, std::string_view pattern) {
    // Iterative wildcard match with one backtrack point for the last '*'.
    size_t n = 0, p = 0, starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || AsciiLower(pattern[p]) == AsciiLower(name[n]))) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

}  // namespace

std::string GameFolder() {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!g_gameFolderSet) {
        g_gameFolder = ProgramFolder();
        g_gameFolderSet = true;
    }
    return g_gameFolder;
}

void SetGameFolder(std::string folder) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_gameFolder = std::move(folder);
    g_gameFolderSet = true;
}

std::string CurrentFolder() {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!g_currentFolderSet) {
        g_currentFolder = WorkingFolder();
        g_currentFolderSet = true;
    }
    return g_currentFolder;
}

bool SetCurrentFolder(std::string_view name) {
    std::string path = ResolvePath(name);
    if (!StatIsFolder(path)) return false;
    std::lock_guard<std::mutex> lock(g_mutex);
    g_currentFolder = std::move(path);
    g_currentFolderSet = true;
    return true;
}

std::string ResolvePath(std::string_view name) {
    const bool absolute = !name.empty() && (name[0] == '\\' || name[0] == '/');
    std::string path = absolute ? std::string(1, '/') : CurrentFolder();
    size_t pos = 0;
    bool onDisk = true;  // false once a component is missing: the rest is kept as written
    while (pos <= name.size()) {
        size_t end = name.find_first_of("\\/", pos);
        if (end == std::string_view::npos) end = name.size();
        std::string_view component = name.substr(pos, end - pos);
        pos = end + 1;
        if (component.empty() || component == ".") continue;
        std::optional<std::string> found;
        if (component == "..") {
            path = Join(path, component);
        } else if (onDisk && (found = FindComponent(path, component, end < name.size()))) {
            path = Join(path, *found);
        } else {
            onDisk = false;
            path = Join(path, component);
        }
    }
    // A trailing separator (a folder name) is kept, so that "Replay\\" still names a folder.
    if (!name.empty() && (name.back() == '\\' || name.back() == '/') && path.back() != '/') path += '/';
    return path;
}

bool PathExists(std::string_view name) { return StatExists(ResolvePath(name)); }

bool IsFolder(std::string_view name) { return StatIsFolder(ResolvePath(name)); }

bool CreateFolder(std::string_view name) {
    std::string path = ResolvePath(name);
    // Create each missing level in turn; resolution already spelled the existing ones.
    for (size_t slash = path.find('/', 1); ; slash = path.find('/', slash + 1)) {
        std::string level = slash == std::string::npos ? path : path.substr(0, slash);
        if (!level.empty() && !StatIsFolder(level)) {
            if (mkdir(level.c_str(), 0777) != 0 && errno != EEXIST) return false;
        }
        if (slash == std::string::npos) break;
    }
    return StatIsFolder(path);
}

bool EnterOrCreateFolder(std::string_view name) {
    if (SetCurrentFolder(name)) return true;
    // Only the last level is made, inside a folder that exists: a mistyped path must not grow a tree
    // of folders from the root.
    std::string path = ResolvePath(name);
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    const size_t slash = path.rfind('/');
    const std::string parent = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    if (!StatIsFolder(parent)) return false;
    if (mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) return false;
    return SetCurrentFolder(name);
}

bool MatchesPattern(std::string_view name, std::string_view pattern) {
    if (pattern == "*.*") pattern = "*";
    return MatchFrom(name, pattern);
}

std::vector<FolderEntry> ListFolder(std::string_view folder, std::string_view pattern) {
    std::vector<FolderEntry> entries;
    std::string path = ResolvePath(folder);
    DIR* dir = opendir(path.c_str());
    if (!dir) return entries;
    while (dirent* e = readdir(dir)) {
        std::string_view n = e->d_name;
        if (n == "." || n == ".." || !MatchesPattern(n, pattern)) continue;
        entries.push_back({std::string(n), StatIsFolder(Join(path, n))});
    }
    closedir(dir);
    std::sort(entries.begin(), entries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return LessNoCase(a.name, b.name); });
    return entries;
}

FILE* OpenFile(std::string_view name, const char* mode) {
    std::string path = ResolvePath(name);
    return std::fopen(path.c_str(), mode);
}

}  // namespace plat
