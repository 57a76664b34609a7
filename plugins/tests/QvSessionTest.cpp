// Whole editing sessions of the QV program, run headless from input scripts: each plug-in's panel
// is used through its controls, the world is saved, opened again in a new QV and saved once more;
// both files must carry the same chunks, with the values typed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/bytes/ByteIO.h"
#include "plugins/object/ObjectRecords.h"
#include "plugins/shared/ChunkBitmap.h"
#include "plugins/tests/WorldBytes.h"

namespace fs = std::filesystem;

namespace {

using qvtest::ChunkOf;
using qvtest::ReadFile;

class QvSession : public ::testing::Test {
protected:
    void SetUp() override {
        const char* tmp = std::getenv("TEST_TMPDIR");
        dir = fs::path(tmp ? tmp : "/tmp") / ("qvsession_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir);
        fs::create_directories(dir / "plugins");
        const qv::Dib light = qv::GreyBitmap(512, 512, 128);
        const std::vector<uint8_t> bmp = qv::EncodeBmp(light);
        std::ofstream(dir / "light.bmp", std::ios::binary).write(reinterpret_cast<const char*>(bmp.data()), static_cast<std::streamsize>(bmp.size()));
    }
    void TearDown() override {
        if (!HasFailure() && !std::getenv("KEEP_SESSION")) fs::remove_all(dir);
    }
    // The plug-in libraries QV finds in its plug-in folder; their toolbar commands are 8000, 8001 ...
    // in file-name order.
    void UsePlugins(std::initializer_list<const char*> names) {
        for (const char* name : names) fs::copy_file(fs::path(QV_PLUGIN_DIR) / name, dir / "plugins" / name);
    }
    void UseFivePlugins() { UsePlugins({"info.qv", "password.qv", "physics.qv", "shadow.qv", "texture.qv"}); }
    // Runs QV in the folder with the script; the exit status.
    int Run(const std::string& name, const std::string& script, const std::string& args = "") {
        std::ofstream(dir / (name + ".txt")) << script;
        const std::string command = "cd '" + dir.string() + "' && GRAVELON_HEADLESS=1 SDL_VIDEODRIVER=offscreen "
            "SDL_AUDIODRIVER=dummy ALSOFT_DRIVERS=null GRAVELON_REGISTRY=registry GRAVELON_FRAME_MS=20 "
            "GRAVELON_QUIT_AFTER_FRAMES=60 GRAVELON_INPUT=" + name + ".txt '" QV_PROGRAM "' --plugins plugins "
            "--screenshot '" GRAVELON_BINARY_DIR "/tests/qv_session_" + name + ".bmp' " + args + " > " + name + ".log 2>&1";
        const int status = std::system(command.c_str());
        std::ifstream logFile(dir / (name + ".log"));
        log = std::string((std::istreambuf_iterator<char>(logFile)), std::istreambuf_iterator<char>());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    fs::path dir;
    std::string log;
};

// Pixel (x, y) of a 24-bit bottom-up BMP as 0xRRGGBB.
uint32_t Pixel(const std::vector<uint8_t>& bmp, int x, int y) {
    const uint32_t offset = plat::LoadU32(&bmp[10]);
    const int32_t w = plat::LoadI32(&bmp[18]), h = plat::LoadI32(&bmp[22]);
    const uint32_t row = (static_cast<uint32_t>(w) * 3 + 3) & ~3u;
    const size_t at = offset + static_cast<size_t>(h - 1 - y) * row + static_cast<size_t>(x) * 3;
    return (uint32_t{bmp[at + 2]} << 16) | (uint32_t{bmp[at + 1]} << 8) | bmp[at];
}

TEST_F(QvSession, TheTextureBrowserShowsAndPicksThePluginsTextures) {
    UseFivePlugins();
    // A red overlay texture for Info; viewport 1 (top left) locked to the texture view through its
    // properties (popup command 40040), then Info chosen from the view's menu, then its texture clicked.
    qv::Dib red;
    red.header.width = red.header.height = 64;
    red.header.bitCount = 24;
    red.header.sizeImage = 64 * 64 * 3;
    for (int i = 0; i < 64 * 64; ++i) red.pixels.insert(red.pixels.end(), {0, 0, 255});
    const std::vector<uint8_t> bmp = qv::EncodeBmp(red);
    std::ofstream(dir / "red.bmp", std::ios::binary).write(reinterpret_cast<const char*>(bmp.data()), static_cast<std::streamsize>(bmp.size()));
    const std::string script =
        "2 command 8000\n3 files " + (dir / "red.bmp").string() + "\n3 click 1009\n"
        "5 at 100 150\n5 popup 40040\n"
        "5 dialog select 1001 4\n5 dialog select 1007 0\n5 dialog click 1012\n5 dialog click 1\n"
        "5 mouse 1 down\n6 mouse 1 up\n"
        "8 popup 60006\n8 mouse 1 down\n9 mouse 1 up\n"
        "11 key F6 down\n12 key F6 up\n"  // the Select tool
        "13 at 15 65\n13 mouse 0 down\n14 mouse 0 up\n";
    ASSERT_EQ(Run("texture", script), 0) << log;
    const std::vector<uint8_t> shot = ReadFile(GRAVELON_BINARY_DIR "/tests/qv_session_texture.bmp");
    ASSERT_GT(shot.size(), 54u) << log;
    // The thumbnail of the red texture sits at the top left of the locked viewport, in a red frame.
    int red_pixels = 0;
    for (int y = 40; y < 120; ++y)
        for (int x = 0; x < 80; ++x)
            if ((Pixel(shot, x, y) & 0xFF0000) >= 0xC00000 && (Pixel(shot, x, y) & 0xFFFF) < 0x4040) ++red_pixels;
    EXPECT_GT(red_pixels, 900) << log;
    // The clicked texture is selected: a red frame 4 pixels outside the thumbnail (right edge x 39),
    // with the background between them.
    int frame = 0;
    for (int y = 56; y < 80; ++y) frame += (Pixel(shot, 39, y) & 0xFF0000) >= 0xC00000 && (Pixel(shot, 37, y) & 0xFF0000) < 0x400000;
    EXPECT_EQ(frame, 24) << log;
}

TEST_F(QvSession, EveryPanelUsedSavedAndReopenedWithItsLock) {
    // Toolbar commands: 8000 Info, 8001 Password, 8002 Physics, 8003 Shadow, 8004 Texture (file-name order).
    UseFivePlugins();
    const std::string edit =
        "2 command 8000\n"
        "3 focus 1004\n3 type Red Hill\n"
        "4 focus 1011\n4 type 300\n"
        "5 click 1007\n"  // SuperCross
        "6 command 8002\n7 click 1009\n"
        "8 command 8003\n9 click 1007\n"
        "10 files " + (dir / "light.bmp").string() + "\n10 click 1001\n"
        "11 command 8001\n12 focus 1004\n12 type Secret\n"
        "13 files w.wld\n14 command 40094\n"
        "16 command 40018\n";
    ASSERT_EQ(Run("edit", edit), 0) << log;
    const std::vector<uint8_t> first = ReadFile(dir / "w.wld");
    ASSERT_FALSE(first.empty()) << log;
    const std::vector<uint8_t> tinf = ChunkOf(first, "TINF");
    ASSERT_GT(tinf.size(), 300u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&tinf[28])), "Red Hill");
    EXPECT_EQ(plat::LoadU32(&tinf[28 + 256 + 4 + 1]), 255u);  // sun red typed as 300
    EXPECT_EQ(plat::LoadU32(&tinf[24]), 1u);                   // SuperCross
    EXPECT_EQ(plat::LoadU32(&ChunkOf(first, "PHYS")[4]), 1u);  // tile maps
    EXPECT_EQ(ChunkOf(first, "LMAP").size(), 12u + 2 * (40 + 1024 + 512 * 512));
    EXPECT_EQ(ChunkOf(first, "-*..")[4], 255 - 'S');

