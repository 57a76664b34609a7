// The shipped demos: made again from the default track pack they give the same bytes as the build's
// default content, and each one loads on its world and plays through to its end.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/contentgen/demos/ShippedDemos.h"
#include "tools/racelab/RaceRun.h"

namespace tools {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> FileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

const fs::path kContent = fs::path(GRAVELON_BINARY_DIR) / "content";

TEST(ShippedDemos, EveryGenerationGivesTheSameBytes) {
    const fs::path folder = fs::path(::testing::TempDir()) / ("demos_" + std::to_string(getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    fs::copy_file(kContent / "Tracks.dat", folder / "Tracks.dat");
    std::ostringstream log;
    std::string error;
    ASSERT_TRUE(MakeShippedDemos(folder.string(), log, &error)) << error;
    EXPECT_TRUE(ShippedDemosPresent(folder.string()));
    for (uint32_t slot = 1; slot <= kShippedDemoCount; ++slot) {
        const std::vector<uint8_t> made = FileBytes(ShippedDemoPath(folder.string(), slot));
        EXPECT_GT(made.size(), 24u + 279u) << slot;
        EXPECT_EQ(made, FileBytes(ShippedDemoPath(kContent.string(), slot))) << "demo " << slot;
    }
    // Nothing but the six demos is left in the replay folder.
    size_t files = 0;
    for (const auto& entry : fs::directory_iterator(folder / "Replay")) files += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, kShippedDemoCount);
    fs::remove_all(folder);
}

TEST(ShippedDemos, EachPlaysThroughOnItsWorld) {
    std::vector<DemoWorld> worlds;
    std::string error;
    const std::string pack = (kContent / "Tracks.dat").string();
    ASSERT_TRUE(ShippedDemoWorlds(pack, &worlds, &error)) << error;
    ASSERT_EQ(worlds.size(), kShippedDemoCount);
    for (uint32_t slot = 1; slot <= kShippedDemoCount; ++slot) {
        SCOPED_TRACE("demo " + std::to_string(slot) + " on " + worlds[slot - 1].name);
        const std::string demo = ShippedDemoPath(kContent.string(), slot);
        const std::vector<uint8_t> bytes = FileBytes(demo);
        uint32_t keyFrames = 0;
        for (size_t at = 24; at < bytes.size(); at += bytes[at] == 1 ? 279 : 12) keyFrames += bytes[at] == 1 ? 1 : 0;
        RaceRunOptions options;
        options.worldPath = worlds[slot - 1].name;
        options.worldPack = pack;
        options.worldOffset = worlds[slot - 1].offset;
        options.worldSize = worlds[slot - 1].size;
        options.computers = 0;
        options.camera = false;
        options.maxSeconds = 60;
        options.playDemo = demo;
        const RaceOutcome outcome = RunRace(options);
        ASSERT_TRUE(outcome.loaded) << outcome.demoError;
        EXPECT_TRUE(outcome.demoDone) << outcome.demoError;
        EXPECT_EQ(outcome.demoKeyFrames, keyFrames);
        EXPECT_GT(keyFrames, 100u) << "about half a minute of riding";
        EXPECT_TRUE(outcome.finite);
    }
}

}  // namespace
}  // namespace tools
