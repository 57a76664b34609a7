// A whole editing session of the QV program with the Landscape and Texture plug-ins, run headless from
// an input script: a new world, a height map imported from a bitmap with its maximum height, strokes
// that raise and lower knots and a soft brush stroke, flattening, a centre texture chopped into 64
// textures, a texture picked in the texture view, the top-down view filled and painted, the world saved;
// then reopened in a new QV and saved again with the same ground.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/bytes/ByteIO.h"
#include "plugins/landscape/LandscapeEdit.h"
#include "plugins/shared/ChunkBitmap.h"

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> ReadFile(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

std::vector<uint8_t> ChunkOf(const std::vector<uint8_t>& world, const char* tag) {
    size_t at = 8;
    while (at + 8 <= world.size()) {
        const uint32_t n = plat::LoadU32(&world[at + 4]);
        if (at + 8 + n > world.size()) break;
        if (std::equal(tag, tag + 4, world.begin() + static_cast<long>(at)))
            return {world.begin() + static_cast<long>(at + 8), world.begin() + static_cast<long>(at + 8 + n)};
        at += 8 + n;
    }
    return {};
}

void WriteBmp(const fs::path& p, const qv::Dib& d) {
    const std::vector<uint8_t> bytes = qv::EncodeBmp(d);
    std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

class LandscapeSession : public ::testing::Test {
protected:
    void SetUp() override {
        const char* tmp = std::getenv("TEST_TMPDIR");
        dir = fs::path(tmp ? tmp : "/tmp") / ("landscape_session_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
                                              "_" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir / "plugins");
        for (const char* name : {"landscape.qv", "texture.qv"}) fs::copy_file(fs::path(QV_PLUGIN_DIR) / name, dir / "plugins" / name);
    }
    void TearDown() override {
        if (!HasFailure() && !std::getenv("KEEP_SESSION")) fs::remove_all(dir);
    }
    int Run(const std::string& name, const std::string& script, const std::string& args = "") {
        std::ofstream(dir / (name + ".txt")) << script;
        const std::string command = "cd '" + dir.string() + "' && GRAVELON_HEADLESS=1 SDL_VIDEODRIVER=offscreen "
            "SDL_AUDIODRIVER=dummy ALSOFT_DRIVERS=null GRAVELON_REGISTRY=registry GRAVELON_FRAME_MS=20 "
            "GRAVELON_QUIT_AFTER_FRAMES=200 GRAVELON_INPUT=" + name + ".txt '" QV_PROGRAM "' --plugins plugins "
            "--screenshot '" GRAVELON_BINARY_DIR "/tests/landscape_session_" + name + ".bmp' " + args + " > " + name + ".log 2>&1";
        const int status = std::system(command.c_str());
        std::ifstream logFile(dir / (name + ".log"));
        log = std::string((std::istreambuf_iterator<char>(logFile)), std::istreambuf_iterator<char>());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    fs::path dir;
    std::string log;
};

// A 721 x 721 8-bit height map: a dome of grey levels.
qv::Dib HeightMap() {
    qv::Dib d = qv::GreyBitmap(721, 721, 0);
    const uint32_t row = qv::RowBytes(721, 8);
    for (int r = 0; r < 721; ++r)
        for (int c = 0; c < 721; ++c) {
            const double dx = (c - 360) / 360.0, dy = (r - 360) / 360.0;
            d.pixels[static_cast<size_t>(r) * row + c] = static_cast<uint8_t>(std::max(0.0, 255.0 * (1.0 - (dx * dx + dy * dy))));
        }
    return d;
}

// A 2041 x 2041 8-bit picture: each 255-pixel piece its own grey.
qv::Dib CentrePicture() {
    qv::Dib d = qv::GreyBitmap(2041, 2041, 0);
    const uint32_t row = qv::RowBytes(2041, 8);
    for (int r = 0; r < 2041; ++r)
        for (int c = 0; c < 2041; ++c) d.pixels[static_cast<size_t>(r) * row + c] = static_cast<uint8_t>(40 + 20 * (c / 255) + 2 * (r / 255));
    return d;
}

TEST_F(LandscapeSession, ImportEditPaintSaveAndReopen) {
    WriteBmp(dir / "height.bmp", HeightMap());
    WriteBmp(dir / "rock.bmp", CentrePicture());
    const std::string h = (dir / "height.bmp").string(), rock = (dir / "rock.bmp").string();
    // Viewports: 0 top left (0..285, 50..314), 1 top right, 2 bottom left, 3 bottom right (perspective).
    const std::string edit =
        "2 command 8000\n"
        // Flatten (with its question), then the whole world from the height map, maximum 200 feet.
        "3 box ok\n3 click 1018\n"
        "4 dialog type 1001 200\n4 dialog click 1\n"
        "5 box ok\n5 files " + h + "\n5 click 1002\n"
        // The select tool; a knot raised, then lowered a little, in the perspective viewport.
        "6 key F6 down\n7 key F6 up\n"
        "8 at 427 446\n8 mouse 0 down\n9 move 0 -400\n10 move 0 -400\n11 mouse 0 up\n"
        "12 mouse 0 down\n13 move 0 200\n14 mouse 0 up\n"
        // The brush, 300 units wide, raising the ground softly around another knot.
        "15 click 1026\n16 focus 1027\n16 type 300\n17 focus 1028\n17 type 2\n"
        "18 at 400 420\n18 mouse 0 down\n19 move 0 -600\n20 move 0 -600\n21 mouse 0 up\n"
        // 64 textures from the centre picture.
        "22 files " + rock + "\n22 click 1005\n"
        // Viewport 0 locked to the texture view of the Landscape's textures; the first one picked.
        "24 at 100 150\n24 popup 40040\n24 dialog select 1001 1\n24 dialog select 1007 0\n24 dialog click 1012\n24 dialog click 1\n"
        "24 mouse 1 down\n25 mouse 1 up\n"
        "27 popup 60006\n27 mouse 1 down\n28 mouse 1 up\n"
        "30 at 15 65\n30 mouse 0 down\n31 mouse 0 up\n"
        // Viewport 1 locked to the top-down view; Fill All with the first texture.
        "33 at 400 150\n33 popup 40040\n33 dialog select 1001 0\n33 dialog select 1007 0\n33 dialog click 1012\n33 dialog click 1\n"
        "33 mouse 1 down\n34 mouse 1 up\n"
        "36 popup 60000\n36 mouse 1 down\n37 mouse 1 up\n"
        // The second texture picked, then painted on cells (20, 20) and (10, 10).
        "39 at 55 65\n39 mouse 0 down\n40 mouse 0 up\n"
        "42 at 430 179\n42 mouse 0 down\n43 mouse 0 up\n"
        "44 at 373 236\n44 mouse 0 down\n45 mouse 0 up\n"
        "47 files w.wld\n48 command 40094\n"
        "60 command 40018\n";
    ASSERT_EQ(Run("edit", edit), 0) << log;
    const std::vector<uint8_t> first = ChunkOf(ReadFile(dir / "w.wld"), "SLND");
    ASSERT_GT(first.size(), 80u + 4 * 721 * 721) << log;

    // The heights: the imported dome (red x 200 / 255, wrapped), except where the strokes moved them.
    qv::LandscapeGrid want;
    want.MakeDefault();
    want.heights = qv::DisplacementHeights(qv::NormaliseBmp(ReadFile(dir / "height.bmp")).value(), 200.0f);
    qv::Wraparound(want, 25);
    size_t moved = 0, raised = 0;
    for (size_t i = 0; i < want.heights.size(); ++i) {
        const float got = plat::LoadF32(&first[80 + i * 4]);
        if (std::fabs(got - want.heights[i]) > 1e-4f) ++moved;
        if (got > want.heights[i] + 1.0f) ++raised;
    }
    EXPECT_GT(raised, 100u) << "the brush raises a patch of knots";
    EXPECT_LT(moved, 40000u) << "strokes stay local";
    EXPECT_NEAR(plat::LoadF32(&first[80 + (200 * 721 + 200) * 4]), want.Height(200, 200), 1e-4);

    // The cells: all the first texture but the two painted with the second; 64 textures in the list.
    const size_t cells = 80 + 4 * 721 * 721;
    auto cell = [&](size_t c, size_t r) { return plat::LoadU16(&first[cells + (r * 40 + c) * 2]); };
    EXPECT_EQ(cell(20, 20), 2);
    EXPECT_EQ(cell(10, 10), 2);
    EXPECT_EQ(cell(0, 0), 1);
    EXPECT_EQ(cell(39, 39), 1);
    EXPECT_EQ(cell(16, 16), 1);
    EXPECT_EQ(plat::LoadU32(&first[cells + 1600 * 2 + 8]), 64u);

    // Opened again and saved under another name: the same chunk.
    ASSERT_EQ(Run("reopen", "3 files w2.wld\n4 command 40094\n6 command 40018\n", "w.wld"), 0) << log;
    EXPECT_EQ(ChunkOf(ReadFile(dir / "w2.wld"), "SLND"), first);
}

}  // namespace
