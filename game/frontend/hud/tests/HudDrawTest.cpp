// HudLoad, HudFree and HudDraw over a data pack holding the generated HUD art, with a renderer that
// records what it is given: textures made and released, and every quad drawn with the texture
// selected at the time, in screen pixels.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "game/core/datapack/DataPack.h"
#include "game/core/image/BitmapCache.h"
#include "game/core/image/ImageRecord.h"
#include "game/core/render/RenderInterface.h"
#include "game/core/sprite/Sprites.h"
#include "game/frontend/hud/Hud.h"
#include "game/frontend/hud/HudCells.h"
#include "game/frontend/hud/HudLayout.h"
#include "game/frontend/session/RaceSession.h"
#include "game/net/NetGame.h"
#include "game/world/physics/BikeBody.h"
#include "game/world/physics/GeneratedGround.h"
#include "game/world/race/RaceRacers.h"
#include "tools/contentgen/AssetFamilies.h"
#include "tools/packtool/PackWriter.h"

namespace kes {
namespace {

struct Quad {
    uint32_t texture;
    float left, top, right, bottom;
    uint32_t colour;
    float u, v;
};

class RecordingRender : public RenderInterface {
public:
    int32_t CreateTextureFromImage(const char* name, ImageRecord* image, uint32_t* out, uint32_t) override {
        names.push_back(name);
        FreeImage(image);
        *out = next++;
        live.insert(*out);
        return 0;
    }
    int32_t UpdateTexture(uint32_t handle, ImageRecord* image, uint32_t flags) override {
        if (live.count(handle) && flags == 1) ++masks;
        FreeImage(image);
        return 0;
    }
    int32_t ReleaseTexture(uint32_t handle) override {
        EXPECT_EQ(live.erase(handle), 1u) << "texture " << handle << " released twice or never made";
        return 0;
    }
    int32_t SelectTexture(uint32_t handle) override {
        selected = handle;
        return 0;
    }
    int32_t DrawIndexed(uint32_t, uint32_t count, ScreenVertex* v, uint32_t, uint16_t*, uint32_t) override {
        for (uint32_t i = 0; i + 3 < count; i += 4)
            quads.push_back({selected, v[i].sx, v[i].sy, v[i + 2].sx, v[i + 2].sy, v[i].diffuse, v[i].u, v[i].v});
        return 0;
    }
    int32_t TransformVertices(const Matrix4* model, ScreenVertex*, int32_t, const SourceVertex*, uint32_t,
                              const uint16_t*, uint32_t) override {
        ++meshDraws;
        if (model) lastModel = *model;
        return 0;
    }
    uint32_t Handle(const std::string& name) const {
        for (size_t i = 0; i < names.size(); ++i)
            if (names[i] == name) return static_cast<uint32_t>(i + 1);
        return 0;
    }
    // Quads drawn with a texture inside a pixel region.
    std::vector<Quad> In(uint32_t texture, float left, float top, float right, float bottom) const {
        std::vector<Quad> out;
        for (const Quad& q : quads)
            if (q.texture == texture && q.left >= left && q.right <= right && q.top >= top && q.bottom <= bottom)
                out.push_back(q);
        return out;
    }
    uint32_t next = 1, selected = 0;
    std::set<uint32_t> live;
    std::vector<std::string> names;
    std::vector<Quad> quads;
    int masks = 0, meshDraws = 0;
    Matrix4 lastModel{};
};

// A pack with the HUD art, optionally without the arrow mesh.
std::string MakePack(bool withArrow, const std::string& tag) {
    tools::PackContent content;
    std::string error;
    EXPECT_TRUE(tools::AddHudArt(content, &error)) << error;
    std::vector<tools::PackInput> entries;
    for (const auto& e : content.Entries())
        if (withArrow || e.name != "dirarow\\dirarow.JM5") entries.push_back(e);
    const std::string path = ::testing::TempDir() + "hud_" + tag + "_" + std::to_string(getpid()) + ".dat";
    EXPECT_TRUE(tools::WritePack(path, entries, &error)) << error;
    return path;
}

class HudDrawTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        full_ = MakePack(true, "full");
        noArrow_ = MakePack(false, "noarrow");
    }
    static void TearDownTestSuite() {
        std::remove(full_.c_str());
        std::remove(noArrow_.c_str());
    }
    void SetUp() override {
        CreateImageHeap();
        ASSERT_EQ(InitSprites(&render_, 256, 640, 480), 0);
        HudInfo() = HudRaceInfo{};
        HudInfo().mapBox = {0, 0, 0, 1000, 1000, 100};
        SetRacePhase(8, 1);
        for (uint32_t i = 0; i < 3; ++i) {
            racers_[i].colour = 0xFF000000u | (0x10u * (i + 1));
            Place(racers_[i], 250.0f * static_cast<float>(i + 1), 500.0f);
            table_[i] = &racers_[i];
        }
    }
    void TearDown() override {
        HudFree();
        FreeSprites();
        FreeLoadCache();
        SetRacePhase(0, 1);
    }
    static void Place(RacerRecord& r, float x, float y) {
        for (Vec3& p : r.drawn.positions) p = {x, y, 0};
    }
    void Load(const std::string& pack, int32_t expected) {
        ASSERT_EQ(MakeLoadCache(pack.c_str()), 1);
        ASSERT_EQ(HudLoad(&render_), expected);
    }
    void Draw(const RacerRecord* viewed) {
        render_.quads.clear();
        const Matrix4 camera{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
        HudDraw(table_, 3, viewed, camera);
    }
    static std::string full_, noArrow_;
    RecordingRender render_;
    RacerRecord racers_[3];
    RacerRecord* table_[3] = {};
};
std::string HudDrawTest::full_, HudDrawTest::noArrow_;

TEST_F(HudDrawTest, LoadMakesEveryTextureAndTheArrowAndFreeReleasesThemOnce) {
    Load(full_, 0);
    const std::vector<std::string> expected = {"RuskGiroStuff", "TEXT", "ID", "ReplayOff", "ReplayOn", "RuskArrowStuff"};
    EXPECT_EQ(render_.names, expected);
    EXPECT_EQ(render_.masks, 5) << "every texture but the arrow's gets its alpha picture";
    EXPECT_TRUE(HudArrowLoaded());
    for (uint32_t t = 0; t < 6; ++t) EXPECT_EQ(HudTextureHandle(t), t + 1);
    HudFree();
    EXPECT_TRUE(render_.live.empty());
    EXPECT_FALSE(HudArrowLoaded());
    for (uint32_t t = 0; t < 6; ++t) EXPECT_EQ(HudTextureHandle(t), 0u);
    HudFree();  // a second free releases nothing again
}

// Coverage of an alpha picture over a cell: the fraction of texels that are not transparent.
double Coverage(const ImageRecord& alpha, const TextureRect& cell) {
    const auto texel = [&](float f, uint32_t size) { return static_cast<uint32_t>(f * static_cast<float>(size) + 0.5f); };
    const uint32_t x0 = texel(cell.uMin, alpha.width), x1 = texel(cell.uMax, alpha.width);
    const uint32_t y0 = texel(cell.vMin, alpha.height), y1 = texel(cell.vMax, alpha.height);
    const uint32_t bpp = ImageBytesPerPixel(alpha.format);
    uint32_t covered = 0, all = 0;
    for (uint32_t y = y0; y < y1; ++y)
        for (uint32_t x = x0; x < x1; ++x, ++all) covered += alpha.pixels[y * alpha.stride + x * bpp] > 16 ? 1 : 0;
    return all ? static_cast<double>(covered) / all : 0.0;
}

TEST_F(HudDrawTest, ArtHasAPictureInEveryCellTheHudDraws) {
    ASSERT_EQ(MakeLoadCache(full_.c_str()), 1);
    ImageRecord* text = LoadBitmapFromCache("TEXTURES\\OVERLAY\\TEXTA.BMP");
    ImageRecord* id = LoadBitmapFromCache("TEXTURES\\OVERLAY\\IDA.BMP");
    ImageRecord* gyro = LoadBitmapFromCache("gyro\\gyro-a.bmp");
    ASSERT_TRUE(text && id && gyro);
    EXPECT_EQ(text->width, 256);
    EXPECT_EQ(text->pixels[0], 0) << "the blank cell's texel (0, 0) must draw nothing";
    for (uint32_t d = 0; d < 10; ++d) {
        EXPECT_GT(Coverage(*text, LargeDigitCell(d)), 0.1) << d;
        EXPECT_GT(Coverage(*text, DigitCell(d)), 0.1) << d;
        EXPECT_GT(Coverage(*text, SecondDigitCell(d)), 0.1) << d;
        EXPECT_GT(Coverage(*text, PositionDigitCell(d)), 0.1) << d;
    }
    for (uint32_t l = 0; l < 26; ++l) EXPECT_GT(Coverage(*text, LetterCell(l)), 0.08) << static_cast<char>('A' + l);
    for (uint32_t s = 0; s < 4; ++s) EXPECT_GT(Coverage(*text, OrdinalSuffixCell(s)), 0.1) << s;
    EXPECT_GT(Coverage(*text, SlashCell()), 0.05);
    EXPECT_GT(Coverage(*text, MinutesSeparatorCell()), 0.05);
    EXPECT_GT(Coverage(*text, SecondsSeparatorCell()), 0.02);
    EXPECT_GT(Coverage(*id, MapMarkerCell()), 0.5);
    EXPECT_GT(Coverage(*id, WrongWaySignCell()), 0.9);
    EXPECT_GT(Coverage(*gyro, GyroMarkerCell()), 0.5);
    EXPECT_GT(Coverage(*gyro, GyroBarCell()), 0.8);
    FreeImage(text);
    FreeImage(id);
    FreeImage(gyro);
}

TEST_F(HudDrawTest, AMissingArrowFailsTheLoadAndIsNeverDrawn) {
    Load(noArrow_, kHudOutOfMemory);
    EXPECT_FALSE(HudArrowLoaded());
    for (int frame = 0; frame < 40; ++frame) Draw(&racers_[0]);  // past the arrow's 30-frame delay
    EXPECT_EQ(render_.meshDraws, 0);
    EXPECT_FALSE(render_.quads.empty()) << "the rest of the HUD still draws";
}

TEST_F(HudDrawTest, ArrowNeedsABikeToPointFrom) {
    Load(full_, 0);
    // Without a bike there is no target to point at.
    for (int frame = 0; frame < 40; ++frame) Draw(&racers_[0]);
    EXPECT_EQ(render_.meshDraws, 0);
}

TEST_F(HudDrawTest, NothingWithoutAViewedRacer) {
    Load(full_, 0);
    Draw(nullptr);
    EXPECT_TRUE(render_.quads.empty());
}

TEST_F(HudDrawTest, MapMarkersInRacerColoursTheViewedOneLast) {
    Load(full_, 0);
    Place(racers_[2], 1200.0f, 500.0f);  // off the map: x 1.2
    Draw(&racers_[0]);
    const uint32_t id = render_.Handle("ID");
    // The map rectangle (13, 354)-(125, 466) with room for half a marker around it.
    const auto markers = render_.In(id, 8, 349, 130, 471);
    std::vector<Quad> small;
    for (const Quad& q : markers)
        if (q.right - q.left < 10) small.push_back(q);
    ASSERT_EQ(small.size(), 2u) << "racer 3 lies off the map";
    EXPECT_EQ(small[0].colour, racers_[1].colour);
    EXPECT_EQ(small[1].colour, racers_[0].colour) << "the viewed racer's marker comes last";
    // Racer 1 at (0.25, 0.5): a quarter across, half way down.
    EXPECT_NEAR((small[1].left + small[1].right) / 2, 640 * (kMapLeft + 0.25f * (kMapRight - kMapLeft)), 0.01f);
    EXPECT_NEAR((small[1].top + small[1].bottom) / 2, 480 * (kMapTop + 0.5f * (kMapBottom - kMapTop)), 0.01f);
    HudInfo().mapOverlay = 0;
    Draw(&racers_[0]);
    EXPECT_TRUE(render_.In(id, 0, 0, 640, 480).empty()) << "F9 hides the map";
}

TEST_F(HudDrawTest, LapTimePlaceAndBestLapWhileRacing) {
    Load(full_, 0);
    racers_[0].lapIndex = 1;
    racers_[0].lapTimes[0] = 61230;
    racers_[0].lapTimes[1] = 83456;
    racers_[0].bestLap = 61230;
    racers_[1].bestLap = 59990;
    racers_[1].laps = 2;  // ahead of racer 1, who has completed none by its own count
    Draw(&racers_[0]);
    const uint32_t text = render_.Handle("TEXT");
    // The current lap: eight quads in 56..176 x 24..48, in the current-lap colour, reading 01:23.45.
    auto current = render_.In(text, 55.9f, 23.9f, 176.1f, 48.1f);
    ASSERT_EQ(current.size(), 8u);
    std::sort(current.begin(), current.end(), [](const Quad& a, const Quad& b) { return a.left < b.left; });
    const TextureRect* shown[8] = {&LargeDigitCell(0), &LargeDigitCell(1), &MinutesSeparatorCell(), &LargeDigitCell(2),
                                   &LargeDigitCell(3), &SecondsSeparatorCell(), &LargeDigitCell(4), &LargeDigitCell(5)};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(current[i].colour, kCurrentLapColour) << i;
        EXPECT_FLOAT_EQ(current[i].u, shown[i]->uMin) << i;
        EXPECT_FLOAT_EQ(current[i].v, shown[i]->vMin) << i;
    }
    // The lap before it, white, on the second line: 01:01.23.
    auto previous = render_.In(text, 55.9f, 63.9f, 176.1f, 88.1f);
    ASSERT_EQ(previous.size(), 8u);
    for (const Quad& q : previous) EXPECT_EQ(q.colour, kHudWhite);
    // No third line before the second lap is done.
    EXPECT_TRUE(render_.In(text, 55.9f, 103.9f, 176.1f, 128.1f).empty());
    // The field's best lap (racer 2's 00:59.99) on its own line.
    auto best = render_.In(text, 55.9f, 143.9f, 176.1f, 168.1f);
    ASSERT_EQ(best.size(), 8u);
    std::sort(best.begin(), best.end(), [](const Quad& a, const Quad& b) { return a.left < b.left; });
    EXPECT_FLOAT_EQ(best[3].u, LargeDigitCell(5).uMin);
    EXPECT_FLOAT_EQ(best[4].u, LargeDigitCell(9).uMin);
    // Place: second, of three racers, top right.
    const auto place = render_.In(text, 539, 23, 640, 100);
    const auto isCell = [&](const TextureRect& cell) {
        return std::any_of(place.begin(), place.end(), [&](const Quad& q) { return q.u == cell.uMin && q.v == cell.vMin; });
    };
    EXPECT_TRUE(isCell(PositionDigitCell(2)));
    EXPECT_TRUE(isCell(OrdinalSuffixCell(1)));
    EXPECT_TRUE(isCell(SlashCell()));
    EXPECT_TRUE(isCell(SecondDigitCell(3)));
}

