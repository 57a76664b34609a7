#pragma once
// The packtool program's commands, callable from tests:
//   create OUT --root DIR [--compress] FILE...   pack files under their names relative to DIR
//   list PACK                                     one line per entry: name, size, packed size
//   extract PACK DIR                              write every entry back under DIR
//   verify PACK                                   read and unpack every entry
#include <iosfwd>
#include <string>
#include <vector>

#include "game/core/datapack/PackDirectory.h"
#include "game/core/pack/PackFile.h"

namespace tools {

// Runs one command (args without the program name). Returns the exit code: 0 success, 1 failure
// (said on err), 2 bad usage.
int RunPackTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The name inside the pack of file, which must lie under root: its relative path with backslashes.
bool PackNameFor(const std::string& root, const std::string& file, std::string* name, std::string* error);

// The path under dir where an entry is extracted, or false for names that would leave dir (absolute
// names, drive prefixes, "..", empty parts).
bool ExtractPathFor(const std::string& dir, const std::string& name, std::string* path);

// Reads one entry's bytes (unpacked when stored packed) from an open pack.
bool ReadPackEntry(kes::PackFile& pack, const kes::PackDirectoryEntry& entry, std::vector<uint8_t>* bytes,
                   std::string* error);

}  // namespace tools
