// The modelling pipeline end to end with the real programs: a block written by the test as .obj and as
// .gltf, exported by quelm, added to a default world as object types in a scripted QV session with
// collision on and one placed across the course ahead of the start, saved, loaded by the game and
// raced in racelab, where a bike ridden straight at the block is stopped by it.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tools/racelab/tests/RacelabRun.h"
#include "editor/plugin/PluginApi.h"
#include "game/core/objects/Objects.h"
#include "game/world/aitrack/AiTrack.h"
#include "game/world/chunk/TableRender.h"
#include "game/world/file/WorldFile.h"
#include "game/world/objects/PlacedObjects.h"
#include "platform/bytes/ByteIO.h"
#include "tools/contentgen/worlds/WorldBuilder.h"

namespace fs = std::filesystem;

namespace tools::worlds {
namespace {


// A block 80 wide, 80 deep and 60 high standing on the ground: wider than the course, so no rider gets
// round it. Written as both formats have it, y up: height along y, depth along -z (a turn of the
// game's z-up frame, so the faces keep their winding).
constexpr float kHalf = 40, kHigh = 60;
// How far ahead of the rider's start the block's middle stands.
constexpr float kAhead = 100;
const float kCorners[8][3] = {{-kHalf, 0, kHalf},      {kHalf, 0, kHalf},      {kHalf, 0, -kHalf},      {-kHalf, 0, -kHalf},
                              {-kHalf, kHigh, kHalf}, {kHalf, kHigh, kHalf}, {kHalf, kHigh, -kHalf}, {-kHalf, kHigh, -kHalf}};
const uint16_t kFaces[12][3] = {{0, 2, 1}, {0, 3, 2}, {4, 5, 6}, {4, 6, 7}, {0, 1, 5}, {0, 5, 4},
                                {1, 2, 6}, {1, 6, 5}, {2, 3, 7}, {2, 7, 6}, {3, 0, 4}, {3, 4, 7}};

std::string BlockObj() {
    std::ostringstream o;
    o << "mtllib block.mtl\no Block\nusemtl paint\n";
    for (const auto& c : kCorners) o << "v " << c[0] << ' ' << c[1] << ' ' << c[2] << '\n';
    for (const auto& f : kFaces) o << "f " << f[0] + 1 << ' ' << f[1] + 1 << ' ' << f[2] + 1 << '\n';
    return o.str();
}

std::string Base64(const std::vector<uint8_t>& bytes) {
    static const char* kDigits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const uint32_t v = (uint32_t{bytes[i]} << 16) | (i + 1 < bytes.size() ? uint32_t{bytes[i + 1]} << 8 : 0) |
                           (i + 2 < bytes.size() ? bytes[i + 2] : 0);
        out += kDigits[v >> 18 & 63];
        out += kDigits[v >> 12 & 63];
        out += i + 1 < bytes.size() ? kDigits[v >> 6 & 63] : '=';
        out += i + 2 < bytes.size() ? kDigits[v & 63] : '=';
    }
    return out;
}

std::string BlockGltf() {
    std::vector<uint8_t> data(8 * 12 + 36 * 2);
    uint8_t* p = data.data();
    for (const auto& c : kCorners)
        for (float f : c) plat::StoreF32(p, f), p += 4;
    for (const auto& f : kFaces)
        for (uint16_t i : f) plat::StoreU16(p, i), p += 2;
    return R"({"asset": {"version": "2.0"}, "scene": 0, "scenes": [{"nodes": [0]}],
 "nodes": [{"name": "Block", "mesh": 0}],
 "meshes": [{"primitives": [{"attributes": {"POSITION": 0}, "indices": 1, "material": 0}]}],
 "materials": [{"name": "Paint", "pbrMetallicRoughness": {"baseColorFactor": [0.95, 0.55, 0.1, 1]}}],
 "buffers": [{"byteLength": 168, "uri": "data:application/octet-stream;base64,)" + Base64(data) + R"("}],
 "bufferViews": [{"buffer": 0, "byteOffset": 0, "byteLength": 96}, {"buffer": 0, "byteOffset": 96, "byteLength": 72}],
 "accessors": [
  {"bufferView": 0, "componentType": 5126, "count": 8, "type": "VEC3", "min": [-40, 0, -40], "max": [40, 60, 40]},
  {"bufferView": 1, "componentType": 5123, "count": 36, "type": "SCALAR"}]})";
}