TEST_F(HudDrawTest, NoRaceFiguresBeforeTheStart) {
    Load(full_, 0);
    SetRacePhase(5, 1);  // countdown
    Draw(&racers_[0]);
    EXPECT_TRUE(render_.In(render_.Handle("TEXT"), 0, 0, 640, 480).empty());
}

TEST_F(HudDrawTest, MessageLineBlinks) {
    Load(full_, 0);
    HudInfo().message = "NEW TRACK UNLOCKED";
    const struct {
        uint32_t timer;
        bool shown;
    } cases[] = {{1250, false}, {1300, false}, {1301, true}, {1999, true}, {0, false}};
    for (const auto& c : cases) {
        HudInfo().messageTimerMs = c.timer;
        Draw(&racers_[0]);
        // The message band: heights 0.083333 to 0.133333 (40 to 64 pixels), centred.
        const auto line = render_.In(render_.Handle("TEXT"), 150, 39.9f, 490, 64.1f);
        EXPECT_EQ(line.size(), c.shown ? 18u : 0u) << c.timer;
    }
}

TEST_F(HudDrawTest, ResultsAfterTheFinishListEveryLap) {
    Load(full_, 0);
    HudInfo().laps = 3;
    racers_[0].finishTime = 200000;
    racers_[0].lapTimes = {60000, 70000, 70000};
    Draw(&racers_[0]);
    const uint32_t text = render_.Handle("TEXT");
    for (uint32_t lap = 0; lap < 3; ++lap) {
        const float top = 480 * (0.25f + 0.06f * static_cast<float>(lap));
        EXPECT_EQ(render_.In(text, 0, top - 0.1f, 640, top + 24.1f).size(), 10u) << "lap " << lap + 1;
    }
    // No running lap lines at the top any more.
    EXPECT_TRUE(render_.In(text, 0, 23.9f, 200, 48.1f).empty());
}

