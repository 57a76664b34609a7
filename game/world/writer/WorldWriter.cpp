#include "game/world/writer/WorldWriter.h"

#include <cstdio>
#include <cstring>

#include "platform/bytes/ByteIO.h"

namespace kes {

namespace {

void U16(std::vector<uint8_t>& o, uint16_t v) {
    o.push_back(static_cast<uint8_t>(v));
    o.push_back(static_cast<uint8_t>(v >> 8));
}
void U32(std::vector<uint8_t>& o, uint32_t v) {
    for (int i = 0; i < 4; ++i) o.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void F32(std::vector<uint8_t>& o, float f) {
    uint32_t v;
    std::memcpy(&v, &f, 4);
    U32(o, v);
}
void Fixed(std::vector<uint8_t>& o, const std::string& s, size_t n) {
    for (size_t i = 0; i < n; ++i) o.push_back(i < s.size() && i + 1 < n ? static_cast<uint8_t>(s[i]) : 0);
}
// A u32 flag, then the bitmap when the flag is set.
void FlaggedBitmap(std::vector<uint8_t>& o, bool present, const DibPicture& picture);

size_t Begin(std::vector<uint8_t>& o, uint32_t tag) {
    const size_t at = o.size();
    U32(o, tag);
    U32(o, 0);
    return at;
}
void End(std::vector<uint8_t>& o, size_t at) {
    plat::StoreU32(o.data() + at + 4, static_cast<uint32_t>(o.size() - at - 8));
}

void FlaggedBitmap(std::vector<uint8_t>& o, bool present, const DibPicture& picture) {
    U32(o, present ? 1 : 0);
    if (present) WorldWriter::AppendChunkBitmap(o, picture);
}

}  // namespace

DibPicture DibPicture::Grey(int32_t w, int32_t h, uint8_t level) {
    DibPicture p;
    p.width = w;
    p.height = h;
    p.bits = 8;
    for (uint32_t i = 0; i < 256; ++i) p.table.push_back(i | (i << 8) | (i << 16));
    p.rows.assign(static_cast<size_t>(w) * h, level);
    return p;
}

DibPicture DibPicture::Solid(int32_t w, int32_t h, uint8_t r, uint8_t g, uint8_t b) {
    DibPicture p;
    p.width = w;
    p.height = h;
    p.bits = 24;
    for (int32_t i = 0; i < w * h; ++i) p.rows.insert(p.rows.end(), {b, g, r});
    return p;
}

LandscapeData LandscapeData::EditorDefault(const WorldBounds& bounds) {
    LandscapeData l;
    l.knotsX = l.knotsY = 721;
    l.bounds = bounds;
    l.baseHeight = bounds.minZ;
    l.heights.assign(721u * 721u, 0.0f);
    l.cells.assign(static_cast<size_t>(l.CellsX()) * l.CellsY(), 0);
    return l;
}

void WorldWriter::AppendChunkBitmap(std::vector<uint8_t>& o, const DibPicture& p) {
    const uint32_t rows = static_cast<uint32_t>(p.height < 0 ? -p.height : p.height);
    const uint32_t padded = p.PaddedRowBytes(), packed = p.PackedRowBytes();
    U32(o, 40);
    U32(o, static_cast<uint32_t>(p.width));
    U32(o, static_cast<uint32_t>(p.height));
    U16(o, 1);
    U16(o, p.bits);
    U32(o, 0);
    U32(o, padded * rows);
    U32(o, 0);
    U32(o, 0);
    U32(o, 0);
    U32(o, 0);
    if (p.bits >= 5 && p.bits <= 8) {
        for (uint32_t i = 0; i < 256; ++i) U32(o, i < p.table.size() ? p.table[i] : 0);
    } else if (p.bits >= 2 && p.bits <= 4) {
        for (uint32_t i = 0; i < 16; ++i) U32(o, i < p.table.size() ? p.table[i] : 0);
    }
    for (uint32_t r = 0; r < rows; ++r) {
        const size_t from = static_cast<size_t>(r) * packed;
        for (uint32_t k = 0; k < padded; ++k)
            o.push_back(k < packed && from + k < p.rows.size() ? p.rows[from + k] : 0);
    }
}

void WorldWriter::AppendTextureList(std::vector<uint8_t>& o, const std::vector<TextureRecordData>& textures) {
    const size_t at = Begin(o, ChunkTag("TXDB"));
    U32(o, static_cast<uint32_t>(textures.size()));
    for (const TextureRecordData& t : textures) {
        U32(o, t.hasAlpha ? ChunkTag("TXTA") : ChunkTag("TXTR"));
        Fixed(o, t.name, 128);
        AppendChunkBitmap(o, t.colour);
        if (t.hasAlpha) AppendChunkBitmap(o, t.alpha);
    }
    End(o, at);
}

WorldWriter::WorldWriter() { Begin(bytes_, ChunkTag("QVED")); }

size_t WorldWriter::BeginChunk(uint32_t tag) { return Begin(bytes_, tag); }
void WorldWriter::EndChunk(size_t at) { End(bytes_, at); }

void WorldWriter::Header(const WorldBounds& b, float rotational, float translational) {
    const size_t at = BeginChunk(ChunkTag("QVED"));
    for (float v : {b.minX, b.minY, b.minZ, b.maxX, b.maxY, b.maxZ, rotational, translational}) F32(bytes_, v);
    EndChunk(at);
}

void WorldWriter::Fog(const FogData& f) {
    const size_t at = BeginChunk(ChunkTag("FOG "));
    for (uint32_t v : {f.mode, f.enabled, f.colour, f.start, f.end}) U32(bytes_, v);
    for (uint32_t v : f.custom) U32(bytes_, v);
    EndChunk(at);
}

void WorldWriter::Landscape(const LandscapeData& l) {
    const size_t at = BeginChunk(ChunkTag("SLND"));
    auto& o = bytes_;
    U16(o, l.displayFlags);
    U16(o, l.version);
    U32(o, l.lodEnabled);
    F32(o, l.lodFactor);
    U32(o, l.knotsX);
    U32(o, l.knotsY);
    F32(o, l.baseHeight);
    U32(o, l.knotsPerCellX);
    U32(o, l.knotsPerCellY);
    F32(o, l.knotsX > 1 ? (l.bounds.maxX - l.bounds.minX) / static_cast<float>(l.knotsX - 1) : 0.0f);
    F32(o, l.knotsY > 1 ? (l.bounds.maxY - l.bounds.minY) / static_cast<float>(l.knotsY - 1) : 0.0f);
    F32(o, l.knotsPerCellX ? 0.99609375f / static_cast<float>(l.knotsPerCellX) : 0.0f);
    F32(o, l.knotsPerCellY ? 0.99609375f / static_cast<float>(l.knotsPerCellY) : 0.0f);
    U32(o, l.CellsX());
    U32(o, l.CellsY());
    if (l.version != 0)
        for (float v : {l.bounds.minX, l.bounds.minY, l.bounds.minZ, l.bounds.maxX, l.bounds.maxY, l.bounds.maxZ})
            F32(o, v);
    const size_t heightsAt = o.size();
    o.resize(heightsAt + l.heights.size() * 4);
    for (size_t i = 0; i < l.heights.size(); ++i) plat::StoreF32(o.data() + heightsAt + i * 4, l.heights[i]);
    for (uint16_t c : l.cells) U16(o, c);
    AppendTextureList(o, l.textures);
    EndChunk(at);
}

void WorldWriter::Info(const InfoData& i) {
    const size_t at = BeginChunk(ChunkTag("TINF"));
    auto& o = bytes_;
    U32(o, 1);
    AppendTextureList(o, i.textures);
    U32(o, i.activated);
    U32(o, i.id);
    U32(o, i.kind);
    Fixed(o, i.name, 256);
    U32(o, static_cast<uint32_t>(i.comments.size() + 1));
    o.insert(o.end(), i.comments.begin(), i.comments.end());
    o.push_back(0);
    for (uint32_t c : i.sun) U32(o, c);
    F32(o, i.sunIntensity);
    for (uint32_t c : i.ambient) U32(o, c);
    F32(o, i.ambientIntensity);
    for (float v : i.sunPosition) F32(o, v);
    U32(o, i.hasPicture ? 1 : 0);
    if (i.hasPicture) AppendChunkBitmap(o, i.picture);
    EndChunk(at);
}

void WorldWriter::Physics(const PhysicsData& p) {
    const size_t at = BeginChunk(ChunkTag("PHYS"));
    U32(bytes_, 1000);
    U32(bytes_, p.tileMaps);
    FlaggedBitmap(bytes_, p.hasPhysicsMap, p.physicsMap);
    FlaggedBitmap(bytes_, p.hasParticleMap, p.particleMap);
    EndChunk(at);
}

void WorldWriter::LightMap(const LightMapData& l) {
    const size_t at = BeginChunk(ChunkTag("LMAP"));
    U32(bytes_, 1000);
    FlaggedBitmap(bytes_, l.hasMap1, l.map1);
    FlaggedBitmap(bytes_, l.hasMap2, l.map2);
    EndChunk(at);
}

void WorldWriter::Cameras(const std::vector<CameraRecordData>& cameras) {
    const size_t at = BeginChunk(ChunkTag("CAMR"));
    U32(bytes_, 2);
    U32(bytes_, static_cast<uint32_t>(cameras.size()));
    for (const CameraRecordData& c : cameras) {
        for (float v : {c.x, c.y, c.z, c.heightAboveGround, c.corner1X, c.corner1Y, c.corner2X, c.corner2Y, c.zoom,
                        c.range})
            F32(bytes_, v);
        U32(bytes_, c.rangeOn);
        F32(bytes_, c.minDistance);
        U32(bytes_, c.minOn);
        F32(bytes_, c.maxDistance);
        U32(bytes_, c.maxOn);
        F32(bytes_, c.cut);
        F32(bytes_, c.fov);
    }
    EndChunk(at);
}

void WorldWriter::Raw(uint32_t tag, const std::vector<uint8_t>& data) {
    const size_t at = BeginChunk(tag);
    bytes_.insert(bytes_.end(), data.begin(), data.end());
    EndChunk(at);
}

std::vector<uint8_t> WorldWriter::Finish() {
    std::vector<uint8_t> out = bytes_;
    plat::StoreU32(out.data() + 4, static_cast<uint32_t>(out.size() - 8));
    return out;
}

bool WorldWriter::Save(const std::string& path) {
    const std::vector<uint8_t> data = Finish();
    const std::string temp = path + ".tmp";
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
    ok = (std::fflush(f) == 0) && ok;
    ok = (std::fclose(f) == 0) && ok;
    if (!ok || std::rename(temp.c_str(), path.c_str()) != 0) {
        std::remove(temp.c_str());
        return false;
    }
    return true;
}

}  // namespace kes
