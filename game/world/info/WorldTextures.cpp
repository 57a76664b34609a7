#include "game/world/info/WorldTextures.h"

#include <vector>

#include "game/core/render/RenderInterface.h"
#include "game/world/chunk/ChunkPicture.h"
#include "game/world/chunk/TextureList.h"
#include "platform/sys/Fpu.h"

namespace kes {

namespace {

struct InfoState {
    std::vector<uint32_t> handles;
    WorldInfo info;
    uint32_t sunColour = 0, ambientColour = 0;
    float sunIntensity = 0, ambientIntensity = 0;
    Vec3 sunPosition{};
    ImageRecord* picture = nullptr;
    bool loaded = false;
} g_info;

uint32_t PackColour(uint32_t r, uint32_t g, uint32_t b) {
    auto channel = [](uint32_t v) {
        const int c = plat::FloatToInt(static_cast<float>(v));
        return static_cast<uint32_t>(c < 0 ? 0 : c > 255 ? 255 : c);
    };
    return 0xFF000000u | (channel(r) << 16) | (channel(g) << 8) | channel(b);
}

}  // namespace

int32_t WorldTexturesLoad(ChunkStream& s, uint32_t, RenderInterface* render) {
    // A second chunk replaces the first.
    WorldTexturesFree(render);
    s.U32();
    const int32_t textures = LoadTextureList(s, render, 1, &g_info.handles);
    if (textures != 0) return textures;
    s.U32();
    g_info.info.id = s.U32();
    g_info.info.kind = s.U32();
    char name[257] = {};
    s.Bytes(name, 256);
    g_info.info.name = name;
    const uint32_t n = s.U32();
    if (!s.Ok() || n > s.Remaining()) return -1;
    std::string text(n, '\0');
    s.Bytes(text.data(), n);
    text.resize(text.find('\0') == std::string::npos ? n : text.find('\0'));
    g_info.info.description = text;
    uint32_t rgb[3];
    for (uint32_t& c : rgb) c = s.U32();
    g_info.sunColour = PackColour(rgb[0], rgb[1], rgb[2]);
    g_info.sunIntensity = s.F32();
    for (uint32_t& c : rgb) c = s.U32();
    g_info.ambientColour = PackColour(rgb[0], rgb[1], rgb[2]);
    g_info.ambientIntensity = s.F32();
    g_info.sunPosition.x = s.F32();
    g_info.sunPosition.y = s.F32();
    g_info.sunPosition.z = s.F32();
    const uint32_t hasPicture = s.U32();
    if (!s.Ok()) return -1;
    if (hasPicture) {
        g_info.picture = ReadChunkPicture(s);
        if (!g_info.picture) return -1;
    }
    g_info.loaded = true;
    return 0;
}

void WorldTexturesFree(RenderInterface* render) {
    if (render)
        for (uint32_t h : g_info.handles)
            if (h) render->ReleaseTexture(h);
    FreeImage(g_info.picture);
    g_info = InfoState();
}

int32_t WorldBindFirstTexture(RenderInterface* render) {
    if (g_info.handles.empty() || g_info.handles[0] == 0 || !render) return 1;
    return render->SelectTexture(g_info.handles[0]);
}

void WorldGetSunPosition(Vec3* out) {
    if (g_info.loaded && out) *out = g_info.sunPosition;
}
uint32_t WorldGetSunColour() { return g_info.loaded ? g_info.sunColour : 0; }
float WorldGetSunIntensity() { return g_info.loaded ? g_info.sunIntensity : 0.0f; }
uint32_t WorldGetAmbientColour() { return g_info.loaded ? g_info.ambientColour : 0; }
float WorldGetAmbientIntensity() { return g_info.loaded ? g_info.ambientIntensity : 0.0f; }
uint32_t WorldTextureCount() { return static_cast<uint32_t>(g_info.handles.size()); }
uint32_t WorldTextureHandle(uint32_t i) { return i < g_info.handles.size() ? g_info.handles[i] : 0; }
const WorldInfo& WorldGetInfo() { return g_info.info; }
const ImageRecord* WorldGetPicture() { return g_info.picture; }

}  // namespace kes
