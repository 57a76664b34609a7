// A whole editing session of the QV program with the Landscape and Texture plug-ins, run headless from
// an input script: a new world, a height map imported from a bitmap with its maximum height, strokes
// that raise and lower knots and a soft brush stroke, flattening, a centre texture chopped into 64
// textures, a texture picked in the texture view, the top-down view filled and painted, the world saved;
// then reopened in a new QV and saved again with the same ground.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "game/core/display/DeviceList.h"
#include "game/core/display/Display.h"
#include "game/core/texture/TextureContainer.h"
#include "game/world/file/tests/WorldTestSupport.h"
#include "game/world/landscape/Landscape.h"
#include "platform/bytes/ByteIO.h"
#include "platform/gfx/GfxDevice.h"
#include "plugins/landscape/LandscapeEdit.h"
#include "plugins/shared/ChunkBitmap.h"
#include "plugins/tests/WorldBytes.h"

namespace fs = std::filesystem;

namespace {

using qvtest::ChunkOf;
using qvtest::ReadFile;

void WriteBmp(const fs::path& p, const qv::Dib& d) {
    const std::vector<uint8_t> bytes = qv::EncodeBmp(d);
    std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

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

// A 2041 x 2041 8-bit picture: each 255-pixel piece its own dark grey, but the second one bright.
qv::Dib CentrePicture() {
    qv::Dib d = qv::GreyBitmap(2041, 2041, 0);
    const uint32_t row = qv::RowBytes(2041, 8);
    for (int r = 0; r < 2041; ++r)
        for (int c = 0; c < 2041; ++c) {
            // The second piece of the top row (texture 2) is bright, the others dark.
            const bool bright = c / 255 == 1 && (2040 - r) / 255 == 0;
            d.pixels[static_cast<size_t>(r) * row + c] = static_cast<uint8_t>(bright ? 230 : 40 + 2 * (c / 255) + (r / 255));
        }
    return d;
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
        WriteBmp(dir / "height.bmp", HeightMap());
        WriteBmp(dir / "rock.bmp", CentrePicture());
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

// The editing session up to the save of "w.wld" (frame 48).
std::string EditScript(const fs::path& dir) {
    const std::string h = (dir / "height.bmp").string(), rock = (dir / "rock.bmp").string();
    // Viewports: 0 top left (0..285, 50..314), 1 top right, 2 bottom left, 3 bottom right (perspective).
    return
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
        "47 files w.wld\n48 command 40094\n";
}

TEST_F(LandscapeSession, ImportEditPaintSaveAndReopen) {
    const std::string edit = EditScript(dir) + "60 command 40018\n";
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

// Pixels of a picture, 0xRRGGBB at (x, y) from the top left.
struct Picture {
    int width = 0, height = 0;
    std::vector<uint32_t> rgb;
    uint32_t At(int x, int y) const { return rgb[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)]; }
};

Picture FromBmp(const std::vector<uint8_t>& bmp) {
    Picture p;
    const uint32_t offset = plat::LoadU32(&bmp[10]);
    p.width = plat::LoadI32(&bmp[18]);
    p.height = plat::LoadI32(&bmp[22]);
    const uint32_t row = (static_cast<uint32_t>(p.width) * 3 + 3) & ~3u;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const size_t at = offset + static_cast<size_t>(p.height - 1 - y) * row + static_cast<size_t>(x) * 3;
            p.rgb.push_back((uint32_t{bmp[at + 2]} << 16) | (uint32_t{bmp[at + 1]} << 8) | bmp[at]);
        }
    return p;
}

Picture FromRgba(const std::vector<uint8_t>& rgba, int width, int height) {
    Picture p{width, height, {}};
    for (size_t i = 0; i + 3 < rgba.size(); i += 4) p.rgb.push_back((uint32_t{rgba[i]} << 16) | (uint32_t{rgba[i + 1]} << 8) | rgba[i + 2]);
    return p;
}

// The bright cells in a region of a picture, split into the one on the left and the one on the right:
// their centres and sizes in pixels, and the mean grey of the dark ground around them.
struct Blobs {
    double x[2] = {0, 0}, y[2] = {0, 0};
    int count[2] = {0, 0};
    double ground = 0;
};

Blobs FindBlobs(const Picture& p, int x0, int y0, int x1, int y1) {
    auto grey = [](uint32_t c, int* level) {
        const int r = static_cast<int>(c >> 16), g = static_cast<int>((c >> 8) & 0xFF), b = static_cast<int>(c & 0xFF);
        *level = (r + g + b) / 3;
        return std::abs(r - g) < 30 && std::abs(g - b) < 30;
    };
    int minX = x1, maxX = x0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            int level = 0;
            if (grey(p.At(x, y), &level) && level >= 150) minX = std::min(minX, x), maxX = std::max(maxX, x);
        }
    Blobs out;
    const int split = (minX + maxX) / 2;
    double groundSum = 0;
    int groundCount = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            int level = 0;
            if (!grey(p.At(x, y), &level)) continue;
            if (level >= 150) {
                const int i = x <= split ? 0 : 1;
                out.x[i] += x, out.y[i] += y, ++out.count[i];
            } else if (level >= 20) {
                groundSum += level, ++groundCount;
            }
        }
    for (int i = 0; i < 2; ++i)
        if (out.count[i]) out.x[i] /= out.count[i], out.y[i] /= out.count[i];
    out.ground = groundCount ? groundSum / groundCount : 0;
    return out;
}

