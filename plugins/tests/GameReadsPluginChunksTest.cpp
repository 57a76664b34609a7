// What the editor writes, the game reads: each chunk the plug-ins save is read by the game's own
// readers with the same values, and equals byte for byte what the game's world writer makes of the
// same data.
#include <cstdio>

#include "PluginKit.h"
#include "game/core/pack/PackFile.h"
#include "game/world/chunk/ChunkStream.h"
#include "game/world/info/WorldTextures.h"
#include "game/world/maps/LightMap.h"
#include "game/world/maps/PhysMap.h"
#include "game/world/writer/WorldWriter.h"
#include "platform/bytes/ByteIO.h"
#include "plugins/info/InfoPlugin.h"
#include "plugins/physics/PhysicsPlugin.h"
#include "plugins/shadow/ShadowPlugin.h"
#include "plugins/shared/MemoryStream.h"

namespace qvtest {
namespace {

class GameReads : public PluginFixture {
protected:
    void Register() override {
        info = std::make_unique<qv::InfoPlugin>();
        physics = std::make_unique<qv::PhysicsPlugin>();
        shadow = std::make_unique<qv::ShadowPlugin>();
        for (qv::EditorPlugin* p : {static_cast<qv::EditorPlugin*>(info.get()), static_cast<qv::EditorPlugin*>(physics.get()),
                                    static_cast<qv::EditorPlugin*>(shadow.get())})
            ASSERT_EQ(editor->RegisterPlugin(ModuleOf(p), p), 0);
    }
    void TearDown() override {
        PluginFixture::TearDown();
        info.reset();
        physics.reset();
        shadow.reset();
    }
    static std::vector<uint8_t> Saved(qv::EditorPlugin& p) {
        qv::MemoryStream out;
        uint32_t size = 0;
        EXPECT_EQ(p.SaveChunk(&out, &size), 0);
        EXPECT_EQ(size, out.bytes().size());
        return out.bytes();
    }
    // Runs a game reader on a chunk body.
    template <class Read>
    int32_t GameRead(const std::vector<uint8_t>& body, Read read) {
        const std::string path = Path("chunk.bin");
        {
            std::FILE* f = std::fopen(path.c_str(), "wb");
            std::fwrite(body.data(), 1, body.size(), f);
            std::fclose(f);
        }
        kes::PackFile file;
        file.Open(path.c_str(), "rb", 0);
        kes::ChunkStream s(file, static_cast<uint32_t>(body.size()));
        return read(s);
    }
    static kes::DibPicture Picture(const qv::Dib& d) {
        kes::DibPicture p;
        p.width = d.Width();
        p.height = d.header.height;
        p.bits = d.header.bitCount;
        for (size_t i = 0; i + 3 < d.colourTable.size(); i += 4) p.table.push_back(plat::LoadU32(&d.colourTable[i]));
        const uint32_t packed = p.PackedRowBytes(), padded = qv::RowBytes(d.Width(), d.header.bitCount);
        for (int32_t r = 0; r < d.Height(); ++r)
            p.rows.insert(p.rows.end(), d.pixels.begin() + r * padded, d.pixels.begin() + r * padded + packed);
        return p;
    }
    static std::vector<uint8_t> WriterChunk(kes::WorldWriter& w, const char* tag) {
        return ChunkOf(w.Finish(), qv::FourCC(*reinterpret_cast<const char(*)[5]>(tag)));
    }
    const kes::WorldBounds bounds{0, 0, 0, 1000, 1000, 100};
    std::unique_ptr<qv::InfoPlugin> info;
    std::unique_ptr<qv::PhysicsPlugin> physics;
    std::unique_ptr<qv::ShadowPlugin> shadow;
};

// Pictures of every depth the Info plug-in takes, with widths whose rows need padding.
std::vector<qv::Dib> Pictures() {
    std::vector<qv::Dib> out;
    for (int32_t width : {4, 5, 6, 7}) {
        qv::Dib grey = qv::GreyBitmap(width, 3, 0);
        for (size_t i = 0; i < grey.pixels.size(); ++i) grey.pixels[i] = static_cast<uint8_t>(i * 7);
        out.push_back(grey);
        for (uint16_t bits : {uint16_t{24}, uint16_t{32}}) {
            qv::Dib c;
            c.header.width = width;
            c.header.height = 3;
            c.header.bitCount = bits;
            c.header.sizeImage = qv::RowBytes(width, bits) * 3;
            c.pixels.resize(c.header.sizeImage);
            for (size_t i = 0; i < c.pixels.size(); ++i) c.pixels[i] = static_cast<uint8_t>(i * 13 + 1);
            out.push_back(c);
        }
    }
    return out;
}

TEST_F(GameReads, TrackInformationAndPicturesOfEveryDepth) {
    for (const qv::Dib& picture : Pictures()) {
        SCOPED_TRACE(std::to_string(picture.Width()) + " x " + std::to_string(picture.header.bitCount));
        info->info.name = "Dune";
        info->info.comments = "line one\r\nline two";
        info->info.id = 0x12345678;
        info->info.type = 1;
        info->info.sun[0] = 10, info->info.sun[1] = 20, info->info.sun[2] = 30;
        info->info.ambient[0] = 40, info->info.ambient[1] = 50, info->info.ambient[2] = 60;
        info->info.sunIntensity = 0.5f;
        info->info.ambientIntensity = 0.25f;
        info->info.sunPosition[0] = 1, info->info.sunPosition[1] = 2, info->info.sunPosition[2] = 3;
        info->info.picture = picture;
        const std::vector<uint8_t> body = Saved(*info);

        kes::InfoData d;
        d.id = 0x12345678;
        d.kind = 1;
        d.name = "Dune";
        d.comments = "line one\r\nline two";
        d.sun[0] = 10, d.sun[1] = 20, d.sun[2] = 30;
        d.ambient[0] = 40, d.ambient[1] = 50, d.ambient[2] = 60;
        d.sunIntensity = 0.5f;
        d.ambientIntensity = 0.25f;
        d.sunPosition[0] = 1, d.sunPosition[1] = 2, d.sunPosition[2] = 3;
        d.hasPicture = true;
        d.picture = Picture(picture);
        kes::WorldWriter w;
        w.Info(d);
        const std::vector<uint8_t> written = WriterChunk(w, "TINF");
        ASSERT_EQ(body.size(), written.size());
        for (size_t k = 0; k < body.size(); ++k) ASSERT_EQ(body[k], written[k]) << "byte " << k;

        ASSERT_EQ(GameRead(body, [&](kes::ChunkStream& s) {
                      return kes::WorldTexturesLoad(s, static_cast<uint32_t>(body.size()), nullptr);
                  }),
                  0);
        EXPECT_EQ(kes::WorldGetInfo().id, 0x12345678u);
        EXPECT_EQ(kes::WorldGetInfo().kind, 1u);
        EXPECT_EQ(kes::WorldGetInfo().name, "Dune");
        EXPECT_EQ(kes::WorldGetInfo().description, "line one\r\nline two");
        EXPECT_EQ(kes::WorldGetSunColour(), 0xFF0A141Eu);
        EXPECT_EQ(kes::WorldGetAmbientColour(), 0xFF28323Cu);
        EXPECT_FLOAT_EQ(kes::WorldGetSunIntensity(), 0.5f);
        EXPECT_FLOAT_EQ(kes::WorldGetAmbientIntensity(), 0.25f);
        ASSERT_NE(kes::WorldGetPicture(), nullptr);
        kes::WorldTexturesFree(nullptr);
    }
}

TEST_F(GameReads, PhysicsMapsAndTiling) {
    physics->tileMaps = 1;
    qv::Dib particle;
    particle.header.width = 510;  // rows of 1530 bytes, padded to 1532
    particle.header.height = 10;
    particle.header.bitCount = 24;
    particle.header.sizeImage = qv::RowBytes(510, 24) * 10;
    particle.pixels.assign(particle.header.sizeImage, 0);
    for (int32_t y = 0; y < 10; ++y)
        for (int32_t x = 0; x < 510; ++x) {
            uint8_t* p = &particle.pixels[static_cast<size_t>(y) * 1532 + x * 3];
            p[0] = static_cast<uint8_t>(x), p[1] = static_cast<uint8_t>(y), p[2] = 77;
        }
    physics->particleMap = particle;
    const std::vector<uint8_t> body = Saved(*physics);

    kes::PhysicsData d;
    d.tileMaps = 1;
    d.hasPhysicsMap = d.hasParticleMap = true;
    d.physicsMap = Picture(*physics->physicsMap);
    d.particleMap = Picture(particle);
    kes::WorldWriter w;
    w.Physics(d);
    EXPECT_EQ(body, WriterChunk(w, "PHYS"));

    ASSERT_EQ(GameRead(body, [&](kes::ChunkStream& s) { return kes::PhysMapLoad(s, bounds); }), 0);
    EXPECT_TRUE(kes::PhysMapWraps());
    const kes::MapBitmap& surface = kes::PhysSurfaceMap();
    ASSERT_EQ(surface.width, 128u);
    for (uint32_t y : {0u, 20u, 64u, 100u})
        for (uint32_t x : {0u, 24u, 64u, 127u})
            EXPECT_EQ(surface.pixels[y * surface.rowBytes + x], qv::BitmapPixel(*physics->physicsMap, int32_t(x), int32_t(y)));
    const kes::MapBitmap& colour = kes::PhysColourMap();
    ASSERT_EQ(colour.width, 510u);
    for (uint32_t y : {0u, 9u})
        for (uint32_t x : {0u, 255u, 509u})
            EXPECT_EQ(plat::LoadU32(&colour.pixels[y * colour.rowBytes + x * 4]), (x & 0xFF) | (y << 8) | (77u << 16));
    kes::PhysMapFree();
}

TEST_F(GameReads, LightMaps) {
    qv::Dib map = qv::GreyBitmap(512, 512, 0);
    for (size_t i = 0; i < map.pixels.size(); ++i) map.pixels[i] = static_cast<uint8_t>(i % 251);
    shadow->map1 = map;
    qv::Dib adjusted = map;
    for (uint8_t& p : adjusted.pixels) p = qv::AdjustedLevel(p);
    shadow->map2 = adjusted;
    const std::vector<uint8_t> body = Saved(*shadow);

    kes::LightMapData d;
    d.hasMap1 = d.hasMap2 = true;
    d.map1 = Picture(map);
    d.map2 = Picture(adjusted);
    kes::WorldWriter w;
    w.LightMap(d);
    EXPECT_EQ(body, WriterChunk(w, "LMAP"));

    ASSERT_EQ(GameRead(body, [&](kes::ChunkStream& s) { return kes::LightMapLoad(s, bounds); }), 0);
    EXPECT_EQ(kes::LightMapVersion(), 1000u);
    ASSERT_TRUE(kes::LightMapPresent());
    ASSERT_TRUE(kes::GroundLightPresent());
    // Cell (x, y) of a 512-wide map over a 1000-wide world lies at x x 1000 / 512.
    for (int32_t x : {0, 100, 511})
        for (int32_t y : {0, 300, 511}) {
            const float wx = (static_cast<float>(x) + 0.25f) * 1000.0f / 512.0f, wy = (static_cast<float>(y) + 0.25f) * 1000.0f / 512.0f;
            EXPECT_EQ(kes::LightMapSample(wx, wy), qv::BitmapPixel(map, x, y));
            EXPECT_EQ(kes::GroundLightSample(wx, wy), qv::BitmapPixel(adjusted, x, y));
        }
    kes::LightMapFree();
}

}  // namespace
}  // namespace qvtest
