// The default worlds: each made through the editor's plug-ins, opened again in the real QV program
// with every chunk kept byte for byte, given the game's own chunks (water, fence, collision mesh,
// bonus pickup), loaded by the game with its start line on the ground facing along the course and
// every chunk taken, raced by eight computer riders for three laps in the real racelab program, seen
// from the chase camera at the start, and listed by the game's world list from the track pack with
// its identifier, kind and names.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "tools/racelab/tests/RacelabRun.h"
#include "game/core/objects/Objects.h"
#include "game/frontend/session/RaceSession.h"
#include "game/frontend/worlds/WorldList.h"
#include "game/world/aitrack/AiTrack.h"
#include "game/world/collision/CollisionMeshes.h"
#include "game/world/dynamic/DynamicObjects.h"
#include "game/world/fence/Fences.h"
#include "game/world/maps/CameraZones.h"
#include "game/world/objects/PlacedObjects.h"
#include "game/world/soundmap/SoundMap.h"
#include "game/world/water/Water.h"
#include "game/world/chunk/TableRender.h"
#include "game/world/file/WorldFile.h"
#include "game/world/ground/LandscapeGround.h"
#include "editor/plugin/PluginApi.h"
#include "platform/bytes/ByteIO.h"
#include "tools/contentgen/ContentGen.h"
#include "tools/contentgen/worlds/GameChunks.h"
#include "tools/contentgen/worlds/WorldBuilder.h"

namespace fs = std::filesystem;