TEST_F(LandscapeSession, TheGameShowsTheGroundTheEditorShows) {
    // After the edit: the knot crosses switched off, viewport 2 (bottom left) set above the world's
    // centre, looking straight down, and zoomed out to 0.05 pixels a unit with the forward tool.
    const std::string view = EditScript(dir) +
        "49 click 1013\n"
        "50 at 100 450\n50 popup 40054\n50 mouse 1 down\n51 mouse 1 up\n"
        "53 popup 40097\n53 mouse 1 down\n54 mouse 1 up\n"
        "56 key F2 down\n57 key F2 up\n"
        "58 at 140 450\n58 mouse 0 down\n59 move 0 60\n60 mouse 0 up\n"
        "66 command 40018\n";
    ASSERT_EQ(Run("view", view), 0) << log;
    const Picture editor = FromBmp(ReadFile(GRAVELON_BINARY_DIR "/tests/landscape_session_view.bmp"));
    ASSERT_EQ(editor.width, 800) << log;
    // The bottom left viewport lies left of x 285 and below the middle of the viewport area.
    const Blobs e = FindBlobs(editor, 0, 330, 285, 570);
    ASSERT_GT(e.count[0], 0) << log;
    ASSERT_GT(e.count[1], 0) << log;

    // The same ground drawn by the game from straight above, at the same scale, centred on (500, 500).
    using namespace kes;
    constexpr uint32_t kW = 256, kH = 256;
    constexpr float kScale = 0.05f;
    EnumerateDevicesFrom({{1024, 768, 24}}, 24, nullptr);
    ASSERT_EQ(DeviceInit(kPrimaryDriverGuid, kHardwareDeviceGuid, kW, kH, 16, "ground", kDeviceHidden | kDeviceNoVsync), 0);
    RenderInterface& r = TheRenderInterface();
    ASSERT_EQ(test::LoadBytes(ReadFile(dir / "w.wld"), &r, "landscape_session_view"), 0);
    ASSERT_TRUE(LandscapePresent());
    // Row vectors: screen x = s x + W/2 - 500 s, depth from the height, screen y = H/2 + 500 s - s y.
    Matrix4 vp{};
    vp.m[0] = kScale;
    vp.m[12] = kW / 2.0f - 500.0f * kScale;
    vp.m[6] = -kScale;
    vp.m[14] = kH / 2.0f + 500.0f * kScale;
    vp.m[9] = -1.0f / 4000.0f;
    vp.m[13] = 0.5f;
    vp.m[15] = 1.0f;
    r.viewProjection = &vp;
    WorldView wv;
    wv.eye = {500, 500, 3000};
    wv.groundMinX = -2000, wv.groundMinY = -2000, wv.groundMaxX = 2999, wv.groundMaxY = 2999;
    for (Vec4& p : wv.planes) p = {0, 0, 0, 1e9f};
    r.BeginScene();
    DisplayGfx()->ClearColour({0, 0, static_cast<int>(kW), static_cast<int>(kH)}, 0xFF000000);
    r.ClearDepth();
    r.SetState(plat::rs::kZEnable, 1);
    r.SetState(plat::rs::kCullMode, plat::rs::kCullNone);
    WorldRender(wv);
    r.EndScene();
    const Picture game = FromRgba(RenderReadBackBuffer(), kW, kH);
    r.viewProjection = nullptr;
    WorldUnload();
    DeviceShutdown();
    test::DestroyAllTextureContainers();
    FreeDeviceList();
    const Blobs g = FindBlobs(game, 0, 0, kW, kH);
    {
        // Kept beside the editor's screenshot for a person to compare.
        qv::Dib shot;
        shot.header.width = shot.header.height = static_cast<int32_t>(kW);
        shot.header.bitCount = 24;
        shot.header.sizeImage = qv::RowBytes(kW, 24) * kH;
        shot.pixels.resize(shot.header.sizeImage);
        for (uint32_t y = 0; y < kH; ++y)
            for (uint32_t x = 0; x < kW; ++x) {
                const uint32_t c = game.At(static_cast<int>(x), static_cast<int>(kH - 1 - y));
                uint8_t* p = &shot.pixels[y * qv::RowBytes(kW, 24) + x * 3];
                p[0] = c & 0xFF, p[1] = (c >> 8) & 0xFF, p[2] = (c >> 16) & 0xFF;
            }
        WriteBmp(GRAVELON_BINARY_DIR "/tests/landscape_session_game.bmp", shot);
    }

    // The painted cells (10, 10) and (20, 20) lie 10 cells of 125 units apart on each axis: 62.5 pixels
    // at this scale, in both pictures, with the same size and the same ground around them.
    for (const Blobs* b : {&e, &g}) {
        EXPECT_NEAR(b->x[1] - b->x[0], 62.5, 1.5);
        EXPECT_NEAR(b->y[0] - b->y[1], 62.5, 1.5);
    }
    // Relative to the picture's centre (world 500, 500) the cells sit at the same place: the editor's
    // viewport centre is found from the blobs themselves, so only the game's offset is checked.
    EXPECT_NEAR(g.x[1] - kW / 2.0, (562.5 - 500.0) * kScale, 1.5);
    EXPECT_NEAR(kH / 2.0 - g.y[1], (562.5 - 500.0) * kScale, 1.5);
    for (int i = 0; i < 2; ++i) EXPECT_NEAR(e.count[i], g.count[i], 16) << i;
    EXPECT_NEAR(e.ground, g.ground, 12.0);
    EXPECT_NEAR(e.ground, 40.0, 12.0);
}

}  // namespace
