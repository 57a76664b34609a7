// The QV program itself, started headless: it loads the plug-ins beside it (here: of a test folder),
// quits in order after the frames asked for, and shows its window with four viewports drawing a world.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/bytes/ByteIO.h"

namespace {

namespace fs = std::filesystem;

struct ProgramRun {
    int status = -1;
    std::string output;
};

ProgramRun RunQv(const std::string& args, const std::string& env) {
    const std::string command = env + " " + QV_PROGRAM + " " + args + " 2>&1";
    ProgramRun r;
    FILE* p = popen(command.c_str(), "r");
    if (!p) return r;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, p)) > 0) r.output.append(buffer, n);
    const int status = pclose(p);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

class QvProgram : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("qvprog_" + std::to_string(::getpid()) + "_" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir / "plugins");
        env = "GRAVELON_HEADLESS=1 SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy ALSOFT_DRIVERS=null "
              "GRAVELON_REGISTRY=" + (dir / "registry").string() + " GRAVELON_QUIT_AFTER_FRAMES=4";
    }
    void TearDown() override { fs::remove_all(dir); }
    fs::path dir;
    std::string env;
};

TEST_F(QvProgram, StartsHeadlessLoadsThePluginsAndQuitsCleanly) {
    for (const char* name : {"a_land.qv", "b_objt.qv"})
        fs::copy_file(fs::path(QV_TEST_PLUGIN_DIR) / name, dir / "plugins" / name);
    const ProgramRun r = RunQv("--plugins " + (dir / "plugins").string(), env);
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(r.output.find("Wrong plugin"), std::string::npos) << r.output;
    // The welcome dialog was due (no "DialogOnce"): headless it is closed at once, and the key exists now.
    std::ifstream reg(dir / "registry");
    const std::string text((std::istreambuf_iterator<char>(reg)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("Editor"), std::string::npos) << text;
}

TEST_F(QvProgram, WithoutPluginsItEndsWithAFailure) {
    const ProgramRun r = RunQv("--plugins " + (dir / "plugins").string(), env);
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.output.find("no plug-in"), std::string::npos) << r.output;
}

TEST_F(QvProgram, UnknownOptionsAreRefused) {
    const ProgramRun r = RunQv("--bogus", env);
    EXPECT_EQ(r.status, 2);
}

// Pixel (x, y) of a 24-bit bottom-up BMP as red, green, blue.
std::array<int, 3> Pixel(const std::vector<uint8_t>& bmp, int x, int y) {
    const uint32_t offset = plat::LoadU32(&bmp[10]);
    const int32_t w = plat::LoadI32(&bmp[18]), h = plat::LoadI32(&bmp[22]);
    const uint32_t row = (static_cast<uint32_t>(w) * 3 + 3) & ~3u;
    const size_t at = offset + static_cast<size_t>(h - 1 - y) * row + static_cast<size_t>(x) * 3;
    return {bmp[at + 2], bmp[at + 1], bmp[at]};
}

TEST_F(QvProgram, ScreenshotShowsFourViewportsDrawingTheWorld) {
    fs::copy_file(fs::path(QV_DRAW_PLUGIN_DIR) / "draw_test.qv", dir / "plugins" / "draw_test.qv");
    const fs::path shot = dir / "shot.bmp";
    const ProgramRun r = RunQv("--plugins " + (dir / "plugins").string() + " --screenshot " + shot.string(), env);
    ASSERT_EQ(r.status, 0) << r.output;
    std::ifstream in(shot, std::ios::binary);
    const std::vector<uint8_t> bmp((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(bmp.size(), 54u);
    ASSERT_EQ(plat::LoadI32(&bmp[18]), 800);
    ASSERT_EQ(plat::LoadI32(&bmp[22]), 600);
    // The 2 x 2 grid fills the 571 pixels left of the panel between toolbar and status bar.
    struct Probe {
        int x, y;
        std::array<int, 3> rgb;
    };
    const Probe probes[] = {{140, 180, {255, 0, 0}}, {430, 180, {0, 255, 0}}, {140, 450, {0, 0, 255}},
                            {430, 450, {255, 255, 0}}, {30, 120, {255, 0, 0}}, {560, 560, {255, 255, 0}}};
    for (const Probe& p : probes) EXPECT_EQ(Pixel(bmp, p.x, p.y), p.rgb) << p.x << "," << p.y;
    // The frame each viewport keeps and the panel are not painted by the plug-in.
    for (auto [x, y] : {std::pair{3, 300}, std::pair{680, 300}, std::pair{700, 590}}) {
        const auto px = Pixel(bmp, x, y);
        EXPECT_FALSE(px == (std::array<int, 3>{255, 0, 0}) || px == (std::array<int, 3>{0, 0, 255}) ||
                     px == (std::array<int, 3>{255, 255, 0}))
            << x << "," << y;
    }
}

// A screenshot that cannot be written fails the run, and leaves no temporary file behind.
TEST_F(QvProgram, ScreenshotIntoAMissingFolderFailsTheRun) {
    fs::copy_file(fs::path(QV_DRAW_PLUGIN_DIR) / "draw_test.qv", dir / "plugins" / "draw_test.qv");
    const fs::path shot = dir / "no such folder" / "shot.bmp";
    const ProgramRun r =
        RunQv("--plugins " + (dir / "plugins").string() + " --screenshot '" + shot.string() + "'", env);
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find("could not be written"), std::string::npos) << r.output;
    EXPECT_FALSE(fs::exists(dir / "no such folder"));
}

// A frame count that is not a number is refused at once instead of running without end.
TEST_F(QvProgram, UnusableFrameCountIsRefused) {
    for (const char* value : {"sixty", "-4", "4x"}) {
        const ProgramRun r = RunQv("--plugins " + (dir / "plugins").string(),
                                   env + " GRAVELON_QUIT_AFTER_FRAMES='" + value + "' timeout 60");
        EXPECT_EQ(r.status, 2) << value << "\n" << r.output;
        EXPECT_NE(r.output.find("GRAVELON_QUIT_AFTER_FRAMES"), std::string::npos) << r.output;
    }
}

}  // namespace
