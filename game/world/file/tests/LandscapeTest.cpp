#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "game/core/config/Config.h"
#include "game/core/pack/PackFile.h"
#include "game/world/chunk/ChunkStream.h"
#include "game/world/file/tests/WorldTestSupport.h"
#include "game/world/landscape/Landscape.h"
#include "game/world/landscape/OrderedJobs.h"
#include "game/core/texture/TextureContainer.h"
#include "platform/bytes/ByteIO.h"

namespace kes::test {
namespace {

float Bumpy(uint32_t c, uint32_t r) {
    return 3.0f * std::sin(static_cast<float>(c) * 0.7f) + 2.0f * std::cos(static_cast<float>(r) * 1.3f) +
           0.25f * static_cast<float>((c * 7 + r * 13) % 5);
}
float Ramp(uint32_t c, uint32_t r) { return 0.5f * static_cast<float>(c) * 10.0f + 0.25f * static_cast<float>(r) * 10.0f; }
float Flat(uint32_t, uint32_t) { return 7.0f; }

// The Catmull-Rom weights as written in the formula, for t in 0..1.
void Weights(float t, float w[4]) {
    w[0] = -0.5f * t * t * t + t * t - 0.5f * t;
    w[1] = 1.5f * t * t * t - 2.5f * t * t + 1.0f;
    w[2] = -1.5f * t * t * t + 2.0f * t * t + 0.5f * t;
    w[3] = 0.5f * t * t * t - 0.5f * t * t;
}

class LandscapeTest : public ::testing::Test {
protected:
    void Load(float (*height)(uint32_t, uint32_t), uint16_t version = 1) {
        WorldWriter w;
        w.Header(TestBounds());
        LandscapeData l = SmallLandscape(height);
        l.version = version;
        w.Landscape(l);
        ASSERT_EQ(LoadBytes(w.Finish(), &render), 0);
    }
    void TearDown() override {
        WorldUnload();
        DestroyAllTextureContainers();
        g_Config = ConfigRecord();
    }
    RecordingRender render;
};

TEST_F(LandscapeTest, HeightsAtKnotsAreTheStoredValues) {
    Load(Bumpy);
    ASSERT_TRUE(LandscapePresent());
    for (uint32_t r = 1; r < 35; r += 3)
        for (uint32_t c = 1; c < 35; c += 2) {
            const float x = static_cast<float>(c) * 10.0f, y = static_cast<float>(r) * 10.0f;
            EXPECT_FLOAT_EQ(LandscapeHeightAt(x, y), Bumpy(c, r)) << c << "," << r;
            EXPECT_FLOAT_EQ(LandscapeHeightExact(x, y), Bumpy(c, r)) << c << "," << r;
        }
}

TEST_F(LandscapeTest, BetweenKnotsTheSurfaceIsCatmullRom) {
    Load(Bumpy);
    const float fractions[] = {0.25f, 0.5f, 0.75f, 0.125f};
    for (uint32_t c = 2; c < 33; c += 5)
        for (uint32_t r = 3; r < 33; r += 7)
            for (float fx : fractions)
                for (float fy : fractions) {
                    float wx[4], wy[4];
                    Weights(fx, wx);
                    Weights(fy, wy);
                    float expected = 0;
                    for (int a = 0; a < 4; ++a)
                        for (int b = 0; b < 4; ++b) expected += wy[a] * wx[b] * Bumpy(c - 1 + b, r - 1 + a);
                    const float x = (static_cast<float>(c) + fx) * 10.0f, y = (static_cast<float>(r) + fy) * 10.0f;
                    EXPECT_NEAR(LandscapeHeightAt(x, y), expected, 1e-4f) << x << "," << y;
                    EXPECT_NEAR(LandscapeHeightExact(x, y), expected, 1e-4f) << x << "," << y;
                }
    // Anywhere else the table and the exact surface differ by no more than a 1/512 step allows.
    for (float x = 15.3f; x < 340.0f; x += 17.9f)
        for (float y = 12.1f; y < 340.0f; y += 23.3f)
            EXPECT_NEAR(LandscapeHeightAt(x, y), LandscapeHeightExact(x, y), 0.05f) << x << "," << y;
}

TEST_F(LandscapeTest, LinearGroundIsReproducedAndNormalsTiltWithIt) {
    Load(Ramp);
    for (float x = 20.5f; x < 330.0f; x += 31.7f)
        for (float y = 20.5f; y < 330.0f; y += 29.3f) {
            const float h = LandscapeHeightAt(x, y);
            EXPECT_NEAR(h, 0.5f * x + 0.25f * y, 0.015f);  // a 1/512 table step of a cell per axis
            EXPECT_NEAR(LandscapeHeightExact(x, y), 0.5f * x + 0.25f * y, 1e-3f);
            Vec3 n;
            LandscapeNormalAt(x, y, h, &n);
            const float len = std::sqrt(0.25f + 0.0625f + 1.0f);
            EXPECT_NEAR(n.x, -0.5f / len, 0.01f);
            EXPECT_NEAR(n.y, -0.25f / len, 0.01f);
            EXPECT_NEAR(n.z, 1.0f / len, 0.01f);
        }
}

TEST_F(LandscapeTest, NormalsPointUpOnFlatGround) {
    Load(Flat);
    for (float x : {5.0f, 123.4f, 359.0f}) {
        Vec3 n;
        LandscapeNormalAt(x, 77.0f, LandscapeHeightAt(x, 77.0f), &n);
        EXPECT_NEAR(n.x, 0.0f, 1e-4f);
        EXPECT_NEAR(n.y, 0.0f, 1e-4f);
        EXPECT_NEAR(n.z, 1.0f, 1e-3f);
    }
}

TEST_F(LandscapeTest, PointsWrapIntoTheBoxWithinThreeSteps) {
    Load(Bumpy);
    EXPECT_FLOAT_EQ(LandscapeHeightAt(360.0f, 50.0f), LandscapeHeightAt(0.0f, 50.0f));
    EXPECT_FLOAT_EQ(LandscapeHeightAt(55.0f + 2 * 360.0f, 50.0f), LandscapeHeightAt(55.0f, 50.0f));
    EXPECT_FLOAT_EQ(LandscapeHeightAt(55.0f, 50.0f - 360.0f), LandscapeHeightAt(55.0f, 50.0f));
    EXPECT_EQ(LandscapeHeightAt(55.0f - 3.5f * 360.0f, 50.0f), 0.0f);
    EXPECT_EQ(LandscapeHeightAt(NAN, 50.0f), 0.0f);
    float dx, dy;
    LandscapeWrapOffset(-1.0f, 400.0f, &dx, &dy);
    EXPECT_EQ(dx, 360.0f);
    EXPECT_EQ(dy, -360.0f);
    LandscapeWrapOffset(10.0f, 10.0f, &dx, &dy);
    EXPECT_EQ(dx, 0.0f);
    EXPECT_EQ(dy, 0.0f);
    EXPECT_FALSE(CurrentLandscape().big);
}

TEST_F(LandscapeTest, TilesTakeTheTexturesTheirCellsName) {
    WorldWriter w;
    LandscapeData l = SmallLandscape(Flat);
    l.textures.push_back({"rock.bmp", DibPicture::Solid(4, 4, 90, 90, 90)});
    for (size_t i = 0; i < l.cells.size(); ++i) l.cells[i] = static_cast<uint16_t>(i % 4);  // 3: no such texture
    w.Landscape(l);
    ASSERT_EQ(LoadBytes(w.Finish(), &render), 0);
    const Landscape& land = CurrentLandscape();
    ASSERT_EQ(land.tiles.size(), 81u);
    const uint32_t* table = WorldHandleTable(ChunkTag("SLND"));
    EXPECT_EQ(table[0], 2u);
    const uint32_t expected[4] = {0, 1, 2, 0};
    for (size_t i = 0; i < land.tiles.size(); ++i) EXPECT_EQ(land.tiles[i].texture, expected[i % 4]) << i;
}

TEST_F(LandscapeTest, ShortHeaderTakesTheWorldBounds) {
    Load(Flat, 0);
    const WorldBounds& b = CurrentLandscape().bounds;
    EXPECT_EQ(b.maxX, 360.0f);
    EXPECT_EQ(b.maxY, 360.0f);
    EXPECT_FLOAT_EQ(LandscapeHeightAt(100.0f, 100.0f), 7.0f);
}

TEST_F(LandscapeTest, BigLandscapeNeedsBothExtentsAt4500) {
    struct Case {
        float ex, ey;
        bool big;
    } cases[] = {{4499, 5000, false}, {4500, 4500, true}, {5000, 4499, false}};
    for (const Case& c : cases) {
        WorldWriter w;
        LandscapeData l = SmallLandscape(Flat);
        l.bounds = {0, 0, 0, c.ex, c.ey, 10};
        w.Landscape(l);
        ASSERT_EQ(LoadBytes(w.Finish(), &render), 0);
        EXPECT_EQ(CurrentLandscape().big, c.big) << c.ex << " x " << c.ey;
    }
}

TEST_F(LandscapeTest, TextureSizeFollowsTheLandscapeDetail) {
    for (uint32_t detail : {0u, 1u, 2u}) {
        g_Config.landscapeDetail = detail;
        render.createdSizes.clear();
        WorldWriter w;
        LandscapeData l = SmallLandscape(Flat);
        DibPicture picture = DibPicture::Solid(256, 256, 200, 20, 30);
        for (int row = 0; row < 256; ++row) picture.rows[(row * 256 + 255) * 3 + 2] = 10;  // red edge column
        l.textures = {{"big.bmp", picture}};
        w.Landscape(l);
        ASSERT_EQ(LoadBytes(w.Finish(), &render), 0);
        const TextureContainer* c = FindTexture("big.bmp");
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->image->width, 1u << (detail + 6)) << detail;
        EXPECT_EQ(CurrentLandscape().textureSize, 1u << (detail + 6));
        // The mip levels keep the tile's edge pixels: the last column of every level is the source's.
        for (const ImageRecord* level = c->image; level; level = level->nextLevel)
            EXPECT_EQ(level->pixels[(level->width - 1) * 3], 10) << level->width;
        DestroyAllTextureContainers();
    }
}

// A landscape of many patterned textures (some names twice, a grey and a paletted one among them),
// optionally with one damaged record, loaded with a given number of worker threads.
struct ThreadedLoad {
    int32_t result = 0;
    std::vector<uint32_t> tileTextures;
    std::vector<uint32_t> handleTable;
    std::vector<std::string> containers;             // names, newest first
    std::vector<std::vector<uint8_t>> levelPixels;   // every level of every container, in list order
};

std::vector<uint8_t> PatternedWorld() {
    WorldWriter w;
    LandscapeData l = SmallLandscape(Bumpy);
    l.textures.clear();
    for (int t = 0; t < 24; ++t) {
        DibPicture p = t == 5 ? DibPicture::Grey(64, 64, 77) : DibPicture::Solid(64, 64, 0, 0, 0);
        for (size_t i = 0; i < p.rows.size(); ++i) p.rows[i] = static_cast<uint8_t>((i * (t + 3)) ^ (i >> 7));
        const std::string name = t % 7 == 6 ? "shared.bmp" : "ground" + std::to_string(t) + ".bmp";
        l.textures.push_back({name, std::move(p)});
    }
    for (size_t i = 0; i < l.cells.size(); ++i) l.cells[i] = static_cast<uint16_t>(1 + i % 24);
    w.Landscape(l);
    return w.Finish();
}

ThreadedLoad LoadWithThreads(RecordingRender& render, unsigned threads, const std::vector<uint8_t>& bytes) {
    SetLoadThreads(threads);
    ThreadedLoad out;
    out.result = LoadBytes(bytes, &render);
    SetLoadThreads(0);
    if (LandscapePresent())
        for (const LandscapeTile& tile : CurrentLandscape().tiles) out.tileTextures.push_back(tile.texture);
    if (const uint32_t* table = WorldHandleTable(ChunkTag("SLND"))) out.handleTable.assign(table, table + 32);
    for (const TextureContainer* c = TextureListHead(); c; c = c->next) {
        out.containers.push_back(c->name);
        for (const ImageRecord* level = c->image; level; level = level->nextLevel)
            out.levelPixels.emplace_back(level->pixels, level->pixels + static_cast<size_t>(level->height) * level->stride);
    }
    WorldUnload();
    DestroyAllTextureContainers();
    return out;
}

TEST_F(LandscapeTest, WorkerThreadsGiveTheSameTexturesAndHandlesAsOne) {
    const std::vector<uint8_t> whole = PatternedWorld();
    // The same world with the tenth record's kind damaged.
    std::vector<uint8_t> damaged = whole;
    int seen = 0;
    for (size_t i = 0; i + 4 <= damaged.size(); ++i)
        if (std::memcmp(&damaged[i], "TXTR", 4) == 0 && ++seen == 10) damaged[i + 3] = 'X';
    ASSERT_EQ(seen, 24);
    for (uint32_t detail : {2u, 0u}) {
        g_Config.landscapeDetail = detail;  // 256: no halving; 64: the textures are halved twice
        for (const std::vector<uint8_t>* bytes : {&whole, const_cast<const std::vector<uint8_t>*>(&damaged)}) {
            const ThreadedLoad one = LoadWithThreads(render, 1, *bytes);
            // A bad record leaves the world without a landscape; the nine records before it were
            // made all the same. Three records of the whole list share "shared.bmp".
            EXPECT_EQ(one.result, 0);
            EXPECT_EQ(one.tileTextures.size(), bytes == &whole ? 81u : 0u);
            EXPECT_EQ(one.containers.size(), bytes == &whole ? 22u : 9u);
            EXPECT_GT(one.levelPixels.size(), one.containers.size());
            for (unsigned threads : {2u, 3u, 8u}) {
                const ThreadedLoad many = LoadWithThreads(render, threads, *bytes);
                EXPECT_EQ(many.result, one.result) << threads;
                EXPECT_EQ(many.tileTextures, one.tileTextures) << threads;
                EXPECT_EQ(many.handleTable, one.handleTable) << threads;
                EXPECT_EQ(many.containers, one.containers) << threads;
                EXPECT_TRUE(many.levelPixels == one.levelPixels) << threads;
            }
        }
    }
}

TEST_F(LandscapeTest, TexturesWithRowsPaddedToFourBytesAreRead) {
    // 2 pixels of 24 bits make 6 bytes a row; the editor stores 8. The record after it must still
    // be found where it starts.
    WorldWriter w;
    LandscapeData l = SmallLandscape(Flat);
    l.textures = {{"tiny.bmp", DibPicture::Solid(2, 2, 250, 1, 2)}, {"next.bmp", DibPicture::Solid(4, 4, 3, 4, 240)}};
    w.Landscape(l);
    ASSERT_EQ(LoadBytes(w.Finish(), &render), 0);
    ASSERT_TRUE(LandscapePresent());
    const TextureContainer* tiny = FindTexture("tiny.bmp");
    const TextureContainer* next = FindTexture("next.bmp");
    ASSERT_NE(tiny, nullptr);
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(tiny->image->pixels[0], 250);
    EXPECT_EQ(tiny->image->pixels[3 * 3], 250);
    EXPECT_EQ(next->image->pixels[2], 240);
    EXPECT_EQ(CurrentLandscape().textureCount, 2u);
}

TEST_F(LandscapeTest, DamagedChunksLeaveNoLandscape) {
    struct Case {
        const char* what;
        void (*spoil)(LandscapeData&);
    } cases[] = {
        {"tiles wider than the grid", [](LandscapeData& l) { l.knotsPerCellX = 40; }},
        {"no knots", [](LandscapeData& l) { l.knotsX = 0; }},
        {"heights missing", [](LandscapeData& l) { l.heights.resize(100); l.cells.clear(); l.textures.clear(); }},
        {"box without extent", [](LandscapeData& l) { l.bounds.maxX = l.bounds.minX; }},
    };
    for (const Case& c : cases) {
        LandscapeData l = SmallLandscape(Bumpy);
        c.spoil(l);
        WorldWriter w;
        w.Landscape(l);
        ASSERT_EQ(LoadBytes(w.Finish(), &render), 0) << c.what;
        EXPECT_FALSE(LandscapePresent()) << c.what;
        EXPECT_EQ(LandscapeHeightAt(50, 50), 0.0f) << c.what;
    }
}

// Runs the landscape reader straight on a chunk's bytes.
int32_t ReadChunk(const std::vector<uint8_t>& data, RecordingRender* render) {
    const std::string path = WriteTemp("slnd", data);
    PackFile file;
    file.Open(path.c_str(), "rb", 0);
    ChunkStream s(file, static_cast<uint32_t>(data.size()));
    render->handleTable = WorldHandleTable(ChunkTag("SLND"));
    const int32_t r = LandscapeLoad(s, static_cast<uint32_t>(data.size()), render, TestBounds(), nullptr);
    render->handleTable = nullptr;
    std::remove(path.c_str());
    return r;
}

std::vector<uint8_t> ChunkData(const LandscapeData& l) {
    WorldWriter w;
    w.Landscape(l);
    std::vector<uint8_t> all = w.Finish();
    return std::vector<uint8_t>(all.begin() + 16, all.end());
}

TEST_F(LandscapeTest, ReaderResultCodes) {
    const std::vector<uint8_t> good = ChunkData(SmallLandscape(Flat));
    EXPECT_EQ(ReadChunk(good, &render), 0);
    EXPECT_EQ(ReadChunk(std::vector<uint8_t>(good.begin(), good.begin() + 75), &render), kWorldOutOfMemory);
    EXPECT_EQ(ReadChunk(std::vector<uint8_t>(good.begin(), good.end() - 20), &render), kWorldOutOfMemory);
    // A texture record of the alpha kind is refused and the textures made so far are released.
    LandscapeData two = SmallLandscape(Flat);
    two.textures.push_back({"second.bmp", DibPicture::Solid(4, 4, 1, 1, 1)});
    std::vector<uint8_t> alpha = ChunkData(two);
    const size_t second = alpha.size() - (4 + 128 + 40 + 16 * 3);
    ASSERT_EQ(plat::LoadU32(&alpha[second]), ChunkTag("TXTR"));
    plat::StoreU32(&alpha[second], ChunkTag("TXTA"));
    render.releases = 0;
    EXPECT_EQ(ReadChunk(alpha, &render), kWorldBadTextureKind);
    EXPECT_FALSE(LandscapePresent());
    EXPECT_EQ(render.releases, 1u);
    EXPECT_EQ(WorldHandleTable(ChunkTag("SLND"))[0], 0u);
}

TEST_F(LandscapeTest, DrawsEveryTileInViewWithItsTexture) {
    Load(Bumpy);
    WorldView view;
    view.eye = {180, 180, 300};
    view.groundMinX = 0, view.groundMinY = 0, view.groundMaxX = 359, view.groundMaxY = 359;
    for (Vec4& p : view.planes) p = {0, 0, 0, 1e6f};  // everything inside
    render.draws.clear();
    WorldRender(view);
    EXPECT_EQ(render.draws.size(), 81u);
    for (const auto& d : render.draws) {
        EXPECT_EQ(d.texture, 1u);
        EXPECT_EQ(d.flags, 4u);  // crosses no plane
        EXPECT_EQ(d.indices % 6, 0u);
    }
    // A plane that puts the whole ground behind it culls every tile.
    view.planes[0] = {0, 0, 1, -10000};
    render.draws.clear();
    WorldRender(view);
    EXPECT_TRUE(render.draws.empty());
}

TEST_F(LandscapeTest, TilesOfDifferentSubdivisionMeetWithoutCracks) {
    Load(Bumpy);
    WorldView view;
    view.eye = {20, 20, 30};  // near one corner: subdivisions fall off with distance
    view.groundMinX = 0, view.groundMinY = 0, view.groundMaxX = 359, view.groundMaxY = 359;
    for (Vec4& p : view.planes) p = {0, 0, 0, 1e6f};
    render.draws.clear();
    WorldRender(view);  // no view matrix: screen x = world x, screen y = height, depth = world y
    ASSERT_EQ(render.draws.size(), 81u);
    std::set<uint32_t> sizes;
    for (const auto& d : render.draws) sizes.insert(d.vertices);
    ASSERT_GE(sizes.size(), 3u);
    struct Point {
        float along, z;
    };
    // The vertices of a draw on one line of the ground (x or y fixed), in order along it.
    auto edge = [](const RecordingRender::Draw& d, bool vertical, float at) {
        std::vector<Point> out;
        for (const ScreenVertex& v : d.screen) {
            const float x = v.sx, y = v.sz, z = v.sy;
            if (vertical ? std::fabs(x - at) < 1e-3f : std::fabs(y - at) < 1e-3f) out.push_back({vertical ? y : x, z});
        }
        std::sort(out.begin(), out.end(), [](const Point& a, const Point& b) { return a.along < b.along; });
        return out;
    };
    auto onLine = [](const std::vector<Point>& line, const Point& p) {
        for (size_t k = 0; k + 1 < line.size(); ++k)
            if (p.along >= line[k].along - 1e-3f && p.along <= line[k + 1].along + 1e-3f) {
                const float t = (p.along - line[k].along) / (line[k + 1].along - line[k].along);
                return std::fabs(line[k].z + (line[k + 1].z - line[k].z) * t - p.z) < 1e-3f;
            }
        return false;
    };
    int checked = 0;
    for (const auto& a : render.draws)
        for (const auto& b : render.draws) {
            if (a.vertices <= b.vertices) continue;  // a is the finer tile
            const float ax0 = a.screen.front().sx, ay0 = a.screen.front().sz;
            const float bx0 = b.screen.front().sx, by0 = b.screen.front().sz;
            const bool leftRight = std::fabs(ay0 - by0) < 1e-3f && std::fabs(std::fabs(ax0 - bx0) - 40.0f) < 1e-3f;
            const bool upDown = std::fabs(ax0 - bx0) < 1e-3f && std::fabs(std::fabs(ay0 - by0) - 40.0f) < 1e-3f;
            if (!leftRight && !upDown) continue;
            const float at = leftRight ? std::max(ax0, bx0) : std::max(ay0, by0);
            const auto fine = edge(a, leftRight, at), rough = edge(b, leftRight, at);
            ASSERT_GT(fine.size(), rough.size());
            for (const Point& p : fine) EXPECT_TRUE(onLine(rough, p)) << p.along << " " << p.z;
            ++checked;
        }
    EXPECT_GT(checked, 5);
}

TEST(LandscapeSubdivision, ThresholdsAndCap) {
    struct Case {
        float reach;
        uint32_t expected;
    } cases[] = {{1, 0}, {2, 2}, {3, 2}, {4, 4}, {7.9f, 4}, {8, 8}, {15, 8}, {16, 16}, {31, 16}, {32, 32}, {33, 32},
                 {100, 32}};
    for (const Case& c : cases) EXPECT_EQ(LandscapeSubdivision(c.reach, 32), c.expected) << c.reach;
    EXPECT_EQ(LandscapeSubdivision(33, 48), 48u);
}

}  // namespace
}  // namespace kes::test
