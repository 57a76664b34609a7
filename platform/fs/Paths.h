#pragma once
// File names as the game writes them ("LOCALIZE\\ENGLISH.TXT", "Grabs\\PIC0000.BMP"): backslashes and
// any letter case, resolved onto the disk with '/' by matching each existing path component without
// regard to ASCII case. A component that does not exist is kept as written (so new files and folders
// get the game's own names). Relative names resolve against an explicit current folder kept by this
// module; the process's working directory is never changed. Names are byte strings.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

// The folder of the running program (from /proc/self/exe), unless a test has set another one.
std::string GameFolder();
void SetGameFolder(std::string folder);

// The folder relative names resolve against. Until set it is the process's working directory at the
// first call.
std::string CurrentFolder();
// Makes an existing folder current (the name resolves first); false when it is not a folder.
bool SetCurrentFolder(std::string_view name);

// The path on disk for a name: backslashes become '/', relative names start at the current folder,
// and every existing component takes its on-disk spelling.
std::string ResolvePath(std::string_view name);

bool PathExists(std::string_view name);
bool IsFolder(std::string_view name);

// Creates the folder (and missing parents) unless it exists; true when it exists afterwards.
bool CreateFolder(std::string_view name);
// Makes the folder current, first creating it when it is missing and its parent folder exists (only the
// last level is ever created); true on success.
bool EnterOrCreateFolder(std::string_view name);

struct FolderEntry {
    std::string name;  // on-disk spelling
    bool isFolder = false;
};

// The entries of a folder whose names match the pattern ('*' any run, '?' one byte, ASCII case
// ignored; "*.*" matches every name), sorted by name without regard to case. "." and ".." are left
// out. A missing folder gives an empty list.
std::vector<FolderEntry> ListFolder(std::string_view folder, std::string_view pattern);

// True when the name matches the wildcard pattern as ListFolder matches it.
bool MatchesPattern(std::string_view name, std::string_view pattern);

// fopen of the resolved name.
FILE* OpenFile(std::string_view name, const char* mode);

}  // namespace plat
