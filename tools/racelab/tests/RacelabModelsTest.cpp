// racelab with the bike and rider models from a generated Kestrun.dat: the chase camera shows the
// followed racer's bike with its rider on it, a scripted give-up draws the crashed rider's mesh bent
// over the rider body, and loading the models does not change the race. The pictures stay under the
// build folder (tests/racelab_models_*.png) for a person to look at.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include "tools/contentgen/AssetFamilies.h"
#include "tools/contentgen/ContentGen.h"
#include "tools/packtool/PackWriter.h"
#include "tools/racelab/RaceRun.h"
#include "tools/racelab/RaceWorld.h"
#include "tools/racelab/tests/RacelabRun.h"

namespace tools {
namespace {

using test::FinalHash;
using test::LabRun;
using test::Racelab;

std::string Own(const std::string& name) { return test::OwnPath("racelab_models_", name); }

struct Picture {
    int w = 0, h = 0;
    std::vector<uint8_t> rgb;
    const uint8_t* At(int x, int y) const { return &rgb[(static_cast<size_t>(y) * w + x) * 3]; }
};

// Reads racelab's PPM shot and keeps a PNG copy under the build folder.
Picture ReadShot(const std::string& ppm, const std::string& pngName) {
    Picture pic;
    std::ifstream in(ppm, std::ios::binary);
    std::string magic;
    int depth = 0;
    in >> magic >> pic.w >> pic.h >> depth;
    in.get();
    if (magic != "P6" || pic.w <= 0 || pic.h <= 0 || pic.w > 4096 || pic.h > 4096) return Picture();
    pic.rgb.resize(static_cast<size_t>(pic.w) * pic.h * 3);
    in.read(reinterpret_cast<char*>(pic.rgb.data()), static_cast<std::streamsize>(pic.rgb.size()));
    if (!in) return Picture();
    const std::string png = std::string(GRAVELON_BINARY_DIR) + "/tests/" + pngName;
    stbi_write_png(png.c_str(), pic.w, pic.h, 3, pic.rgb.data(), pic.w * 3);
    return pic;
}

// The generated rider's suit is brown (red over green over blue); the bikes' tyres and frames are
// near black. The ground is green and the sky stays above the boxes looked at.
bool RiderBrown(const uint8_t* p) { return p[0] > p[1] + 15 && p[1] >= p[2]; }
bool BikeDark(const uint8_t* p) { return p[0] < 60 && p[1] < 60 && p[2] < 60; }

// Pixels of a kind in the box given in fractions of the picture.
int Count(const Picture& pic, float x0, float x1, float y0, float y1, bool (*kind)(const uint8_t*)) {
    int n = 0;
    for (int y = static_cast<int>(pic.h * y0); y < static_cast<int>(pic.h * y1); ++y)
        for (int x = static_cast<int>(pic.w * x0); x < static_cast<int>(pic.w * x1); ++x) n += kind(pic.At(x, y)) ? 1 : 0;
    return n;
}

class RacelabModelsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        world_ = Own("world") + ".wld";
        ASSERT_TRUE(SaveRaceWorld(world_));
        data_ = Own("data");
        std::filesystem::create_directories(data_);
        const PackRecipe recipe{"models", {{"bikes", AddBikes}, {"rider", AddRider}, {"front end", AddFrontEnd}}};
        std::vector<uint8_t> bytes;
        std::string error;
        ASSERT_TRUE(BuildContentPack(recipe, &bytes, &error)) << error;
        ASSERT_TRUE(WriteFileAtomically(data_ + "/Kestrun.dat", bytes, &error)) << error;
    }
    static void TearDownTestSuite() {
        std::remove(world_.c_str());
        std::error_code ec;
        std::filesystem::remove_all(data_, ec);
    }
    static inline std::string world_, data_;
};

