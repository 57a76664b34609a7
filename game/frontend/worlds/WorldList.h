#pragma once
// The worlds the player can race on: those of the track pack and the ".wld" files of the tracks
// folder, each described by its "TINF" chunk (identifier, kind, name, description, preview picture)
// without loading the world. Entries are kept sorted by kind, then identifier; the lookups live
// beside the list record in game/frontend/session.
#include <cstdint>
#include <string>

#include "game/core/pack/PackFile.h"
#include "game/frontend/session/RaceSession.h"

namespace kes {

class RenderInterface;

constexpr int32_t kWorldNotAWorld = static_cast<int32_t>(0x8123F6FD);
constexpr int32_t kWorldCannotOpen = static_cast<int32_t>(0x8123F6FF);
constexpr const char* kSelectWorldName = "_select.wld";

// Lists the worlds of the pack (a missing pack adds none) and of the folder (an empty name adds
// none). A file that cannot be opened or read is left out with a line on stderr and the rest still
// listed; the result is then kWorldCannotOpen or the read's error, else 0. The render interface (or
// null) makes the preview textures.
int32_t BuildWorldList(const std::string& trackPack, const std::string& tracksFolder, RenderInterface* render);

// Reads one world (the file positioned at its start, size bytes long) and adds an entry per "TINF"
// chunk. 0; kWorldNotAWorld for a wrong header; -1 for a chunk running past the file or a damaged
// "TINF" (the entry is then left out). "_select.wld" (any case) is not read: it becomes the menu
// world's entry of kind kSelectWorldKind.
int32_t ReadWorldInfo(PackFile& file, uint32_t size, const std::string& fileName, const std::string& path,
                      RenderInterface* render, uint32_t offset);

// Reads one loose world file into the list and returns its entry, or null.
const WorldRecord* WorldInfoForFile(const std::string& path, RenderInterface* render);

// Frees the texts and pictures and releases the preview textures (through render when given).
void FreeWorldList(RenderInterface* render);

}  // namespace kes
