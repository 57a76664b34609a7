#include <gtest/gtest.h>

#include <cstring>

#include "game/core/config/Config.h"
#include "game/world/file/tests/WorldTestSupport.h"
#include "game/world/flat/FlatAreas.h"
#include "game/world/info/WorldTextures.h"
#include "game/world/landscape/Landscape.h"
#include "platform/bytes/ByteIO.h"
#include "platform/gfx/GfxStates.h"

namespace kes::test {
namespace {

class WorldFileTest : public ::testing::Test {
protected:
    void TearDown() override {
        WorldUnload();
        DestroyAllTextureContainers();
        g_Config = ConfigRecord();
    }
    RecordingRender render;
};

std::vector<uint8_t> FoggyWorld(uint32_t enabled) {
    WorldWriter w;
    w.Header(TestBounds());
    FogData fog;
    fog.enabled = enabled;
    fog.start = 100;
    fog.end = 900;
    w.Fog(fog);
    return w.Finish();
}

TEST_F(WorldFileTest, EmptyWorldOfEightBytesLoads) {
    const std::vector<uint8_t> bytes = {'Q', 'V', 'E', 'D', 0, 0, 0, 0};
    EXPECT_EQ(LoadBytes(bytes, &render), 0);
    EXPECT_FALSE(LandscapePresent());
    EXPECT_EQ(WorldUnload(), 0);
}

TEST_F(WorldFileTest, DamagedContainersAreRefusedWithTheirCodes) {
    const std::vector<uint8_t> good = FoggyWorld(1);
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        int32_t expected;
    };
    std::vector<Case> cases;
    cases.push_back({"shorter than a head", {'Q', 'V', 'E'}, kWorldBadFile});
    auto wrongTag = good;
    wrongTag[0] = 'X';
    cases.push_back({"wrong outer tag", wrongTag, kWorldBadFile});
    auto wrongSize = good;
    plat::StoreU32(wrongSize.data() + 4, static_cast<uint32_t>(good.size()));
    cases.push_back({"outer size not length - 8", wrongSize, kWorldBadFile});
    auto cut = good;
    cut.resize(cut.size() - 10);
    plat::StoreU32(cut.data() + 4, static_cast<uint32_t>(cut.size() - 8));
    cases.push_back({"last chunk runs past the end", cut, kWorldBadFile});
    auto huge = good;
    plat::StoreU32(huge.data() + 12, 0xFFFFFFF0u);  // the header chunk's size
    cases.push_back({"chunk size near 4 GB", huge, kWorldBadFile});
    auto headOnly = good;
    headOnly.insert(headOnly.end(), {'A', 'B', 'C'});
    plat::StoreU32(headOnly.data() + 4, static_cast<uint32_t>(headOnly.size() - 8));
    cases.push_back({"a partial chunk head at the end", headOnly, kWorldBadFile});
    for (const Case& c : cases) {
        EXPECT_EQ(LoadBytes(c.bytes, &render), c.expected) << c.what;
        WorldUnload();
    }
    WorldListEntry missing;
    missing.name = TempPath("no_such_world");
    EXPECT_EQ(WorldLoadEntry(missing, &render, nullptr), kWorldOpenFailed);
}

TEST_F(WorldFileTest, UnknownChunksAreSkippedAndReadersCannotDisturbTheNextChunk) {
    WorldWriter w;
    w.Raw(ChunkTag("VWPR"), std::vector<uint8_t>(720, 0xAB));
    w.Raw(ChunkTag("PASS"), {1, 2, 3});
    // A camera chunk claiming more records than it holds: its reader stops, the fog after it is read.
    w.Raw(ChunkTag("CAMR"), {2, 0, 0, 0, 50, 0, 0, 0, 1, 2, 3});
    // A header chunk shorter than the bounds fills only the leading ones.
    w.Raw(ChunkTag("QVED"), {0, 0, 0x80, 0x3F, 0, 0, 0, 0x40});
    FogData fog;
    fog.enabled = 1;
    w.Fog(fog);
    ASSERT_EQ(LoadBytes(w.Finish(), &render), 0);
    EXPECT_EQ(CurrentFog().enabled, 1u);
    EXPECT_EQ(CurrentWorldBounds().minX, 1.0f);
    EXPECT_EQ(CurrentWorldBounds().minY, 2.0f);
    EXPECT_EQ(CurrentWorldBounds().maxX, 0.0f);
}

TEST_F(WorldFileTest, WorldsAreFoundInTheListWithoutRegardToCase) {
    static WorldListEntry entry;
    entry.name = "Canyon.wld";
    entry.packPath = WriteTemp("canyon", FoggyWorld(1));
    SetWorldListWalk([](uint32_t i) -> const WorldListEntry* { return i == 0 ? &entry : nullptr; });
    EXPECT_EQ(WorldLoad("CANYON.WLD", &render, nullptr), 0);
    EXPECT_EQ(CurrentFog().start, 100u);
    const WorldBounds& b = CurrentWorldBounds();
    EXPECT_EQ(b.minX, 0.0f);
    EXPECT_EQ(b.maxX, 360.0f);
    EXPECT_EQ(b.maxY, 360.0f);
    EXPECT_EQ(b.maxZ, 100.0f);
    EXPECT_EQ(WorldLoad("desert.wld", &render, nullptr), kWorldNotListed);
    SetWorldListWalk(nullptr);
    EXPECT_EQ(WorldLoad("Canyon.wld", &render, nullptr), kWorldNotListed);
    std::remove(entry.packPath.c_str());
}

TEST_F(WorldFileTest, WorldInsideAPackIsReadFromItsWindow) {
    std::vector<uint8_t> pack(100, 0xEE);
    const std::vector<uint8_t> world = FoggyWorld(1);
    pack.insert(pack.end(), world.begin(), world.end());
    pack.insert(pack.end(), 50, 0xEE);
    WorldListEntry e;
    e.name = "packed.wld";
    e.packPath = WriteTemp("pack", pack);
    e.packOffset = 100;
    e.size = static_cast<int32_t>(world.size());
    EXPECT_EQ(WorldLoadEntry(e, &render, nullptr), 0);
    EXPECT_EQ(CurrentFog().end, 900u);
    std::remove(e.packPath.c_str());
}

TEST_F(WorldFileTest, FogColourFollowsThePictureSliders) {
    struct Case {
        uint32_t ref, s1, s2, expected;
    } cases[] = {
        {0x00FFE6D7, 50, 50, 0x00D8E7FF},  // one above each channel, blue clamped
        {0x005A6464, 0, 0, 0x00010100},    // factor 128, offset -49: 100 -> 1, 90 -> 0
        {0x00FFFFFF, 100, 100, 0x00FFFFFF},
        {0x00000000, 0, 0, 0x00000000},
    };
    for (const Case& c : cases) EXPECT_EQ(AdjustFogColour(c.ref, c.s1, c.s2), c.expected) << std::hex << c.ref;
    ASSERT_EQ(LoadBytes(FoggyWorld(1), &render), 0);
    EXPECT_EQ(CurrentFog().colour, 0x00D8E7FFu);
}

TEST_F(WorldFileTest, RenderSetsFogOnlyForAFoggyWorld) {
    namespace rs = plat::rs;
    ASSERT_EQ(LoadBytes(FoggyWorld(1), &render), 0);
    WorldRender(WorldView());
    auto has = [&](uint32_t state, uint32_t value) {
        for (auto& s : render.states)
            if (s.first == state && s.second == value) return true;
        return false;
    };
    float start = 100.0f;
    uint32_t startBits;
    std::memcpy(&startBits, &start, 4);
    EXPECT_TRUE(has(rs::kFogEnable, 1));
    EXPECT_TRUE(has(rs::kFogTableMode, rs::kFogLinear));
    EXPECT_TRUE(has(rs::kFogColor, 0x00D8E7FF));
    EXPECT_TRUE(has(rs::kFogTableStart, startBits));
    EXPECT_EQ(render.fogSwitch, 1);
    render.states.clear();
    render.fogSwitch = -1;
    ASSERT_EQ(LoadBytes(FoggyWorld(0), &render), 0);
    WorldRender(WorldView());
    EXPECT_TRUE(render.states.empty());
    EXPECT_EQ(render.fogSwitch, -1);
}

TEST_F(WorldFileTest, ProgressRisesBelowOne) {
    static std::vector<float> seen;
    seen.clear();
    WorldWriter w;
    w.Header(TestBounds());
    w.Landscape(SmallLandscape([](uint32_t, uint32_t) { return 0.0f; }));
    WorldListEntry e;
    e.name = WriteTemp("progress", w.Finish());
    ASSERT_EQ(WorldLoadEntry(e, &render, [](float f) { seen.push_back(f); }), 0);
    std::remove(e.name.c_str());
    ASSERT_GE(seen.size(), 3u);  // before each chunk and once per landscape texture
    for (size_t i = 1; i < seen.size(); ++i) EXPECT_LE(seen[i - 1], seen[i]);
    EXPECT_LT(seen.back(), 1.0f);
}

TEST_F(WorldFileTest, UnloadFreesEveryOwnerAndTheirTextures) {
    WorldWriter w;
    w.Header(TestBounds());
    w.Landscape(SmallLandscape([](uint32_t c, uint32_t) { return static_cast<float>(c); }));
    InfoData info;
    info.textures.push_back({"overlay.bmp", DibPicture::Solid(4, 4, 1, 2, 3)});
    w.Info(info);
    ASSERT_EQ(LoadBytes(w.Finish(), &render), 0);
    ASSERT_TRUE(LandscapePresent());
    EXPECT_EQ(WorldHandleTable(ChunkTag("SLND"))[0], 1u);
    EXPECT_EQ(WorldTextureCount(), 1u);
    EXPECT_EQ(WorldUnload(), 0);
    EXPECT_FALSE(LandscapePresent());
    EXPECT_EQ(WorldTextureCount(), 0u);
    EXPECT_EQ(WorldHandleTable(ChunkTag("SLND"))[0], 0u);
    EXPECT_EQ(render.builtInHandleTable[0], 0u);
    EXPECT_EQ(render.releases, 2u);
    EXPECT_EQ(LandscapeHeightAt(50, 50), 0.0f);
}

TEST_F(WorldFileTest, ChunkThatComesTwiceReplacesTheFirst) {
    WorldWriter w;
    w.Header(TestBounds());
    w.Landscape(SmallLandscape([](uint32_t, uint32_t) { return 1.0f; }));
    w.Landscape(SmallLandscape([](uint32_t, uint32_t) { return 2.0f; }));
    ASSERT_EQ(LoadBytes(w.Finish(), &render), 0);
    EXPECT_EQ(LandscapeHeightAt(100, 100), 2.0f);
    EXPECT_EQ(WorldHandleTable(ChunkTag("SLND"))[0], 1u);  // the first chunk's texture was released
    EXPECT_EQ(render.releases, 1u);
}

TEST_F(WorldFileTest, ContactPassesFollowTheSkipFlags) {
    static int placed, fences;
    SetWorldContactPasses([](const RacerContactSubject&) { ++placed; }, [](const RacerContactSubject&) { ++fences; });
    struct Case {
        uint32_t flags;
        int placed, fences;
    } cases[] = {{0, 1, 1}, {2, 0, 1}, {8, 1, 0}, {10, 0, 0}, {17, 1, 1}};
    RacerContactSubject subject;
    subject.contact = [](void*, uint32_t, void*) {};
    for (const Case& c : cases) {
        placed = fences = 0;
        EXPECT_EQ(RacerWorldContacts(subject, c.flags), 0);
        EXPECT_EQ(placed, c.placed) << c.flags;
        EXPECT_EQ(fences, c.fences) << c.flags;
    }
    placed = fences = 0;
    RacerWorldContacts(RacerContactSubject(), 0);  // no contact routine: nothing runs
    EXPECT_EQ(placed + fences, 0);
    SetWorldContactPasses(nullptr, nullptr);
}

TEST(FlatAreas, RecordsAreSortedByTheirLastWordLargestFirst) {
    std::vector<FlatRecord> r(3);
    r[0][7] = 5, r[1][7] = 9, r[2][7] = 1;
    r[0][0] = 50, r[1][0] = 90, r[2][0] = 10;
    SortFlatRecords(&r);
    EXPECT_EQ(r[0][0], 90u);
    EXPECT_EQ(r[1][0], 50u);
    EXPECT_EQ(r[2][0], 10u);
    for (bool highFirst : {false, true}) {
        std::vector<FlatRecord> w(2);
        w[highFirst ? 0 : 1][7] = 0x80000000u;
        SortFlatRecords(&w);
        EXPECT_EQ(w[0][7], 0u);
        EXPECT_EQ(w[1][7], 0x80000000u);
    }
}

}  // namespace
}  // namespace kes::test
