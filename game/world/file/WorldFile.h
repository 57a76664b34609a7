#pragma once
// The world file: one outer "QVED" chunk holding chunks back to back, each handed to the reader of
// its tag. One world is loaded at a time; its chunk owners hold their data until WorldUnload.
#include <cstdint>
#include <string>

#include "game/core/render/RenderInterface.h"
#include "game/world/chunk/ContactSubject.h"
#include "game/world/chunk/WorldTypes.h"
#include "game/world/chunk/WorldView.h"

namespace kes {


// One world as the world list knows it: pack offset 0 means a loose file named packPath or name.
struct WorldListEntry {
    std::string name;
    std::string packPath;     // the track pack holding the world
    uint32_t packOffset = 0;  // 0: a loose file
    int32_t size = -1;
};

// The world list, walked from index 0 until it answers null.
using WorldListWalk = const WorldListEntry* (*)(uint32_t index);
WorldListWalk SetWorldListWalk(WorldListWalk walk);

using WorldProgressFn = void (*)(float fraction);

struct FogBlock {
    uint32_t mode = 1;
    uint32_t enabled = 0;
    uint32_t colour = 0;      // after load: the adjusted colour as 0x00RRGGBB
    uint32_t start = 500;
    uint32_t end = 1900;
    uint32_t custom[16] = {};
};

// Results: 0 loaded; -1 not in the world list; 0x8123F6FF not opened; 0x8123F6FD a bad outer
// chunk, or a chunk that runs past the end of the file; another non-zero value is the read result
// of the first eight bytes. A world that is still loaded is unloaded first.
int32_t WorldLoad(const char* name, RenderInterface* render, WorldProgressFn progress);
// The same for a world found by its entry (a loose file or a window of a pack).
int32_t WorldLoadEntry(const WorldListEntry& entry, RenderInterface* render, WorldProgressFn progress);
// Reports progress from inside a chunk reader.
class ChunkStream;
void WorldLoadProgress(ChunkStream& stream);
// -1 when no world was loaded since the last unload; else frees every owner and returns 0.
int32_t WorldUnload();
int32_t WorldRender(const WorldView& view);
int32_t WorldUpdate(uint32_t elapsedMs);

// The world box and fog of the loaded world.
const WorldBounds& CurrentWorldBounds();
const FogBlock& CurrentFog();
// The adjustment of a stored colour reference by the two picture sliders, giving 0x00RRGGBB.
uint32_t AdjustFogColour(uint32_t colourRef, uint32_t slider1, uint32_t slider2);

// The handle table of an owner's tag ("SLND", "FENC", "FLAT", "SKY.", "OBJT", "WATR"), or null.
uint32_t* WorldHandleTable(uint32_t tag);

// One contact pass over the loaded world (placed objects, fences).
using WorldContactPass = void (*)(const RacerContactSubject& subject);
// Replaces the placed-object pass (skipped with skip bit 2) and the fence pass (skip bit 8); null
// puts back the world's own pass (the placed objects' and the fences' collisions).
void SetWorldContactPasses(WorldContactPass placedObjects, WorldContactPass fences);
// Does nothing for a subject without a contact routine; always 0.
int32_t RacerWorldContacts(const RacerContactSubject& subject, uint32_t skipFlags);

}  // namespace kes
