#include "game/world/file/WorldChunks.h"

#include "game/world/file/WorldFile.h"
#include "game/world/aitrack/AiTrack.h"
#include "game/world/collision/CollisionMeshes.h"
#include "game/world/dynamic/DynamicObjects.h"
#include "game/world/fence/Fences.h"
#include "game/world/flat/FlatAreas.h"
#include "game/world/info/WorldTextures.h"
#include "game/world/landscape/Landscape.h"
#include "game/world/maps/CameraZones.h"
#include "game/world/maps/LightMap.h"
#include "game/world/maps/PhysMap.h"
#include "game/world/objects/PlacedObjects.h"
#include "game/world/sky/Sky.h"
#include "game/world/soundmap/SoundMap.h"
#include "game/world/water/Water.h"

namespace kes {

namespace {

constexpr uint32_t kSlnd = ChunkTag("SLND");
constexpr uint32_t kFlat = ChunkTag("FLAT");
constexpr uint32_t kWatr = ChunkTag("WATR");
constexpr uint32_t kFenc = ChunkTag("FENC");
constexpr uint32_t kObjt = ChunkTag("OBJT");
constexpr uint32_t kSky = ChunkTag("SKY.");

// Readers of the chunks owned outside this file (the header and fog are read by the world file
// itself).
const ChunkReaderEntry kReaders[] = {
    {kSlnd, kSlnd,
     [](ChunkContext& c) { return LandscapeLoad(c.stream, c.size, c.render, c.bounds, WorldLoadProgress); }},
    {ChunkTag("TINF"), 0, [](ChunkContext& c) { return WorldTexturesLoad(c.stream, c.size, c.render); }},
    {ChunkTag("PHYS"), 0, [](ChunkContext& c) { return PhysMapLoad(c.stream, c.bounds); }},
    {ChunkTag("CAMR"), 0, [](ChunkContext& c) { return CameraZonesLoad(c.stream); }},
    {ChunkTag("LMAP"), 0, [](ChunkContext& c) { return LightMapLoad(c.stream, c.bounds); }},
    {kFlat, kFlat, [](ChunkContext& c) { return LoadFlatChunk(c.stream, c.size, c.render); }},
    {ChunkTag("COLL"), 0, [](ChunkContext& c) { return LoadCollisionChunk(c.stream, c.size); }},
    {kWatr, kWatr, [](ChunkContext& c) { return WaterLoad(c.stream, c.size, c.render); }},
    {kFenc, kFenc, [](ChunkContext& c) { return LoadFenceChunk(c.stream, c.size, c.render); }},
    {kObjt, kObjt, [](ChunkContext& c) { return ObjectTypesLoad(c.stream, c.size, c.render); }},
    {ChunkTag("DYNO"), 0, [](ChunkContext& c) { return LoadDynamicChunk(c.stream, c.size); }},
    {ChunkTag("AITK"), 0, [](ChunkContext& c) { return ReadAiRouteChunk(c.stream, c.size, c.bounds); }},
    {kSky, kSky, [](ChunkContext& c) { return SkyLoad(c.stream, c.size, c.render, c.bounds); }},
    {ChunkTag("SNDM"), 0, [](ChunkContext& c) { return SoundEmittersLoad(c.stream, c.size); }},
};

const WorldOwnerStep kPostLoad[] = {
    // Fences, dynamic objects and placed objects come before the landscape's derived data; the
    // AI gates after it.
    {0, [](RenderInterface*) { BuildFences(); }},
    {0, [](RenderInterface*) { CreateDynamicObjects(); }},
    {kObjt, [](RenderInterface*) { WorldObjectsLoad(); }},
    {0, [](RenderInterface*) { LandscapeFinish(); }},
    {0, [](RenderInterface*) { IndexAiWaypoints(); }},
};

const WorldOwnerStep kUnload[] = {
    {0, [](RenderInterface*) { CameraZonesFree(); }},
    {0, [](RenderInterface*) { LightMapFree(); }},
    {0, [](RenderInterface*) { SoundEmittersFree(); }},
    {0, [](RenderInterface* r) { WorldTexturesFree(r); }},
    {kSlnd,
     [](RenderInterface* r) {
         if (r) r->ReleaseAllTextures();
         LandscapeFree();
     }},
    {kFlat,
     [](RenderInterface* r) {
         if (r) r->ReleaseAllTextures();
         FreeFlat();
     }},
    {0, [](RenderInterface*) { PhysMapFree(); }},
    {0, [](RenderInterface*) { FreeAiRoute(); }},
    {kWatr,
     [](RenderInterface* r) {
         if (r) r->ReleaseAllTextures();
         WaterFree(nullptr);
     }},
    {kFenc,
     [](RenderInterface* r) {
         if (r) r->ReleaseAllTextures();
         FreeFences();
     }},
    {kSky, [](RenderInterface* r) { SkyFree(r); }},
    {0, [](RenderInterface*) { FreeDynamicObjects(); }},
    {kObjt,
     [](RenderInterface* r) {
         if (r) r->ReleaseAllTextures();
         ObjectTypesFree();
     }},
    {0, [](RenderInterface*) { FreeCollisionMeshes(); }},
};

}  // namespace

const ChunkReaderEntry* FindChunkReader(uint32_t tag) {
    for (const ChunkReaderEntry& e : kReaders)
        if (e.tag == tag) return &e;
    return nullptr;
}

const WorldOwnerStep* PostLoadSteps(uint32_t* count) {
    *count = sizeof(kPostLoad) / sizeof(kPostLoad[0]);
    return kPostLoad;
}

const WorldOwnerStep* UnloadSteps(uint32_t* count) {
    *count = sizeof(kUnload) / sizeof(kUnload[0]);
    return kUnload;
}

}  // namespace kes