// The chase camera behind the first racer on the start straight puts it in the middle of the frame:
// the rider above, the bike's dark wheels and frame below. Without models neither is there.
TEST_F(RacelabModelsTest, ChaseViewShowsTheFollowedBikeWithItsRider) {
    const std::string shot = Own("chase") + ".ppm";
    const std::string bare = Own("chase_bare") + ".ppm";
    const std::string args = world_ + " --computers 2 --laps 1 --max-seconds 3 --render real --shot ";
    const LabRun a = Racelab(args + shot + " --data " + data_);
    const LabRun b = Racelab(args + bare);
    ASSERT_EQ(a.exitCode, 3) << a.out;
    ASSERT_EQ(b.exitCode, 3) << b.out;
    const Picture withModels = ReadShot(shot, "racelab_models_chase.png");
    const Picture without = ReadShot(bare, "racelab_models_chase_bare.png");
    std::remove(shot.c_str());
    std::remove(bare.c_str());
    ASSERT_FALSE(withModels.rgb.empty());
    ASSERT_FALSE(without.rgb.empty());
    const int rider = Count(withModels, 0.40f, 0.62f, 0.35f, 0.50f, RiderBrown);
    const int bike = Count(withModels, 0.40f, 0.62f, 0.45f, 0.60f, BikeDark);
    EXPECT_GT(rider, 60) << "rider pixels";
    EXPECT_GT(bike, 80) << "bike pixels";
    EXPECT_EQ(Count(without, 0.40f, 0.62f, 0.35f, 0.50f, RiderBrown), 0);
    EXPECT_EQ(Count(without, 0.40f, 0.62f, 0.45f, 0.60f, BikeDark), 0);
    // The same race underneath: the models change only what is drawn, and a headless race with them
    // runs as the drawn one.
    const LabRun headless = Racelab(world_ + " --computers 2 --laps 1 --max-seconds 3 --data " + data_);
    EXPECT_EQ(FinalHash(a.out), FinalHash(b.out));
    EXPECT_EQ(FinalHash(a.out), FinalHash(headless.out));
    EXPECT_NE(FinalHash(a.out), "");
}

// A local rider gives up at 1.5 s: the crash switch seeds the rider body from the rider's pose and the
// camera keeps the fallen rider in the middle, drawn as the rider mesh bent over the body's particles.
TEST_F(RacelabModelsTest, ScriptedCrashDrawsTheRiderMeshOnTheRiderBody) {
    const std::string script = Own("crash") + ".txt";
    {
        std::ofstream s(script);
        s << "# throttle, then give up for two frames\n1 key 30 down\n150 key 34 down\n152 key 34 up\n";
    }
    const std::string shot = Own("crash") + ".ppm";
    const std::string args = world_ + " --computers 1 --local --max-seconds 2.5 --render real --input " + script;
    const LabRun a = Racelab(args + " --shot " + shot + " --data " + data_);
    const LabRun again = Racelab(args + " --data " + data_);
    std::remove(script.c_str());
    ASSERT_EQ(a.exitCode, 3) << a.out;
    EXPECT_NE(a.out.find("racer 0 local laps=0 crashes=1"), std::string::npos) << a.out;
    EXPECT_EQ(FinalHash(a.out), FinalHash(again.out));
    const Picture pic = ReadShot(shot, "racelab_models_crash.png");
    std::remove(shot.c_str());
    ASSERT_FALSE(pic.rgb.empty());
    EXPECT_GT(Count(pic, 0.40f, 0.60f, 0.42f, 0.62f, RiderBrown), 30) << "crashed rider pixels";
}

TEST_F(RacelabModelsTest, DataFolderWithoutThePackIsRefused) {
    const LabRun a = Racelab(world_ + " --computers 1 --max-seconds 1 --render real --data " + Own("nowhere"));
    EXPECT_EQ(a.exitCode, 1) << a.out;
    EXPECT_NE(a.out.find("no bike and rider models"), std::string::npos) << a.out;
}

}  // namespace
}  // namespace tools