TEST_F(HudDrawTest, ReplayPanelSplitsButtonsByState) {
    Load(full_, 0);
    HudInfo().replay = true;
    HudInfo().replayButtonsOn = 1u << 2 | 1u << 0;
    HudInfo().replaySpeed = 3;
    HudInfo().replayFrame = 1234;
    Draw(&racers_[0]);
    EXPECT_EQ(render_.In(render_.Handle("ReplayOn"), 0, 0, 640, 480).size(), 3u);
    EXPECT_EQ(render_.In(render_.Handle("ReplayOff"), 0, 0, 640, 480).size(), 10u);
    EXPECT_EQ(render_.In(render_.Handle("TEXT"), 559, 399, 640, 425).size(), 4u) << "the frame counter";
}

// The viewed racer on a bike: riding on flat ground, in the track-points mode so that its course
// runs from track point 0 toward its aim (+y).
class HudBikeTest : public HudDrawTest {
protected:
    void SetUp() override {
        HudDrawTest::SetUp();
        const TrackPoint points[2] = {{500, 400, 0}, {500, 900, 0}};
        SetTrackPoints(2, points);
        BikeEnvironment env;
        env.ground = &ground_;
        env.gameMode = 2;
        bike_ = std::make_unique<BikeBody>(env, BikeParams{}, kClassLocal, Vec3{500, 500, 3}, Vec3{0, 1, 0});
        bike_->hasRoute = 1;
        bike_->currentGate = 1;
        bike_->aimPoint = {500, 900, 0};
        bike_->centre = {500, 500, 0};
        racers_[0].bike = bike_.get();
    }
    void TearDown() override {
        racers_[0].bike = nullptr;
        SetTrackPoints(0, nullptr);
        HudDrawTest::TearDown();
    }
    FlatGround ground_;
    std::unique_ptr<BikeBody> bike_;
};