    // Opened again with the right password and saved under another name: the same chunks.
    const std::string reopen = "1 dialog type 1044 Secret\n1 dialog click 1\n3 files w2.wld\n4 command 40094\n6 command 40018\n";
    ASSERT_EQ(Run("reopen", reopen, "w.wld"), 0) << log;
    const std::vector<uint8_t> second = ReadFile(dir / "w2.wld");
    for (uint32_t tag : {qv::FourCC("TINF"), qv::FourCC("PHYS"), qv::FourCC("LMAP"), qv::FourCC("-*..")})
        EXPECT_EQ(ChunkOf(second, tag), ChunkOf(first, tag)) << std::hex << tag;

    // A wrong password: the world is refused and what is saved is a new world.
    const std::string wrong = "1 dialog type 1044 secret\n1 dialog click 1\n3 files w3.wld\n4 command 40094\n6 command 40018\n";
    ASSERT_EQ(Run("wrong", wrong, "w.wld"), 0) << log;
    EXPECT_NE(log.find("Wrong password"), std::string::npos) << log;
    const std::vector<uint8_t> third = ReadFile(dir / "w3.wld");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&ChunkOf(third, "TINF")[28])), "A track");
    EXPECT_EQ(ChunkOf(third, "-*..")[4], 0);
}

