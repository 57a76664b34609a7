#include "game/world/file/WorldFile.h"

#include <cstring>

#include "game/core/config/Config.h"
#include "game/core/pack/PackFile.h"
#include "game/world/chunk/ChunkStream.h"
#include "game/world/file/WorldChunks.h"
#include "game/world/landscape/Landscape.h"
#include "game/world/dynamic/DynamicObjects.h"
#include "game/world/fence/Fences.h"
#include "game/world/objects/PlacedObjects.h"
#include "game/world/sky/Sky.h"
#include "game/world/soundmap/SoundMap.h"
#include "game/world/water/Water.h"
#include "platform/bytes/AsciiCase.h"
#include "platform/bytes/ByteIO.h"
#include "platform/gfx/GfxStates.h"

namespace kes {

namespace {

constexpr uint32_t kQved = ChunkTag("QVED");
constexpr uint32_t kFog = ChunkTag("FOG ");
constexpr uint32_t kFogBytes = 84;

struct HandleTable {
    uint32_t owner;
    uint32_t slots[kHandleTableSize];
};

HandleTable g_tables[] = {
    {ChunkTag("SLND"), {}}, {ChunkTag("FENC"), {}}, {ChunkTag("FLAT"), {}},
    {ChunkTag("SKY."), {}}, {ChunkTag("OBJT"), {}}, {ChunkTag("WATR"), {}},
};

struct WorldState {
    RenderInterface* render = nullptr;
    WorldProgressFn progress = nullptr;
    uint32_t length = 0;
    WorldBounds bounds;
    FogBlock fog;
    bool loaded = false;
} g_world;

WorldListWalk g_walk = nullptr;
void DefaultFencePass(const RacerContactSubject& subject) { CollideFences(subject); }

WorldContactPass g_placedPass = CollidePlacedObjects;
WorldContactPass g_fencePass = DefaultFencePass;

void MakeCurrent(uint32_t owner) {
    if (g_world.render) g_world.render->handleTable = owner ? WorldHandleTable(owner) : nullptr;
}

void ReadHeaderChunk(ChunkStream& s) {
    float v[6];
    uint32_t n = 0;
    for (; n < 6 && s.Remaining() >= 4; ++n) v[n] = s.F32();
    // A short header fills only its leading bounds.
    float* out[6] = {&g_world.bounds.minX, &g_world.bounds.minY, &g_world.bounds.minZ,
                     &g_world.bounds.maxX, &g_world.bounds.maxY, &g_world.bounds.maxZ};
    for (uint32_t i = 0; i < n; ++i) *out[i] = v[i];
}

void ReadFogChunk(ChunkStream& s) {
    uint8_t bytes[kFogBytes] = {};
    const uint32_t take = s.Remaining() < kFogBytes ? static_cast<uint32_t>(s.Remaining()) : kFogBytes;
    // A shorter chunk fills only its leading bytes; the rest keep what the block held.
    uint8_t old[kFogBytes];
    FogBlock& f = g_world.fog;
    uint32_t* words[] = {&f.mode, &f.enabled, &f.colour, &f.start, &f.end};
    for (int i = 0; i < 5; ++i) plat::StoreU32(old + 4 * i, *words[i]);
    for (int i = 0; i < 16; ++i) plat::StoreU32(old + 20 + 4 * i, f.custom[i]);
    std::memcpy(bytes, old, kFogBytes);
    if (take) s.Bytes(bytes, take);
    for (int i = 0; i < 5; ++i) *words[i] = plat::LoadU32(bytes + 4 * i);
    for (int i = 0; i < 16; ++i) f.custom[i] = plat::LoadU32(bytes + 20 + 4 * i);
    f.colour = AdjustFogColour(f.colour, g_Config.displaySlider1, g_Config.displaySlider2);
}

int32_t ReadChunks(PackFile& file) {
    uint64_t remaining = g_world.length - 8u;
    while (remaining != 0) {
        if (g_world.progress)
            g_world.progress(static_cast<float>(file.Tell()) / static_cast<float>(g_world.length));
        uint8_t head[8];
        // A chunk whose head or data would pass the end of the outer chunk ends the load.
        if (remaining < 8 || file.Read(head, 8) != kOk) return kWorldBadFile;
        const uint32_t tag = plat::LoadU32(head), size = plat::LoadU32(head + 4);
        if (size > remaining - 8) return kWorldBadFile;
        remaining -= 8u + size;
        const int32_t start = file.Tell();
        ChunkStream stream(file, size);
        if (tag == kQved) {
            ReadHeaderChunk(stream);
        } else if (tag == kFog) {
            ReadFogChunk(stream);
        } else if (const ChunkReaderEntry* e = FindChunkReader(tag)) {
            if (e->tableOwner) {
                // A chunk that comes twice replaces what the first one made.
                uint32_t* table = WorldHandleTable(e->tableOwner);
                MakeCurrent(e->tableOwner);
                if (table[0] && g_world.render) g_world.render->ReleaseAllTextures();
                table[0] = 0;
            }
            ChunkContext context{stream, size, g_world.render, g_world.bounds};
            e->read(context);  // a reader that fails leaves its owner empty; the load goes on
        }
        // Whatever the reader consumed, the next chunk starts where this one ends.
        if (file.Seek(start + static_cast<int32_t>(size), 0) != kOk) return kWorldBadFile;
        MakeCurrent(0);
    }
    return kWorldOk;
}

}  // namespace

WorldListWalk SetWorldListWalk(WorldListWalk walk) {
    const WorldListWalk old = g_walk;
    g_walk = walk;
    return old;
}

uint32_t* WorldHandleTable(uint32_t tag) {
    for (HandleTable& t : g_tables)
        if (t.owner == tag) return t.slots;
    return nullptr;
}

uint32_t AdjustFogColour(uint32_t ref, uint32_t slider1, uint32_t slider2) {
    const uint32_t factor = (slider1 + 50u) * 256u / 100u;
    const int32_t offset = static_cast<int32_t>(slider2) - 49;
    uint32_t out = 0;
    for (int i = 0; i < 3; ++i) {
        const uint32_t c = (ref >> (8 * i)) & 0xFF;
        int32_t v = static_cast<int32_t>((c * factor) >> 8) + offset;
        v = v < 0 ? 0 : v > 255 ? 255 : v;
        out |= static_cast<uint32_t>(v) << (16 - 8 * i);  // red to the top byte of the three
    }
    return out;
}

int32_t WorldLoad(const char* name, RenderInterface* render, WorldProgressFn progress) {
    const WorldListEntry* found = nullptr;
    if (g_walk && name)
        for (uint32_t i = 0; const WorldListEntry* e = g_walk(i); ++i)
            if (plat::EqualNoCase(e->name, name)) {
                found = e;
                break;
            }
    if (!found) {
        g_world.render = render;
        g_world.progress = progress;
        g_world.fog.enabled = 0;
        return kWorldNotListed;
    }
    return WorldLoadEntry(*found, render, progress);
}

int32_t WorldLoadEntry(const WorldListEntry& entry, RenderInterface* render, WorldProgressFn progress) {
    if (g_world.loaded) WorldUnload();
    g_world.render = render;
    g_world.progress = progress;
    g_world.fog.enabled = 0;
    g_world.bounds = WorldBounds();
    PackFile file;
    if (entry.packOffset != 0) {
        file.Open(entry.packPath.c_str(), "rb", 0, entry.packOffset, entry.size);
    } else {
        const std::string& path = entry.packPath.empty() ? entry.name : entry.packPath;
        file.Open(path.c_str(), "rb", 0, 0, -1);
    }
    if (!file.IsOpen()) return kWorldOpenFailed;
    g_world.loaded = true;
    const int32_t length = file.Size();
    if (length < 8) return kWorldBadFile;
    g_world.length = static_cast<uint32_t>(length);
    uint8_t head[8];
    const int32_t r = file.Read(head, 8);
    if (r != kOk) return r;
    if (plat::LoadU32(head) != kQved || plat::LoadU32(head + 4) != g_world.length - 8u) return kWorldBadFile;
    const int32_t chunks = ReadChunks(file);
    MakeCurrent(0);
    if (chunks != kWorldOk) return chunks;
    uint32_t count = 0;
    const WorldOwnerStep* steps = PostLoadSteps(&count);
    for (uint32_t i = 0; i < count; ++i) {
        MakeCurrent(steps[i].tableOwner);
        steps[i].run(render);
    }
    MakeCurrent(0);
    return kWorldOk;
}

void WorldLoadProgress(ChunkStream& stream) {
    if (g_world.progress && g_world.length)
        g_world.progress(static_cast<float>(stream.File().Tell()) / static_cast<float>(g_world.length));
}

int32_t WorldUnload() {
    if (!g_world.render && !g_world.loaded) return -1;
    uint32_t count = 0;
    const WorldOwnerStep* steps = UnloadSteps(&count);
    for (uint32_t i = 0; i < count; ++i) {
        MakeCurrent(steps[i].tableOwner);
        steps[i].run(g_world.render);
    }
    MakeCurrent(0);
    for (HandleTable& t : g_tables) std::memset(t.slots, 0, sizeof(t.slots));
    g_world.loaded = false;
    // The interface is not kept past the world: its owner may go before the next world comes.
    g_world.render = nullptr;
    return 0;
}

int32_t WorldRender(const WorldView& view) {
    RenderInterface* r = g_world.render;
    if (!r) return 0;
    namespace rs = plat::rs;
    const FogBlock& f = g_world.fog;
    if (f.enabled) {
        const float start = static_cast<float>(f.start), end = static_cast<float>(f.end);
        uint32_t startBits, endBits;
        std::memcpy(&startBits, &start, 4);
        std::memcpy(&endBits, &end, 4);
        r->SetState(rs::kFogColor, f.colour);
        r->SetState(rs::kFogTableMode, rs::kFogLinear);
        r->SetState(rs::kFogTableStart, startBits);
        r->SetState(rs::kFogTableEnd, endBits);
        r->SetState(rs::kFogEnable, 1);
        r->SetFogEnable(1);
        r->SetFogRange(start, end);
    }
    MakeCurrent(ChunkTag("SLND"));
    LandscapeRender(view, r);
    MakeCurrent(ChunkTag("SKY."));
    SkyDraw(view, r);
    MakeCurrent(ChunkTag("WATR"));
    WaterDraw(view, r);
    MakeCurrent(ChunkTag("OBJT"));
    WorldObjectsDraw(view, r);
    DrawDynamicObjects(view, r);
    // Fence textures cut out their colour-keyed pixels.
    if (!FenceGroups().empty()) {
        MakeCurrent(ChunkTag("FENC"));
        r->SetState(rs::kColorKeyEnable, 1);
        DrawFences(view, r);
        r->SetState(rs::kColorKeyEnable, 0);
    }
    MakeCurrent(0);
    // The ambient sounds are placed for this frame's eye.
    SoundEmittersUpdate(view, r);
    return 0;
}

int32_t WorldUpdate(uint32_t elapsedMs) {
    WaterUpdate(elapsedMs);
    SkyUpdate(elapsedMs);
    SoundEmittersTick(elapsedMs);
    return 0;
}

const WorldBounds& CurrentWorldBounds() { return g_world.bounds; }
const FogBlock& CurrentFog() { return g_world.fog; }

void SetWorldContactPasses(WorldContactPass placedObjects, WorldContactPass fences) {
    g_placedPass = placedObjects ? placedObjects : CollidePlacedObjects;
    g_fencePass = fences ? fences : DefaultFencePass;
}

int32_t RacerWorldContacts(const RacerContactSubject& subject, uint32_t skipFlags) {
    if (!subject.contact) return 0;
    if (!(skipFlags & 2) && g_placedPass) g_placedPass(subject);
    if (!(skipFlags & 8) && g_fencePass) g_fencePass(subject);
    return 0;
}

}  // namespace kes