TEST_F(HudBikeTest, TrickNameAndBalanceGaugeWhileATrickRuns) {
    Load(full_, 0);
    bike_->trickAnim = 25;
    bike_->trickUsesBalance = 1;
    bike_->trickBalance.mode = 1;
    bike_->trickBalance.point = {0.3f, 0.0f, 0.0f};
    SetRacePhase(5, 1);  // before the start: no lap figures share the band of the trick name
    Draw(&racers_[0]);
    // "SUPERMAN SEAT GRAB": 18 glyphs between heights 20 and 44, centred.
    EXPECT_EQ(render_.In(render_.Handle("TEXT"), 100, 19.9f, 540, 44.1f).size(), 18u);
    const uint32_t gyro = render_.Handle("RuskGiroStuff");
    const auto gauge = render_.In(gyro, 0, 0, 640, 480);
    ASSERT_EQ(gauge.size(), 3u) << "two bars on one axis and the marker";
    EXPECT_EQ(gauge[0].colour, 0xFF00A000u) << "the inactive left bar";
    EXPECT_EQ(gauge[1].colour, 0xFFFFFF00u) << "the right bar at 0.3";
    EXPECT_FLOAT_EQ((gauge[2].left + gauge[2].right) / 2, 320 + 160 * 0.3f);
    EXPECT_FLOAT_EQ((gauge[2].top + gauge[2].bottom) / 2, 240);
    EXPECT_EQ(gauge[2].colour, kHudWhite);
    // Near the edge the marker turns red; off the bike nothing of the trick shows.
    bike_->trickBalance.point = {-0.9f, 0.0f, 0.0f};
    Draw(&racers_[0]);
    const auto warned = render_.In(gyro, 0, 0, 640, 480);
    ASSERT_EQ(warned.size(), 3u);
    EXPECT_EQ(warned[0].colour, 0xFFFF0000u);
    EXPECT_EQ(warned[2].colour, 0xFFFF0000u);
    bike_->riding = 0;
    Draw(&racers_[0]);
    EXPECT_TRUE(render_.In(gyro, 0, 0, 640, 480).empty());
    EXPECT_TRUE(render_.In(render_.Handle("TEXT"), 100, 19.9f, 540, 44.1f).empty());
}