// The instances of an "OBJT" chunk body: {x, y, scale, type, flags} each.
struct PlacedAt {
    float x, y, scale;
    uint32_t type, flags;
};
std::vector<PlacedAt> Instances(const std::vector<uint8_t>& objt) {
    size_t at = 8 + plat::LoadU32(&objt[4]);     // past the texture list
    at += 8 + plat::LoadU32(&objt[at + 4]) + 4;  // past the mesh list and the show word
    const uint32_t n = plat::LoadU32(&objt[at]);
    std::vector<PlacedAt> out;
    for (uint32_t i = 0; i < n; ++i) {
        const uint8_t* r = &objt[at + 4 + i * 60 + 4];
        out.push_back({plat::LoadF32(r), plat::LoadF32(r + 4), plat::LoadF32(r + 24), plat::LoadU32(r + 32), plat::LoadU32(r + 48)});
    }
    return out;
}

TEST_F(QvSession, ObjectsArePlacedSelectedWithTheMouseDeletedAndKept) {
    UsePlugins({"object.qv"});
    const std::vector<uint8_t> mesh = qv::MarkerMeshImage();
    std::ofstream(dir / "rock.jm5", std::ios::binary).write(reinterpret_cast<const char*>(mesh.data()), static_cast<std::streamsize>(mesh.size()));
    // Two rocks typed into place; viewport 1 turned to a top-down view of the world's middle
    // (500, 500), two pixels a unit, so the first rock (at the middle) lies under window pixel
    // (142, 181); the select tool (F6) picks it there and "Delete" removes it.
    const std::string edit =
        "2 command 8000\n3 files rock.jm5\n3 click 1000\n"
        "4 click 1004\n5 focus 1005\n5 type 500\n6 focus 1006\n6 type 500\n7 click 1023\n"
        "8 click 1004\n9 focus 1005\n9 type 440\n10 focus 1006\n10 type 560\n11 focus 1008\n11 type 2.5\n"
        "12 at 200 200\n12 popup 40054\n12 mouse 1 down\n13 mouse 1 up\n"
        "15 popup 40097\n15 mouse 1 down\n16 mouse 1 up\n"
        "18 key F6 down\n19 key F6 up\n"
        "20 at 142 181\n20 mouse 0 down\n21 mouse 0 up\n"
        "23 click 1020\n"
        "25 files w.wld\n26 command 40094\n28 command 40018\n";
    ASSERT_EQ(Run("objects", edit), 0) << log;
    const std::vector<uint8_t> first = ReadFile(dir / "w.wld");
    const std::vector<uint8_t> objt = ChunkOf(first, "OBJT");
    ASSERT_GT(objt.size(), 100u) << log;
    const std::vector<PlacedAt> placed = Instances(objt);
    ASSERT_EQ(placed.size(), 3u) << log;
    EXPECT_EQ(placed[0].x, -1500.0f);
    EXPECT_EQ(placed[2].x, 440.0f);
    EXPECT_EQ(placed[2].y, 560.0f);
    EXPECT_EQ(placed[2].scale, 2.5f);
    EXPECT_EQ(placed[2].type, 1u);
    EXPECT_EQ(placed[2].flags, 3u);  // not aligned, and the collision of its type

    const std::string reopen = "3 files w2.wld\n4 command 40094\n6 command 40018\n";
    ASSERT_EQ(Run("objects_again", reopen, "w.wld"), 0) << log;
    EXPECT_EQ(ChunkOf(ReadFile(dir / "w2.wld"), "OBJT"), objt);
}