namespace tools::worlds {
namespace {

std::vector<uint8_t> ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteAll(const fs::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

struct Chunk {
    uint32_t tag;
    std::vector<uint8_t> body;
};

// The chunks inside the outer one, each checked to lie inside the file (a damaged one ends the list
// with the tag 0).
std::vector<Chunk> Chunks(const std::vector<uint8_t>& world) {
    std::vector<Chunk> out;
    if (world.size() < 8 || plat::LoadU32(&world[0]) != qv::FourCC("QVED")) return out;
    size_t at = 8;
    while (at + 8 <= world.size()) {
        const uint32_t size = plat::LoadU32(&world[at + 4]);
        if (size > world.size() - at - 8) {
            out.push_back({0, {}});
            break;
        }
        out.push_back({plat::LoadU32(&world[at]), std::vector<uint8_t>(world.begin() + static_cast<long>(at) + 8,
                                                                        world.begin() + static_cast<long>(at + 8 + size))});
        at += 8 + size;
    }
    return out;
}


class DefaultWorld : public ::testing::TestWithParam<size_t> {
protected:
    void SetUp() override {
        recipe = &DefaultWorlds()[GetParam()];
        dir = fs::path(GRAVELON_BINARY_DIR) / "tests" / "default_worlds" / (recipe->fileName + "_" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        std::string error;
        bytes = BuildWorld(*recipe, &error, &editorBytes);
        ASSERT_FALSE(bytes.empty()) << error;
        path = dir / recipe->fileName;
        WriteAll(path, bytes);
    }
    void TearDown() override {
        if (!HasFailure() && !std::getenv("KEEP_WORLDS")) fs::remove_all(dir);
    }
    const WorldRecipe* recipe = nullptr;
    fs::path dir, path;
    std::vector<uint8_t> bytes;        // the world file
    std::vector<uint8_t> editorBytes;  // as the editor saved it, before the game's own chunks
};

std::string WorldName(const ::testing::TestParamInfo<size_t>& info) {
    std::string name = DefaultWorlds()[info.param].fileName;
    name = name.substr(0, name.find('.'));
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

TEST_P(DefaultWorld, EveryChunkComesFromItsPluginThenTheGamesOwnFollow) {
    auto tagsOf = [](const std::vector<uint8_t>& file) {
        std::vector<uint32_t> tags;
        for (const Chunk& c : Chunks(file)) tags.push_back(c.tag);
        return tags;
    };
    // The editor's own three, then one per plug-in in load order: track cameras (only with a course),
    // info, landscape, AI track (only with a course), objects, password, physics, light map, sky and
    // the sound map.
    auto tag = [](const char* t) { return plat::LoadU32(reinterpret_cast<const uint8_t*>(t)); };
    std::vector<uint32_t> expected;
    for (const char* t : {"QVED", "VWPR", "FOG "}) expected.push_back(tag(t));
    if (recipe->loop) expected.push_back(qv::FourCC("CAMR"));
    for (const char* t : {"TINF", "SLND"}) expected.push_back(tag(t));
    if (recipe->loop) expected.push_back(qv::FourCC("AITK"));
    for (const char* t : {"OBJT", "-*..", "PHYS", "LMAP", "SKY.", "SNDM"}) expected.push_back(tag(t));
    EXPECT_EQ(tagsOf(editorBytes), expected);
    // Then the game's: the pond's water and fence, the collision meshes and, with a course, the bonus.
    for (const char* t : {"WATR", "FENC", "COLL"}) expected.push_back(tag(t));
    if (recipe->loop) expected.push_back(qv::FourCC("DYNO"));
    EXPECT_EQ(tagsOf(bytes), expected);
    ASSERT_GT(bytes.size(), editorBytes.size());
    EXPECT_TRUE(std::equal(editorBytes.begin() + 8, editorBytes.end(), bytes.begin() + 8)) << "the editor's chunks stay as saved";
    EXPECT_EQ(plat::LoadU32(&bytes[4]), bytes.size() - 8);
}

TEST_P(DefaultWorld, ReopenedInQvEveryChunkIsKeptByteForByte) {
    // QV with all eleven plug-ins opens the world and saves it again under another name.
    fs::create_directories(dir / "plugins");
    for (const char* name : {"camera.qv", "info.qv", "landscape.qv", "morvik.qv", "object.qv", "password.qv", "physics.qv",
                             "shadow.qv", "sky.qv", "tessil.qv", "texture.qv"})
        fs::copy_file(fs::path(QV_PLUGIN_DIR) / name, dir / "plugins" / name);
    std::ofstream(dir / "script.txt") << "2 files again.wld\n3 command 40094\n5 command 40018\n";
    // QV is given the world as the editor saved it: it refuses the game's own chunks.
    const fs::path saved = dir / ("editor_" + recipe->fileName);
    WriteAll(saved, editorBytes);
    const test::LabRun qv = test::RunCommand("cd '" + dir.string() + "' && GRAVELON_HEADLESS=1 SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy "
                         "ALSOFT_DRIVERS=null GRAVELON_REGISTRY=registry GRAVELON_FRAME_MS=20 GRAVELON_QUIT_AFTER_FRAMES=60 "
                         "GRAVELON_INPUT=script.txt '" QV_PROGRAM "' --plugins plugins '" + saved.string() + "'");
    ASSERT_EQ(qv.exitCode, 0) << qv.out;
    const std::vector<uint8_t> again = ReadAll(dir / "again.wld");
    ASSERT_FALSE(again.empty()) << qv.out;
    const std::vector<Chunk> first = Chunks(editorBytes), second = Chunks(again);
    ASSERT_EQ(first.size(), second.size()) << qv.out;
    for (size_t i = 0; i < first.size(); ++i) {
        EXPECT_EQ(second[i].tag, first[i].tag);
        EXPECT_TRUE(second[i].body == first[i].body) << std::hex << first[i].tag << " changed on the way through QV";
    }
}

class GameWorld : public DefaultWorld {
protected:
    void SetUp() override {
        DefaultWorld::SetUp();
        if (HasFatalFailure()) return;
        const float box[6] = {-20000, -20000, -20000, 20000, 20000, 20000};
        kes::InitObjects(0, 1, 1, 1, box);
        kes::WorldListEntry entry;
        entry.name = path.string();
        ASSERT_EQ(kes::WorldLoadEntry(entry, &render, nullptr), 0);
    }
    void TearDown() override {
        kes::WorldUnload();
        DefaultWorld::TearDown();
    }
    kes::TableRender render;
};

TEST_P(GameWorld, StartPosesStandOnTheGroundFacingAlongTheCourse) {
    const kes::GroundQuery& ground = kes::WorldGround();
    if (!recipe->loop) {
        // The menu world: the machine measurement's racer starts over (10, 50).
        EXPECT_GT(ground.HeightAt(10, 50), 1.0f);
        EXPECT_LT(std::fabs(ground.HeightAt(10, 50) - ground.HeightAt(30, 70)), 5.0f);
        return;
    }
    ASSERT_GT(kes::GetAiGateCount(), 3);
    const kes::AiGate* start = kes::GetStartGate();
    ASSERT_NE(start, nullptr);
    const kes::AiGate* next = kes::GetAiGate((start->waypoint + 1) % (kes::GetAiWaypointMax() + 1), 0);
    ASSERT_NE(next, nullptr);
    float ax = next->reference.x - start->reference.x, ay = next->reference.y - start->reference.y;
    const float along = std::hypot(ax, ay);
    ax /= along, ay /= along;
    for (int i = 0; i < 8; ++i) {
        kes::Vec3 position{}, heading{};
        kes::GetStartPose(i, 8, &position, &heading);
        EXPECT_GT(heading.x * ax + heading.y * ay, 0.95f) << i;
        // Within the ridden surface: flat across, so every rider stands level on it.
        const float side = std::fabs((position.x - start->reference.x) * ay - (position.y - start->reference.y) * ax);
        EXPECT_LT(side, 36.0f) << i;
        const float h = ground.HeightAt(position.x, position.y);
        EXPECT_NEAR(h, ground.HeightAt(start->reference.x, start->reference.y), 3.0f) << i;
        EXPECT_TRUE(kes::IsOnTrack(position.x, position.y)) << i;
    }
}

TEST_P(GameWorld, TheGameTakesEveryChunk) {
    // Track cameras watching the whole course, one zone per stretch.
    if (recipe->loop) {
        ASSERT_EQ(kes::CameraZoneCount(), 8u);
        const kes::AiGate* start = kes::GetStartGate();
        ASSERT_NE(start, nullptr);
        for (int32_t w = 0; w <= kes::GetAiWaypointMax(); ++w) {
            const kes::AiGate* gate = kes::GetAiGate(w, 0);
            if (!gate) continue;
            kes::Vec3 eye{};
            EXPECT_GE(kes::CameraZoneContains(gate->reference, -1, &eye), 0) << "gate " << w << " is in no camera's zone";
        }
    } else {
        EXPECT_EQ(kes::CameraZoneCount(), 0u);
    }
    // The sound map's emitters and their waves, read as the game reads the chunk.
    {
        std::vector<uint8_t> sndm;
        for (const Chunk& c : Chunks(bytes))
            if (c.tag == qv::FourCC("SNDM")) sndm = c.body;
        ASSERT_GT(sndm.size(), 20u);
        const uint32_t listBytes = plat::LoadU32(&sndm[8]);
        ASSERT_LE(size_t{12} + listBytes + 4, sndm.size());
        const uint32_t waves = plat::LoadU32(&sndm[12]);
        const uint32_t emitters = plat::LoadU32(&sndm[12 + listBytes]);
        EXPECT_GE(waves, 2u);
        EXPECT_GE(emitters, 2u);
        EXPECT_EQ(sndm.size(), size_t{12} + listBytes + 4 + size_t{emitters} * kes::kSoundEmitterBytes);
        for (uint32_t e = 0; e < emitters; ++e) {
            const int32_t wave = static_cast<int32_t>(plat::LoadU32(&sndm[12 + listBytes + 4 + e * 60 + 20]));
            EXPECT_TRUE(wave >= 0 && wave < static_cast<int32_t>(waves)) << "emitter " << e;
        }
    }
    // The pond holds water and a fence stands round it, clear of the course.
    ASSERT_EQ(kes::WaterAreas().size(), 1u);
    const kes::WaterArea& pond = kes::WaterAreas()[0];
    const float px = (pond.minX + pond.maxX) / 2, py = (pond.minY + pond.maxY) / 2;
    float surface = 0;
    EXPECT_TRUE(kes::WaterQuery(px, py, &surface));
    EXPECT_GT(surface, kes::WorldGround().HeightAt(px, py) - 4.0f);
    // The nearest AI gate to a point.
    auto courseDistance = [](float x, float y) {
        float d = 1e9f;
        for (int32_t w = 0; w <= kes::GetAiWaypointMax(); ++w)
            if (const kes::AiGate* gate = kes::GetAiGate(w, 0)) d = std::min(d, std::hypot(gate->reference.x - x, gate->reference.y - y));
        return d;
    };
    EXPECT_GT(courseDistance(px, py), 200.0f);
    ASSERT_FALSE(kes::FenceGroups().empty());
    for (const kes::FenceGroup& g : kes::FenceGroups()) {
        EXPECT_GT(courseDistance(g.minX, g.minY), 120.0f);
        EXPECT_GT(courseDistance(g.maxX, g.maxY), 120.0f);
        EXPECT_LT(std::hypot((g.minX + g.maxX) / 2 - px, (g.minY + g.maxY) / 2 - py), 150.0f);
    }
    // The bonus pickup: a placed crate over the course that the dynamic objects make a pickup of
    // points, its collision sphere found by its mesh's name.
    const int32_t mesh = kes::FindCollisionMesh(kBonusMeshName);
    ASSERT_GE(mesh, 0);
    EXPECT_EQ(kes::GetCollisionSphereCount(mesh), 1);
    if (!recipe->loop) return;
    ASSERT_EQ(kes::DynamicRecords().size(), 1u);
    const kes::DynamicRecord& bonus = *kes::DynamicRecords()[0];
    EXPECT_EQ(bonus.behaviour, kes::kBonus);
    EXPECT_EQ(bonus.mode, 1);
    EXPECT_EQ(bonus.amount, kBonusPoints);
    kes::PlacedObjectRecord crate{};
    ASSERT_TRUE(kes::PlacedObjectCopy(bonus.objectId, &crate, nullptr) ||
                std::any_of(kes::DynamicObjects().begin(), kes::DynamicObjects().end(),
                            [&](const auto& d) { return d->instance.id == bonus.objectId && (crate = d->instance, true); }));
    EXPECT_LT(courseDistance(crate.position.x, crate.position.y), 70.0f) << "over the course";
    const kes::Mesh* crateMesh = kes::ObjectTypeMesh(crate.type);
    ASSERT_NE(crateMesh, nullptr);
    EXPECT_STREQ(crateMesh->name, kBonusMeshName);
}

TEST_P(DefaultWorld, EightComputerRidersFinishThreeLapsWithoutResetLoops) {
    if (!recipe->loop) GTEST_SKIP() << "the menu world has no course";
    const test::LabRun race = test::RunCommand("GRAVELON_FRAME_MS=10 '" GRAVELON_BINARY_DIR "/bin/racelab' '" + path.string() + "' --computers 8 --laps 3");
    ASSERT_EQ(race.exitCode, 0) << race.out;
    std::regex line("racer ([0-7]) computer laps=[3-9] crashes=([0-9]+) finish=([0-9]+) laptimes=([0-9]+),([0-9]+),([0-9]+)");
    int finished = 0;
    for (auto it = std::sregex_iterator(race.out.begin(), race.out.end(), line); it != std::sregex_iterator(); ++it) {
        ++finished;
        // A rider stuck in a reset loop crashes again at once, dozens of times a race; a few falls in
        // the start crowd and on the jumps are racing.
        EXPECT_LT(std::stoi((*it)[2]), 12) << race.out;
        for (int lap = 4; lap <= 6; ++lap) {
            EXPECT_GT(std::stoi((*it)[lap]), 20000) << race.out;   // a real lap, not a short cut
            EXPECT_LT(std::stoi((*it)[lap]), 150000) << race.out;
        }
    }
    EXPECT_EQ(finished, 8) << race.out;
    EXPECT_NE(race.out.find("finite=1 finished=1"), std::string::npos) << race.out;
}

TEST_P(DefaultWorld, TheStartLineIsSeenFromTheChaseCamera) {
    if (!recipe->loop) GTEST_SKIP() << "the menu world has no course";
    const fs::path shot = fs::path(GRAVELON_BINARY_DIR) / "tests" / ("start_line_" + WorldName({GetParam(), 0}) + ".ppm");
    fs::remove(shot);
    const test::LabRun race = test::RunCommand("SDL_VIDEODRIVER=offscreen GRAVELON_HEADLESS=1 GRAVELON_FRAME_MS=10 '" GRAVELON_BINARY_DIR "/bin/racelab' '" +
                           path.string() + "' --computers 8 --laps 1 --max-seconds 0.5 --render real --shot '" + shot.string() + "'");
    ASSERT_TRUE(race.exitCode == 0 || race.exitCode == 3) << race.out;
    const std::vector<uint8_t> ppm = ReadAll(shot);
    ASSERT_GT(ppm.size(), 320u * 240u * 3u) << race.out;
    const size_t pixels = ppm.size() - 320u * 240u * 3u;
    // The top quarter is sky (more blue than red by day, lit at dusk), the bottom quarter ground:
    // the two regions differ, and neither is one flat colour.
    auto mean = [&](int y0, int y1, int channel) {
        double sum = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = 0; x < 320; ++x) sum += ppm[pixels + (static_cast<size_t>(y) * 320 + static_cast<size_t>(x)) * 3 + static_cast<size_t>(channel)];
        return sum / ((y1 - y0) * 320);
    };
    // Neither region is one flat colour (a picture that failed to draw, or a plain clear colour).
    auto spread = [&](int y0, int y1) {
        double sum = 0, sq = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = 0; x < 320; ++x)
                for (int ch = 0; ch < 3; ++ch) {
                    const double v = ppm[pixels + (static_cast<size_t>(y) * 320 + static_cast<size_t>(x)) * 3 + static_cast<size_t>(ch)];
                    sum += v, sq += v * v;
                }
        const double n = (y1 - y0) * 320.0 * 3;
        return std::sqrt(std::max(0.0, sq / n - (sum / n) * (sum / n)));
    };
    EXPECT_GT(spread(0, 60), 2.0) << shot;
    EXPECT_GT(spread(180, 240), 4.0) << shot;
    const double skyBlue = mean(0, 40, 2), groundBlue = mean(200, 240, 2);
    const double skyRed = mean(0, 40, 0), groundRed = mean(200, 240, 0);
    EXPECT_GT(std::fabs(skyBlue - groundBlue) + std::fabs(skyRed - groundRed), 30.0) << shot;
    EXPECT_GT(skyBlue + skyRed, 60.0) << shot;
}

INSTANTIATE_TEST_SUITE_P(Every, DefaultWorld, ::testing::Range<size_t>(0, DefaultWorlds().size()), WorldName);
INSTANTIATE_TEST_SUITE_P(Every, GameWorld, ::testing::Range<size_t>(0, DefaultWorlds().size()), WorldName);

TEST(DefaultWorlds, TheTrackPackListsTwoWorldsOfEachKindWithTheirNamesAndTheMenuWorld) {
    const PackRecipe* tracks = nullptr;
    for (const PackRecipe& r : ContentPacks())
        if (std::string(r.fileName) == "Tracks.dat") tracks = &r;
    ASSERT_NE(tracks, nullptr);
    std::vector<uint8_t> pack;
    std::string error;
    ASSERT_TRUE(BuildContentPack(*tracks, &pack, &error)) << error;
    const fs::path file = fs::path(GRAVELON_BINARY_DIR) / "tests" / ("default_tracks_" + std::to_string(::getpid()) + ".dat");
    fs::create_directories(file.parent_path());
    WriteAll(file, pack);
    ASSERT_EQ(kes::BuildWorldList(file.string(), "", nullptr), 0);
    int perKind[3] = {0, 0, 0};
    bool menu = false;
    for (const WorldRecipe& recipe : DefaultWorlds()) {
        if (recipe.fileName == kes::kSelectWorldName) continue;
        const kes::WorldRecord* w = kes::WorldIndexOf(recipe.id);
        ASSERT_NE(w, nullptr) << recipe.fileName;
        EXPECT_EQ(w->kind, recipe.kind) << recipe.fileName;
        EXPECT_EQ(w->fileName, recipe.fileName);
        EXPECT_EQ(w->name, recipe.name.substr(0, recipe.name.find('@')));
        ASSERT_GE(w->description.size(), 4u) << recipe.fileName;
        EXPECT_EQ(w->description[0], recipe.description[0]);
        ++perKind[recipe.kind];
    }
    for (uint32_t i = 0; i < kes::WorldCount(); ++i) menu = menu || kes::WorldAt(i)->kind == kes::kSelectWorldKind;
    EXPECT_TRUE(menu);
    for (int k = 0; k < 3; ++k) EXPECT_GE(perKind[k], 2) << "kind " << k;
    kes::FreeWorldList(nullptr);
    fs::remove(file);
}

// ---- the shapes the builder works from

TEST(CourseLine, SamplesEvenlyRoundTheLoop) {
    std::vector<Point2> circle;
    for (int i = 0; i < 32; ++i) circle.push_back({500 * std::cos(i * 0.19634954f), 500 * std::sin(i * 0.19634954f)});
    const CourseLine line(circle);
    EXPECT_NEAR(line.Length(), 2 * 3.14159265f * 500, 10.0f);
    const auto& s = line.Samples();
    for (size_t k = 0; k < s.size(); ++k) {
        const CourseSample& a = s[k];
        const CourseSample& b = s[(k + 1) % s.size()];
        EXPECT_NEAR(std::hypot(b.x - a.x, b.y - a.y), line.Length() / static_cast<float>(s.size()), 0.5f) << k;
        EXPECT_NEAR(std::hypot(a.hx, a.hy), 1.0f, 1e-4f);
        EXPECT_GT(a.hx * -a.y + a.hy * a.x, 0.0f) << "counter-clockwise, as the points go";
    }
}

TEST(GateCount, FollowsTheCourseLengthWithinTheGamesLimits) {
    const struct {
        float length;
        uint32_t gates;
    } cases[] = {{100, 24}, {1440, 24}, {3000, 50}, {5760, 96}, {20000, 96}};
    for (const auto& c : cases) EXPECT_EQ(GateCountFor(c.length), c.gates) << c.length;
}

TEST(ShapeGround, TheCourseIsFlatAcrossAndTheLandBeyondKeepsItsShape) {
    const CourseLine line({{0, 0}, {1000, 0}, {1000, 1000}, {0, 1000}});
    GroundRecipe recipe;
    recipe.ground = [](float x, float y, float) { return 50 + 0.05f * x + 0.03f * y; };
    const ShapedGround g = ShapeGround(&line, recipe);
    for (const CourseSample& s : line.Samples()) {
        if (static_cast<int>(s.s) % 250 != 0) continue;
        auto height = [&](float x, float y) {
            const long c = std::lround((x - kGroundMin) / kKnotStep), r = std::lround((y - kGroundMin) / kKnotStep);
            return g.heights[static_cast<size_t>(r) * kKnots + static_cast<size_t>(c)];
        };
        const float across = std::fabs(height(s.x - s.hy * 30, s.y + s.hx * 30) - height(s.x + s.hy * 30, s.y - s.hx * 30));
        EXPECT_LT(across, 0.5f) << s.s;
    }
    // Far from the course the land is its own.
    const size_t far = static_cast<size_t>(std::lround((2500 - kGroundMin) / kKnotStep)) * kKnots +
                       static_cast<size_t>(std::lround((-1500 - kGroundMin) / kKnotStep));
    EXPECT_NEAR(g.heights[far], recipe.ground(KnotX(static_cast<uint32_t>(far % kKnots)), KnotX(static_cast<uint32_t>(far / kKnots)), 0), 1e-3f);
}

TEST(GroundTexture, TilesWithoutASeam) {
    for (GroundLook look : {GroundLook::Grass, GroundLook::Dirt, GroundLook::Sand, GroundLook::Rock, GroundLook::Chalk}) {
        const qv::Dib t = GroundTexture(look, 5);
        ASSERT_EQ(t.pixels.size(), 256u * 256u * 3u);
        // Across the wrap the step is no bigger than between neighbours inside the picture.
        int wrapStep = 0, innerStep = 0;
        for (int y = 0; y < 256; ++y) {
            wrapStep = std::max(wrapStep, std::abs(t.pixels[(static_cast<size_t>(y) * 256 + 255) * 3 + 1] - t.pixels[static_cast<size_t>(y) * 256 * 3 + 1]));
            innerStep = std::max(innerStep, std::abs(t.pixels[(static_cast<size_t>(y) * 256 + 128) * 3 + 1] - t.pixels[(static_cast<size_t>(y) * 256 + 127) * 3 + 1]));
        }
        EXPECT_LE(wrapStep, innerStep + 4) << static_cast<int>(look);
    }
}

}  // namespace
}  // namespace tools::worlds