TEST_F(HudBikeTest, WrongWaySignAfterMoreThanFourSecondsBackwards) {
    Load(full_, 0);
    const uint32_t id = render_.Handle("ID");
    const auto signs = [&] {
        int n = 0;
        for (const Quad& q : render_.In(id, 0, 0, 640, 480)) n += q.v == WrongWaySignCell().vMin && q.u == 0 ? 1 : 0;
        return n;
    };
    HudInfo().mapOverlay = 0;
    HudInfo().frameMs = 1000;
    bike_->forward = {0, -1, 0};
    for (int second = 1; second <= 4; ++second) {
        Draw(&racers_[0]);
        EXPECT_EQ(signs(), 0) << second;
    }
    HudInfo().frameMs = 1;
    Draw(&racers_[0]);
    EXPECT_EQ(signs(), 1);
    bike_->forward = {0, 1, 0};
    Draw(&racers_[0]);
    EXPECT_EQ(signs(), 0);
}

TEST_F(HudBikeTest, WithoutAFrameTimeTheWrongWayTimeFollowsTheRaceClock) {
    ResetRaceClock();
    Load(full_, 0);
    HudInfo().mapOverlay = 0;
    bike_->forward = {0, -1, 0};
    const auto signShown = [&] {
        for (const Quad& q : render_.In(render_.Handle("ID"), 0, 0, 640, 480))
            if (q.v == WrongWaySignCell().vMin && q.u == 0) return true;
        return false;
    };
    AdvanceRaceClock(4000);
    Draw(&racers_[0]);
    EXPECT_FALSE(signShown());
    AdvanceRaceClock(1);
    Draw(&racers_[0]);
    EXPECT_TRUE(signShown());
    ResetRaceClock();  // a new race: the clock going back counts nothing
    Draw(&racers_[0]);
    EXPECT_TRUE(signShown()) << "still backwards, time kept";
    bike_->forward = {0, 1, 0};
    Draw(&racers_[0]);
    EXPECT_FALSE(signShown());
}