TEST_F(QvSession, AnAiTrackIsDrawnWithTheMouseEditedAndKept) {
    UsePlugins({"morvik.qv"});
    // Viewport 1 turned top-down at two pixels a unit; "Add Point" presses lay a loop of three nodes
    // (closed by pressing on the first again), "Set Start" takes the second, the select tool picks the
    // third, drags it 10 pixels right and gives it a top speed and a stunt.
    const std::string edit =
        "2 command 8000\n3 click 1001\n"
        "4 at 200 200\n4 popup 40054\n4 mouse 1 down\n5 mouse 1 up\n"
        "7 popup 40097\n7 mouse 1 down\n8 mouse 1 up\n"
        "10 key F6 down\n11 key F6 up\n"
        "12 click 1003\n"
        "13 at 100 100\n13 mouse 0 down\n14 mouse 0 up\n"
        "15 at 200 100\n15 mouse 0 down\n16 mouse 0 up\n"
        "17 at 150 180\n17 mouse 0 down\n18 mouse 0 up\n"
        "19 at 100 100\n19 mouse 0 down\n20 mouse 0 up\n"
        "21 click 1003\n22 click 1004\n"
        "23 at 200 100\n23 mouse 0 down\n24 mouse 0 up\n"
        "25 click 1004\n"
        "26 at 150 180\n26 mouse 0 down\n27 move 10 0\n28 move 0 0\n29 mouse 0 up\n"
        "31 focus 1006\n31 type 80\n32 click 1007\n"
        "34 files w.wld\n35 command 40094\n37 command 40018\n";
    ASSERT_EQ(Run("track", edit), 0) << log;
    const std::vector<uint8_t> aitk = ChunkOf(ReadFile(dir / "w.wld"), "AITK");
    ASSERT_EQ(aitk.size(), 12u + 3 * 64 + 4) << log;
    EXPECT_EQ(plat::LoadU32(&aitk[4]), 3u);
    EXPECT_EQ(plat::LoadU32(&aitk[8]), 1u);  // the start
    auto node = [&](int i) { return &aitk[12 + 64 * static_cast<size_t>(i) + 4]; };
    EXPECT_EQ(plat::LoadF32(node(1)) - plat::LoadF32(node(0)), 50.0f);
    EXPECT_EQ(plat::LoadF32(node(2)) - plat::LoadF32(node(0)), 30.0f);  // 25, then dragged by 5
    EXPECT_EQ(plat::LoadU32(node(2) + 56), 0u);                           // linked back to the first
    // Numbered from the start: 1 -> 2 -> 0; speed 80 and the stunt on the third.
    EXPECT_EQ(plat::LoadU32(node(2) + 52), 0x50010001u);
    EXPECT_EQ(plat::LoadU32(node(0) + 52) & 0xFF, 2u);
    // The panel is open at the end: the edge lines (dark green) and links (dark red) show in viewport 1.
    const std::vector<uint8_t> shot = ReadFile(GRAVELON_BINARY_DIR "/tests/qv_session_track.bmp");
    ASSERT_GT(shot.size(), 54u);
    int green = 0, red = 0;
    for (int y = 60; y < 300; ++y)
        for (int x = 0; x < 280; ++x) {
            const uint32_t p = Pixel(shot, x, y);
            green += p == 0x007F00;
            red += p == 0x7F0000;
        }
    EXPECT_GT(green, 200) << log;
    EXPECT_GT(red, 100) << log;

    const std::string reopen = "3 files w2.wld\n4 command 40094\n6 command 40018\n";
    ASSERT_EQ(Run("track_again", reopen, "w.wld"), 0) << log;
    EXPECT_EQ(ChunkOf(ReadFile(dir / "w2.wld"), "AITK"), aitk);
}

