#pragma once
// The asset families of the default content. Each adds its named entries to a pack; the packs' lists
// of families are in ContentGen.cpp.
#include <string>

#include "tools/contentgen/ContentGen.h"

namespace tools {

// Data pack: the four language files "LOCALIZE\\<LANGUAGE>.TXT".
bool AddLanguageFiles(PackContent& pack, std::string* error);

// Data pack: the front end's backgrounds, loading screens, pointer, buttons, fonts and menu sounds.
bool AddFrontEnd(PackContent& pack, std::string* error);

// Track pack: the worlds. Empty until the world writer can make them.
bool AddWorlds(PackContent& pack, std::string* error);

}  // namespace tools