TEST_F(HudBikeTest, ArrowPointsAtTheAimFromInFrontOfTheCamera) {
    Load(full_, 0);
    bike_->aimPoint = {900, 500, 0};  // due +x of the bike
    for (int frame = 1; frame <= 30; ++frame) Draw(&racers_[0]);
    EXPECT_EQ(render_.meshDraws, 0);
    Draw(&racers_[0]);
    ASSERT_GT(render_.meshDraws, 0);
    const float* m = render_.lastModel.m;
    EXPECT_NEAR(m[4], 1.0f, 1e-5f) << "the arrow's forward row points at the aim";
    EXPECT_NEAR(m[5], 0.0f, 1e-5f);
    // The identity camera: 10 ahead and 7 below.
    EXPECT_FLOAT_EQ(m[12], 0.0f);
    EXPECT_FLOAT_EQ(m[13], 10.0f);
    EXPECT_FLOAT_EQ(m[14], -7.0f);
    SetRacePhase(10, 1);  // all done: the state ends and the delay starts again
    const int before = render_.meshDraws;
    Draw(&racers_[0]);
    SetRacePhase(8, 1);
    for (int frame = 1; frame <= 30; ++frame) Draw(&racers_[0]);
    EXPECT_EQ(render_.meshDraws, before);
}

}  // namespace
}  // namespace kes