TEST_F(QvSession, ACameraAndItsZoneArePlacedWithTheMouseAndKept) {
    UsePlugins({"camera.qv"});
    // Viewport 1 top-down at two pixels a unit: a camera at window (100, 100), its zone pressed at
    // (60, 60) and dragged 40 pixels right and down, then its settings typed.
    const std::string edit =
        "2 command 8000\n3 click 1009\n"
        "4 at 200 200\n4 popup 40054\n4 mouse 1 down\n5 mouse 1 up\n"
        "7 popup 40097\n7 mouse 1 down\n8 mouse 1 up\n"
        "10 key F6 down\n11 key F6 up\n"
        "12 click 1008\n"
        "13 at 100 100\n13 mouse 0 down\n14 mouse 0 up\n"
        "15 at 60 60\n15 mouse 0 down\n16 move 40 40\n17 move 0 0\n18 mouse 0 up\n"
        "19 click 1008\n"
        "20 focus 1015\n20 type 25\n21 focus 1016\n21 type 0.5\n22 click 1024\n"
        "24 files w.wld\n25 command 40094\n27 command 40018\n";
    ASSERT_EQ(Run("camera", edit), 0) << log;
    const std::vector<uint8_t> camr = ChunkOf(ReadFile(dir / "w.wld"), "CAMR");
    ASSERT_EQ(camr.size(), 8u + 68) << log;
    const uint8_t* c = &camr[8];
    EXPECT_EQ(plat::LoadF32(c) - plat::LoadF32(c + 16), 20.0f);       // x - x1
    EXPECT_EQ(plat::LoadF32(c + 4) - plat::LoadF32(c + 20), 0.0f);    // y - y1
    EXPECT_EQ(plat::LoadF32(c + 24) - plat::LoadF32(c + 16), 20.0f);  // x2 - x1
    EXPECT_EQ(plat::LoadF32(c + 28) - plat::LoadF32(c + 20), 20.0f);  // y2 - y1
    EXPECT_EQ(plat::LoadF32(c + 8), 25.0f);                           // no landscape: z = Z inc
    EXPECT_EQ(plat::LoadF32(c + 12), 25.0f);
    EXPECT_EQ(plat::LoadF32(c + 32), 0.5f);
    EXPECT_EQ(plat::LoadU32(c + 40), 1u);
    EXPECT_EQ(plat::LoadF32(c + 60), 0.1f);
    EXPECT_EQ(plat::LoadF32(c + 64), 90.0f);
    // The selected camera's marker and zone show in red in viewport 1.
    const std::vector<uint8_t> shot = ReadFile(GRAVELON_BINARY_DIR "/tests/qv_session_camera.bmp");
    ASSERT_GT(shot.size(), 54u);
    int red = 0;
    for (int y = 50; y < 300; ++y)
        for (int x = 0; x < 280; ++x) red += Pixel(shot, x, y) == 0xFF0000;
    EXPECT_GT(red, 100) << log;

    const std::string reopen = "3 files w2.wld\n4 command 40094\n6 command 40018\n";
    ASSERT_EQ(Run("camera_again", reopen, "w.wld"), 0) << log;
    EXPECT_EQ(ChunkOf(ReadFile(dir / "w2.wld"), "CAMR"), camr);
}

TEST_F(QvSession, TheSkyIsLoadedPreviewedAndKept) {
    UsePlugins({"sky.qv"});
    qv::Dib dusk;
    dusk.header.width = dusk.header.height = 64;
    dusk.header.bitCount = 24;
    dusk.header.sizeImage = 64 * 64 * 3;
    for (int i = 0; i < 64 * 64; ++i) dusk.pixels.insert(dusk.pixels.end(), {0x6B, 0xB0, 0xF3});  // #f3b06b
    const std::vector<uint8_t> bmp = qv::EncodeBmp(dusk);
    std::ofstream(dir / "dusk.bmp", std::ios::binary).write(reinterpret_cast<const char*>(bmp.data()), static_cast<std::streamsize>(bmp.size()));
    const std::string edit = "2 command 8000\n3 files dusk.bmp\n3 click 1001\n"
                             "6 files w.wld\n7 command 40094\n9 command 40018\n";
    ASSERT_EQ(Run("sky", edit), 0) << log;
    const std::vector<uint8_t> sky = ChunkOf(ReadFile(dir / "w.wld"), "SKY.");
    ASSERT_GT(sky.size(), 60u) << log;
    EXPECT_EQ(plat::LoadU32(&sky[0]), 100u);
    EXPECT_EQ(plat::LoadU32(&sky[8]), 0u);          // overhead: the loaded picture, texture 1
    EXPECT_EQ(plat::LoadU32(&sky[48 + 8]), 1u);     // one texture
    EXPECT_EQ(plat::LoadU32(&sky[4]), 0xFFFFFFFFu);  // no wall
    // The perspective viewports show the dusk picture behind the scene.
    const std::vector<uint8_t> shot = ReadFile(GRAVELON_BINARY_DIR "/tests/qv_session_sky.bmp");
    ASSERT_GT(shot.size(), 54u);
    int dusky = 0;
    for (int y = 50; y < 570; y += 2)
        for (int x = 0; x < 570; x += 2) {
            const uint32_t p = Pixel(shot, x, y);
            dusky += ((p >> 16) & 0xFF) > 0xD0 && ((p >> 8) & 0xFF) > 0x90 && ((p >> 8) & 0xFF) < 0xD0 && (p & 0xFF) < 0x90;
        }
    EXPECT_GT(dusky, 1000) << log;

    const std::string reopen = "3 files w2.wld\n4 command 40094\n6 command 40018\n";
    ASSERT_EQ(Run("sky_again", reopen, "w.wld"), 0) << log;
    EXPECT_EQ(ChunkOf(ReadFile(dir / "w2.wld"), "SKY."), sky);
}