TEST(Pipeline, AModelExportedByQuelmIsPlacedInQvAndTheWorldLoadsAndRaces) {
    const fs::path dir = fs::path(GRAVELON_BINARY_DIR) / "tests" / ("pipeline_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "plugins");
    std::ofstream(dir / "block.obj") << BlockObj();
    std::ofstream(dir / "block.mtl") << "newmtl paint\nKd 0.95 0.55 0.1\n";
    std::ofstream(dir / "block.gltf") << BlockGltf();
    for (const char* model : {"block.obj", "block.gltf"}) {
        const std::string out = std::string(model).substr(0, std::string(model).find('.')) + (model[6] == 'o' ? "_obj" : "_gltf") + ".jm5";
        const test::LabRun quelm = test::RunCommand("'" GRAVELON_BINARY_DIR "/bin/quelm' --quiet '" + (dir / model).string() + "' '" + (dir / out).string() + "'");
        ASSERT_EQ(quelm.exitCode, 0) << model << ": " << quelm.out;
        ASSERT_GT(fs::file_size(dir / out), 100u) << model;
    }

    // The world: the first lap-race world as the editor saved it (the editor refuses the game's own
    // chunks); the block goes across the course 100 units straight ahead of a lone rider's start place,
    // found through the game's own reading of the world.
    const WorldRecipe* recipe = nullptr;
    for (const WorldRecipe& r : DefaultWorlds())
        if (r.loop && r.kind == kKindSuperCross && !recipe) recipe = &r;
    ASSERT_NE(recipe, nullptr);
    std::string error;
    std::vector<uint8_t> world;
    ASSERT_FALSE(BuildWorld(*recipe, &error, &world).empty()) << error;
    std::ofstream(dir / "plain.wld", std::ios::binary).write(reinterpret_cast<const char*>(world.data()), static_cast<std::streamsize>(world.size()));
    const float box[6] = {-20000, -20000, -20000, 20000, 20000, 20000};
    kes::InitObjects(0, 1, 1, 1, box);
    kes::TableRender render;
    kes::WorldListEntry entry;
    entry.name = (dir / "plain.wld").string();
    ASSERT_EQ(kes::WorldLoadEntry(entry, &render, nullptr), 0);
    kes::Vec3 startAt{}, heading{};
    kes::GetStartPose(0, 1, &startAt, &heading);
    const float x = startAt.x + heading.x * kAhead, y = startAt.y + heading.y * kAhead;
    kes::WorldUnload();

    // QV with all the plug-ins (the object plug-in's button is the fifth, 8004): both exported meshes
    // added as types ("Add Obj"), an instance of the last one added, typed into place, collision on.
    for (const char* name : {"camera.qv", "info.qv", "landscape.qv", "morvik.qv", "object.qv", "password.qv", "physics.qv",
                             "shadow.qv", "sky.qv", "tessil.qv", "texture.qv"})
        fs::copy_file(fs::path(QV_PLUGIN_DIR) / name, dir / "plugins" / name);
    std::ostringstream script;
    script << "2 command 8004\n3 files block_obj.jm5\n3 click 1000\n4 files block_gltf.jm5\n4 click 1000\n"
              "5 click 1004\n6 focus 1005\n6 type " << x << "\n7 focus 1006\n7 type " << y << "\n8 click 1023\n"
              "10 files blocked.wld\n11 command 40094\n13 command 40018\n";
    std::ofstream(dir / "script.txt") << script.str();
    const test::LabRun qv = test::RunCommand("cd '" + dir.string() + "' && GRAVELON_HEADLESS=1 SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy "
                                "ALSOFT_DRIVERS=null GRAVELON_REGISTRY=registry GRAVELON_FRAME_MS=20 GRAVELON_QUIT_AFTER_FRAMES=60 "
                                "GRAVELON_INPUT=script.txt '" QV_PROGRAM "' --plugins plugins plain.wld");
    ASSERT_EQ(qv.exitCode, 0) << qv.out;
    ASSERT_TRUE(fs::exists(dir / "blocked.wld")) << qv.out;
    entry.name = (dir / "blocked.wld").string();
    ASSERT_EQ(kes::WorldLoadEntry(entry, &render, nullptr), 0);
    // Where the block stands in the game: its faces are kept, 80 x 80 across the ground and 60 high.
    bool found = false;
    for (const kes::PlacedObject& o : kes::PlacedObjects()) {
        if (std::hypot(o.stored.position.x - x, o.stored.position.y - y) > 1 || o.worldVertices.empty()) continue;
        found = true;
        float lo[3] = {1e9f, 1e9f, 1e9f}, hi[3] = {-1e9f, -1e9f, -1e9f};
        for (const kes::Vec3& v : o.worldVertices) {
            const float c[3] = {v.x, v.y, v.z};
            for (int k = 0; k < 3; ++k) lo[k] = std::min(lo[k], c[k]), hi[k] = std::max(hi[k], c[k]);
        }
        EXPECT_NEAR(hi[0] - lo[0], 2 * kHalf, 0.5f);
        EXPECT_NEAR(hi[1] - lo[1], 2 * kHalf, 0.5f);
        EXPECT_NEAR(hi[2] - lo[2], kHigh, 0.5f);
    }
    EXPECT_TRUE(found) << "the block has no collision faces in the game";
    kes::WorldUnload();

    // The saved world holds the placed block: one more instance, of the last type added, where it
    // was typed, with the collision flag.
    auto lastInstance = [](const std::vector<uint8_t>& file, uint32_t* count) {
        std::vector<uint8_t> objt;
        for (size_t at = 8; at + 8 <= file.size();) {
            const uint32_t size = plat::LoadU32(&file[at + 4]);
            if (size > file.size() - at - 8) break;
            if (plat::LoadU32(&file[at]) == qv::FourCC("OBJT")) objt.assign(file.begin() + static_cast<long>(at + 8), file.begin() + static_cast<long>(at + 8 + size));
            at += 8 + size;
        }
        std::vector<uint8_t> last;
        if (objt.size() < 8) return last;
        size_t at = 8 + plat::LoadU32(&objt[4]);
        if (at + 8 > objt.size()) return last;
        at += 8 + plat::LoadU32(&objt[at + 4]) + 4;
        if (at + 4 > objt.size()) return last;
        *count = plat::LoadU32(&objt[at]);
        const size_t record = at + 4 + size_t{*count - 1} * 60 + 4;
        if (*count == 0 || record + 56 > objt.size()) return last;
        last.assign(objt.begin() + static_cast<long>(record), objt.begin() + static_cast<long>(record + 56));
        return last;
    };
    uint32_t before = 0, after = 0;
    lastInstance(world, &before);
    std::ifstream savedFile(dir / "blocked.wld", std::ios::binary);
    const std::vector<uint8_t> saved((std::istreambuf_iterator<char>(savedFile)), std::istreambuf_iterator<char>());
    const std::vector<uint8_t> block = lastInstance(saved, &after);
    ASSERT_EQ(block.size(), 56u);
    EXPECT_EQ(after, before + 1);
    EXPECT_NEAR(plat::LoadF32(&block[0]), x, 0.01f);
    EXPECT_NEAR(plat::LoadF32(&block[4]), y, 0.01f);
    EXPECT_EQ(plat::LoadU32(&block[48]) & 1u, 1u);  // collision

    // A lone rider holds the throttle, steering nothing, for four seconds (before a fallen rider is put
    // back on the course). On the world without the block it rides well past where the block stands;
    // with the block it ends in front of it, stopped: the game collides bikes with the faces of an
    // object whose collision flag is set.
    std::ofstream(dir / "throttle.txt") << "1 key 30 down\n";
    auto ride = [&](const char* worldFile, float* along, float* speed) {
        const test::LabRun race = test::RunCommand("GRAVELON_FRAME_MS=10 '" GRAVELON_BINARY_DIR "/bin/racelab' '" + (dir / worldFile).string() +
                                                   "' --computers 0 --local --laps 1 --max-seconds 4 --input '" + (dir / "throttle.txt").string() + "'");
        std::smatch m;
        const std::regex ends("racer 0 ends at=([-0-9.]+),([-0-9.]+),([-0-9.]+) speed=([0-9.]+)");
        if (!std::regex_search(race.out, m, ends)) {
            ADD_FAILURE() << race.out;
            return std::string();
        }
        *along = (std::stof(m[1]) - startAt.x) * heading.x + (std::stof(m[2]) - startAt.y) * heading.y;
        *speed = std::stof(m[4]);
        return race.out;
    };
    float freeAlong = 0, freeSpeed = 0, blockedAlong = 0, blockedSpeed = 0;
    const std::string free = ride("plain.wld", &freeAlong, &freeSpeed);
    const std::string blocked = ride("blocked.wld", &blockedAlong, &blockedSpeed);
    EXPECT_GT(freeAlong, kAhead + kHalf + 20) << free;
    EXPECT_GT(freeSpeed, 30.0f) << free;
    EXPECT_LT(blockedSpeed, 1.0f) << blocked;
    EXPECT_LT(blockedAlong, kAhead - kHalf + 2) << blocked;
    EXPECT_GT(blockedAlong, kAhead - kHalf - 20) << "the rider reached the block" << blocked;
    EXPECT_NE(blocked.find("finite=1"), std::string::npos) << blocked;
    if (!::testing::Test::HasFailure()) fs::remove_all(dir);
}

}  // namespace
}  // namespace tools::worlds