TEST_F(QvSession, SoundEmittersArePlacedSizedAndKept) {
    UsePlugins({"tessil.qv"});
    // A wave added; viewport 1 top-down at two pixels a unit; "Add" pressed at window (140, 180), the
    // inner radius dragged 10 rows, the outer from there 30 more; then the volume typed.
    std::vector<uint8_t> wav = {'R', 'I', 'F', 'F', 44, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0,
                                1, 0, 1, 0, 0x22, 0x56, 0, 0, 0x44, 0xAC, 0, 0, 2, 0, 16, 0, 'd', 'a', 't', 'a', 8, 0, 0, 0};
    wav.insert(wav.end(), 8, 0x10);
    std::ofstream(dir / "bird.wav", std::ios::binary).write(reinterpret_cast<const char*>(wav.data()), static_cast<std::streamsize>(wav.size()));
    const std::string edit =
        "2 command 8000\n3 click 1001\n4 files bird.wav\n4 click 1003\n"
        "5 at 200 200\n5 popup 40054\n5 mouse 1 down\n6 mouse 1 up\n"
        "8 popup 40097\n8 mouse 1 down\n9 mouse 1 up\n"
        "11 key F6 down\n12 key F6 up\n"
        "13 click 1006\n"
        "14 at 140 180\n14 mouse 0 down\n15 move 0 10\n16 move 0 0\n17 mouse 0 up\n"
        "18 at 140 190\n18 mouse 0 down\n19 move 0 30\n20 move 0 0\n21 mouse 0 up\n"
        "22 click 1006\n23 focus 1010\n23 type 0.5\n"
        "25 files w.wld\n26 command 40094\n28 command 40018\n";
    ASSERT_EQ(Run("sound", edit), 0) << log;
    const std::vector<uint8_t> sndm = ChunkOf(ReadFile(dir / "w.wld"), "SNDM");
    ASSERT_GT(sndm.size(), 16u) << log;
    const size_t list = 8 + plat::LoadU32(&sndm[8]);
    EXPECT_EQ(plat::LoadU32(&sndm[12]), 1u);  // one wave
    ASSERT_EQ(plat::LoadU32(&sndm[4 + list]), 1u) << log;
    const uint8_t* e = &sndm[4 + list + 4];
    EXPECT_EQ(plat::LoadF32(e + 12), 10.0f);  // inner radius: the rows dragged
    EXPECT_EQ(plat::LoadF32(e + 16), 40.0f);  // outer: 10 + 30 rows from the centre
    EXPECT_EQ(plat::LoadF32(e + 24), 0.5f);
    EXPECT_EQ(plat::LoadU32(e + 48), 44100u);
    const std::vector<uint8_t> shot = ReadFile(GRAVELON_BINARY_DIR "/tests/qv_session_sound.bmp");
    ASSERT_GT(shot.size(), 54u);
    int rings = 0;
    for (int y = 50; y < 300; ++y)
        for (int x = 0; x < 280; ++x) rings += Pixel(shot, x, y) == 0xFFFFFF || Pixel(shot, x, y) == 0x7F7F7F;
    EXPECT_GT(rings, 100) << log;

    const std::string reopen = "3 files w2.wld\n4 command 40094\n6 command 40018\n";
    ASSERT_EQ(Run("sound_again", reopen, "w.wld"), 0) << log;
    EXPECT_EQ(ChunkOf(ReadFile(dir / "w2.wld"), "SNDM"), sndm);
}

}  // namespace
