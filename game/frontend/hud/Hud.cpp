#include "game/frontend/hud/Hud.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <new>

#include "game/core/display/Display.h"
#include "game/core/image/BitmapCache.h"
#include "game/core/mesh/Mesh.h"
#include "game/core/render/RenderInterface.h"
#include "game/frontend/hud/HudCells.h"
#include "game/frontend/hud/HudLayout.h"
#include "game/frontend/hud/HudRacers.h"
#include "game/frontend/session/RaceSession.h"
#include "game/net/NetGame.h"
#include "game/world/file/WorldFile.h"
#include "game/world/physics/BikeBody.h"
#include "game/world/race/RaceRacers.h"
#include "game/world/tricks/Tricks.h"
#include "platform/gfx/GfxStates.h"
#include "platform/sys/Fpu.h"

namespace kes {

namespace {

enum HudTexture : uint32_t { kGyro, kText, kId, kReplayOff, kReplayOn, kArrow, kHudTextureCount };

struct TextureFiles {
    const char* name;
    const char* colour;
    const char* alpha;  // null: none
    uint32_t keepFormat;
};
constexpr TextureFiles kTextures[kHudTextureCount] = {
    {"RuskGiroStuff", "gyro\\gyro.bmp", "gyro\\gyro-a.bmp", 0},
    {"TEXT", "TEXTURES\\OVERLAY\\TEXT.BMP", "TEXTURES\\OVERLAY\\TEXTA.BMP", 1},
    {"ID", "TEXTURES\\OVERLAY\\ID.BMP", "TEXTURES\\OVERLAY\\IDA.BMP", 1},
    {"ReplayOff", "TEXTURES\\OVERLAY\\replayoff.bmp", "TEXTURES\\OVERLAY\\replayoff_a.bmp", 0},
    {"ReplayOn", "TEXTURES\\OVERLAY\\replayon.bmp", "TEXTURES\\OVERLAY\\replayon_a.bmp", 0},
    {"RuskArrowStuff", "dirarow\\dirarow.bmp", nullptr, 0},
};
constexpr const char* kArrowMesh = "dirarow\\dirarow.JM5";
constexpr float kArrowScale = 0.04f;

// Race phases the HUD tells apart.
constexpr uint32_t kPhaseGo = 7, kPhaseAllDone = 10;
constexpr uint32_t kTrackPointTarget = kMaxTrackPoints;

struct HudState {
    RenderInterface* renderer = nullptr;
    uint32_t textures[kHudTextureCount] = {};
    std::unique_ptr<Mesh> arrow;
    ArrowDelay arrowDelay;
    WrongWayTimer wrongWay;
    uint32_t lastRaceClock = 0;  // the race clock at the last draw
} g_hud;

// The time the wrong-way warning counts this frame: what the race session says, or else how far the
// race clock moved since the last draw (it runs only while racing, when the warning matters).
uint32_t ElapsedThisFrame(uint32_t told) {
    const uint32_t clock = GetRaceClock();
    const uint32_t moved = clock >= g_hud.lastRaceClock ? clock - g_hud.lastRaceClock : 0;  // a reset clock
    g_hud.lastRaceClock = clock;
    return told != 0 ? told : moved;
}

// A whole-screen unit of the 640 x 480 layout grid.
constexpr float X(float px) { return px / 640.0f; }
constexpr float Y(float py) { return py / 480.0f; }

// The eight columns of a lap-time group (right to left) and which quads hold the separators.
struct LapColumn {
    float left, right;
};
constexpr LapColumn kLapColumns[8] = {{0.2375f, 0.275f}, {0.2125f, 0.25f}, {0.2f, 0.225f},   {0.175f, 0.2125f},
                                      {0.15f, 0.1875f},  {0.1375f, 0.1625f}, {0.1125f, 0.15f}, {0.0875f, 0.125f}};
constexpr uint32_t kSecondsSeparatorQuad = 2, kMinutesSeparatorQuad = 5;
// Separators stand two thirds of the digits' height (0.05 to 0.0833 against 0.1).
constexpr float kSeparatorHeight = 2.0f / 3.0f;

// The three lap lines and the best-lap group while racing.
constexpr float kLapLineTops[3] = {0.05f, 0.1333f, 0.2167f};
constexpr float kLapLineHeight = 0.05f;
constexpr float kBestLapTop = 0.3f;
// Results after the finish: one line per lap, further right and lower.
constexpr float kResultShift = 0.3f, kResultTop = 0.25f, kResultPitch = 0.06f;

void MakeLapGroup(float top, float bottom, float shift, uint32_t colour, Sprite* quads) {
    for (uint32_t i = 0; i < 8; ++i) {
        const bool separator = i == kSecondsSeparatorQuad || i == kMinutesSeparatorQuad;
        const float b = separator ? top + (bottom - top) * kSeparatorHeight : bottom;
        const TextureRect* cell = i == kSecondsSeparatorQuad   ? &SecondsSeparatorCell()
                                  : i == kMinutesSeparatorQuad ? &MinutesSeparatorCell()
                                                               : &LargeDigitCell(0);
        quads[i] = {kLapColumns[i].left + shift, top, kLapColumns[i].right + shift, b, kHudDepth, colour, cell};
    }
}

// A time too long for the four digits shows the largest time they hold, not the time modulo an hour.
void FillLapTime(uint32_t ms, Sprite* quads) {
    if (HudFormatLapTime(ms, quads, 0) != 0) HudFormatLapTime(3599990u, quads, 0);
}

void Select(uint32_t texture) {
    if (g_hud.renderer) g_hud.renderer->SelectTexture(texture);
}

// Draws a finished batch with the texture it was laid out for (nothing when the texture is missing).
void Draw(uint32_t texture, const Sprite* sprites, uint32_t count) {
    if (!texture || count == 0) return;
    Select(texture);
    DrawSprites(sprites, count);
}

void SetOverlayStates(RenderInterface* r) {
    namespace rs = plat::rs;
    r->SetState(rs::kZWriteEnable, 0);
    r->SetState(kStateImmediateBlend, 1);
    r->SetState(rs::kSrcBlend, rs::kBlendSrcAlpha);
    r->SetState(rs::kDestBlend, rs::kBlendInvSrcAlpha);
    r->SetState(rs::kZEnable, 0);
}

void RestoreStates(RenderInterface* r) {
    namespace rs = plat::rs;
    r->SetState(rs::kFlushBatch, 1);
    r->SetState(kStateImmediateBlend, 0);
    r->SetState(rs::kSrcBlend, rs::kBlendOne);
    r->SetState(rs::kDestBlend, rs::kBlendZero);
    r->SetState(rs::kZWriteEnable, 1);
    r->SetState(rs::kZEnable, 1);
}

// Step 1: the mini-map, the viewed racer's marker last so that it stays on top.
void DrawMap(RacerRecord* const* racers, uint32_t count, const RacerRecord* viewed) {
    const uint32_t id = g_hud.textures[kId];
    if (!id) return;
    Sprite frame{kMapLeft - X(6), kMapTop - Y(6), kMapRight + X(6), kMapBottom + Y(6), kHudDepth, 0xC0FFFFFFu,
                 &MapFrameCell()};
    Draw(id, &frame, 1);
    const WorldBounds& box = HudInfo().mapBox;
    const WorldBounds& bounds = box.maxX > box.minX ? box : CurrentWorldBounds();
    Sprite markers[kMaxRaceRacers + 1];
    uint32_t n = 0;
    auto add = [&](const RacerRecord& r) {
        const MapPosition at = RacerMapPosition(r, bounds);
        if (n < kMaxRaceRacers + 1 && PlaceMapMarker(at.x, at.y, r.colour | 0xFF000000u, &markers[n])) ++n;
    };
    for (uint32_t i = 0; i < count && i < kMaxRaceRacers; ++i)
        if (racers[i] && racers[i] != viewed) add(*racers[i]);
    add(*viewed);
    Draw(id, markers, n);
}

// Step 2: the replay's frame number.
void DrawReplayCounter(uint32_t frame) {
    Sprite q[4];
    for (uint32_t i = 0; i < 4; ++i) q[i] = {X(560 + 16 * i), Y(400), X(584 + 16 * i), Y(424), kHudDepth, kHudWhite, nullptr};
    LayoutNumber(frame, 4, 0, DigitCell, q);
    Draw(g_hud.textures[kText], q, 4);
}

void DrawCentredLine(const std::string& text, float top, float bottom) {
    Sprite q[kCentredLineMax];
    Draw(g_hud.textures[kText], q, LayoutCentredLine(text, top, bottom, q));
}

// The bike's own message: the points of the trick or jump being scored.
std::string TrickScoreText(const TrickMessage& m) {
    char text[24];
    std::snprintf(text, sizeof text, "%d POINTS", m.total);
    return text;
}

// Step 5: the shown trick score and the points of the move being scored (five digits each), the
// landing multiplier's whole and tenths digits.
void DrawTrickCounters(const BikeBody& bike) {
    Sprite q[12];
    for (uint32_t i = 0; i < 5; ++i) {
        q[i] = {X(520 + 16 * i), Y(150), X(544 + 16 * i), Y(174), kHudDepth, kHudWhite, nullptr};
        q[5 + i] = {X(520 + 16 * i), Y(178), X(544 + 16 * i), Y(202), kHudDepth, 0xFFFFD21Fu, nullptr};
    }
    const auto clampCount = [](float v) { return static_cast<uint32_t>(std::clamp(plat::FloatToInt(v), 0, 99999)); };
    LayoutNumber(clampCount(bike.scoreShown), 5, 4, DigitCell, q);
    LayoutNumber(static_cast<uint32_t>(std::clamp(bike.trickMessage.points, 0, 99999)), 5, 4, DigitCell, q + 5);
    const float multiplier = std::max(bike.trickMessage.multiplier, 0.0f);
    const uint32_t whole = std::min<uint32_t>(static_cast<uint32_t>(plat::FloatToInt(multiplier)), 9);
    const uint32_t tenths = std::min<uint32_t>(static_cast<uint32_t>(plat::FloatToInt(multiplier * 10.0f)) % 10, 9);
    q[10] = {X(584), Y(206), X(608), Y(230), kHudDepth, kHudWhite, &DigitCell(whole)};
    q[11] = {X(600), Y(206), X(624), Y(230), kHudDepth, kHudWhite, &DigitCell(tenths)};
    Draw(g_hud.textures[kText], q, 12);
}

// A lap line: the lap's number and ordinal suffix, then its time.
uint32_t LayoutLapLine(uint32_t lap, uint32_t ms, float top, float shift, uint32_t colour, Sprite* q) {
    const float bottom = top + kLapLineHeight;
    MakeLapGroup(top, bottom, shift, colour, q);
    FillLapTime(ms, q);
    q[8] = {0.02f + shift, top, 0.0475f + shift, bottom, kHudDepth, colour, &DigitCell(std::min(lap, 9u))};
    q[9] = {0.0475f + shift, top, 0.085f + shift, top + 0.025f, kHudDepth, colour, &OrdinalSuffixCell(OrdinalSuffix(lap))};
    return 10;
}

// The place in big digits with its suffix, a slash and the number of racers.
uint32_t LayoutPlace(uint32_t place, uint32_t racers, float left, float top, Sprite* q) {
    q[0] = {left, top, left + X(48), top + Y(48), kHudDepth, kHudWhite, &PositionDigitCell(std::min(place, 9u))};
    q[1] = {left + X(48), top, left + X(78), top + Y(20), kHudDepth, kHudWhite, &OrdinalSuffixCell(OrdinalSuffix(place))};
    q[2] = {left + X(50), top + Y(22), left + X(70), top + Y(42), kHudDepth, kHudWhite, &SlashCell()};
    q[3] = {left + X(66), top + Y(22), left + X(84), top + Y(46), kHudDepth, kHudWhite, &SecondDigitCell(std::min(racers, 9u))};
    return 4;
}

void DrawRaceFigures(RacerRecord* const* racers, uint32_t count, const RacerRecord& viewed, uint32_t phase) {
    const HudRaceInfo& info = HudInfo();
    const uint32_t text = g_hud.textures[kText];
    const bool finished = viewed.finishTime != 0 || phase >= kPhaseAllDone;
    Sprite q[128];
    uint32_t n = 0;
    if (!finished) {
        // The lap being timed and the two before it.
        const uint32_t current = std::min(viewed.lapIndex, kLapSlots - 1);
        for (uint32_t line = 0; line < 3 && line <= current; ++line) {
            const uint32_t slot = current - line;
            n += LayoutLapLine(slot + 1, viewed.lapTimes[slot], kLapLineTops[line], 0.0f,
                               line == 0 ? kCurrentLapColour : kHudWhite, q + n);
        }
        MakeLapGroup(kBestLapTop, kBestLapTop + kLapLineHeight, 0.0f, 0xFFFFD21Fu, q + n);
        FillLapTime(FieldBestLap(racers, count), q + n);
        n += 8;
        n += LayoutPlace(RacerPlace(racers, count, viewed), RacerCount(racers, count), X(540), Y(24), q + n);
        // The gauge: the bike's speed in three digits, blank when standing.
        const int speed = viewed.bike ? plat::FloatToInt(std::fabs(viewed.bike->speed)) : 0;
        for (uint32_t i = 0; i < 3; ++i)
            q[n + i] = {X(560 + 16 * i), Y(440), X(584 + 16 * i), Y(464), kHudDepth, kHudWhite, &BlankCell()};
        if (speed > 0) LayoutNumber(static_cast<uint32_t>(std::min(speed, 999)), 3, 2, DigitCell, q + n);
        n += 3;
        if (info.pointsMode) {
            // Track points taken of the target.
            Sprite* p = q + n;
            for (uint32_t i = 0; i < 5; ++i)
                p[i] = {X(540 + 18 * i), Y(96), X(564 + 18 * i), Y(120), kHudDepth, kHudWhite, nullptr};
            LayoutNumber(std::min(viewed.points, 99u), 2, 1, SecondDigitCell, p);
            p[2].rect = &SlashCell();
            LayoutNumber(kTrackPointTarget, 2, 1, SecondDigitCell, p + 3);
            n += 5;
        }
    } else if (info.network && !info.pointsMode) {
        // A timed network game: the score and the race length in minutes.
        const int score = viewed.bike ? std::clamp(plat::FloatToInt(viewed.bike->scoreTarget), 0, 9999999) : 0;
        for (uint32_t i = 0; i < 7; ++i)
            q[n + i] = {X(248 + 20 * i), Y(200), X(278 + 20 * i), Y(236), kHudDepth, kHudWhite, nullptr};
        LayoutNumber(static_cast<uint32_t>(score), 7, 6, DigitCell, q + n);
        n += 7;
        for (uint32_t i = 0; i < 2; ++i)
            q[n + i] = {X(296 + 20 * i), Y(250), X(326 + 20 * i), Y(286), kHudDepth, 0xFFFFD21Fu, nullptr};
        LayoutNumber(std::min(info.raceMinutes, 99u), 2, 1, SecondDigitCell, q + n);
        n += 2;
    } else {
        // Every lap of the race, the place and the field's best lap.
        const uint32_t laps = std::min(info.pointsMode ? 1u : std::max(info.laps, 1u), kLapSlots);
        for (uint32_t lap = 0; lap < laps; ++lap)
            n += LayoutLapLine(lap + 1, viewed.lapTimes[lap], kResultTop + kResultPitch * static_cast<float>(lap),
                               kResultShift, kHudWhite, q + n);
        const float bestTop = kResultTop + kResultPitch * static_cast<float>(laps) + 0.02f;
        MakeLapGroup(bestTop, bestTop + kLapLineHeight, kResultShift, 0xFFFFD21Fu, q + n);
        FillLapTime(FieldBestLap(racers, count), q + n);
        n += 8;
        n += LayoutPlace(RacerPlace(racers, count, viewed), RacerCount(racers, count), X(288), Y(40), q + n);
    }
    Draw(text, q, n);
}

// Step 7: the arrow mesh in front of the camera, turned on the ground plane toward the target.
void DrawArrow(const RacerRecord& viewed, const Matrix4& camera) {
    if (!g_hud.arrow || !viewed.bike) return;
    const float* c = camera.m;
    constexpr float kOffset = 0.0f, kAhead = 10.0f, kBelow = -7.0f;
    const Vec3 at{kOffset * c[0] + kAhead * c[4] + kBelow * c[8] + c[12],
                  kOffset * c[1] + kAhead * c[5] + kBelow * c[9] + c[13],
                  kOffset * c[2] + kAhead * c[6] + kBelow * c[10] + c[14]};
    const Vec3& from = viewed.bike->centre;
    const Vec3& to = viewed.bike->aimPoint;
    float dx = to.x - from.x, dy = to.y - from.y;
    const float length = std::sqrt(dx * dx + dy * dy);
    if (!(length > 1e-6f)) return;
    dx /= length, dy /= length;
    // Rows: the arrow's side, its forward (the mesh points along +y) and up, then its place.
    const Matrix4 model{{dy, -dx, 0, 0, dx, dy, 0, 0, 0, 0, 1, 0, at.x, at.y, at.z, 1}};
    RenderInterface* r = g_hud.renderer;
    r->SetState(plat::rs::kZEnable, 1);
    r->SetState(plat::rs::kZWriteEnable, 1);
    r->ClearDepth();
    g_hud.arrow->Render(Vec3{c[12], c[13], c[14]}, &model, 0, nullptr);
    SetOverlayStates(r);
}

void DrawWrongWay() {
    const Sprite sign{X(192), Y(176), X(448), Y(240), kHudDepth, kHudWhite, &WrongWaySignCell()};
    Draw(g_hud.textures[kId], &sign, 1);
}

// Step 9: the balance marker and the four bars of the two axes.
void DrawBalanceGauge(const BikeBody& bike) {
    const TrickBalance& balance = bike.trickBalance;
    const bool twoAxes = balance.mode == 2;
    const float bx = balance.point.x, by = twoAxes ? balance.point.y : 0.0f;
    const float cx = 320.0f + 160.0f * bx, cy = 240.0f - 160.0f * by;
    // A trick fails once the balance point leaves the unit range; warn on the way there.
    const float reach = twoAxes ? std::sqrt(bx * bx + by * by) : std::fabs(bx);
    const uint32_t markerColour = reach > 0.8f ? 0xFFFF0000u : kHudWhite;
    constexpr uint32_t kBarBase = 0xFF00A000u;
    Sprite bars[4] = {
        {X(160), Y(236), X(296), Y(244), kHudDepth, kBarBase, &GyroBarCell()},  // left
        {X(344), Y(236), X(480), Y(244), kHudDepth, kBarBase, &GyroBarCell()},  // right
        {X(316), Y(80), X(324), Y(216), kHudDepth, kBarBase, &GyroBarCell()},   // up
        {X(316), Y(264), X(324), Y(400), kHudDepth, kBarBase, &GyroBarCell()},  // down
    };
    bars[bx < 0.0f ? 0 : 1].colour = GaugeBarColour(std::fabs(bx));
    if (twoAxes) bars[by > 0.0f ? 2 : 3].colour = GaugeBarColour(std::fabs(by));
    const uint32_t gyro = g_hud.textures[kGyro];
    Draw(gyro, bars, twoAxes ? 4u : 2u);
    const Sprite marker{X(cx - 20), Y(cy - 20), X(cx + 20), Y(cy + 20), kHudDepth, markerColour, &GyroMarkerCell()};
    Draw(gyro, &marker, 1);
}

// Step 10: off buttons from one texture, lit ones from the other.
void DrawReplayPanel(const HudRaceInfo& info) {
    Sprite off[kReplayButtonCount + kReplaySpeedCount], on[kReplayButtonCount + kReplaySpeedCount];
    uint32_t offCount = 0, onCount = 0;
    for (uint32_t b = 0; b < kReplayButtonCount; ++b) {
        const Sprite s{X(184 + 40 * b), Y(420), X(216 + 40 * b), Y(452), kHudDepth, kHudWhite, &ReplayButtonCell(b)};
        if (info.replayButtonsOn >> b & 1u) on[onCount++] = s;
        else off[offCount++] = s;
    }
    for (uint32_t s = 0; s < kReplaySpeedCount; ++s) {
        const Sprite q{X(236 + 28 * s), Y(456), X(256 + 28 * s), Y(476), kHudDepth, kHudWhite, &ReplaySpeedCell(s)};
        if (s == info.replaySpeed) on[onCount++] = q;
        else off[offCount++] = q;
    }
    Draw(g_hud.textures[kReplayOff], off, offCount);
    Draw(g_hud.textures[kReplayOn], on, onCount);
}

uint32_t LoadHudTexture(RenderInterface* r, const TextureFiles& files) {
    ImageRecord* picture = LoadBitmapFromCache(files.colour);
    if (!picture) return 0;
    uint32_t handle = 0;
    if (r->CreateTextureFromImage(files.name, picture, &handle, files.keepFormat) != 0) return 0;
    if (handle && files.alpha)
        if (ImageRecord* alpha = LoadBitmapFromCache(files.alpha)) r->UpdateTexture(handle, alpha, 1);
    return handle;
}

}  // namespace

HudRaceInfo& HudInfo() {
    static HudRaceInfo info;
    return info;
}

int32_t HudLoad(RenderInterface* renderer) {
    HudFree();
    g_hud.renderer = renderer;
    g_hud.arrowDelay.Reset();
    g_hud.wrongWay.Reset();
    g_hud.lastRaceClock = GetRaceClock();
    if (!renderer) return kHudOutOfMemory;
    for (uint32_t t = 0; t < kHudTextureCount; ++t) g_hud.textures[t] = LoadHudTexture(renderer, kTextures[t]);
    auto arrow = std::unique_ptr<Mesh>(new (std::nothrow) Mesh(renderer));
    if (!arrow || !arrow->Load(kArrowMesh, 0)) return kHudOutOfMemory;  // the arrow stays absent
    arrow->Scale(kArrowScale, kArrowScale, kArrowScale);
    if (!arrow->groups.empty()) arrow->groups[0].texture = g_hud.textures[kArrow];
    g_hud.arrow = std::move(arrow);
    return 0;
}

void HudFree() {
    if (g_hud.renderer)
        for (uint32_t& t : g_hud.textures)
            if (t) g_hud.renderer->ReleaseTexture(t);
    for (uint32_t& t : g_hud.textures) t = 0;
    g_hud.arrow.reset();
}

uint32_t HudFormatLapTime(uint32_t ms, Sprite* quads, uint32_t) { return FormatLapDigits(ms, quads); }

void HudDraw(RacerRecord* const* racers, uint32_t racerCount, const RacerRecord* viewed, const Matrix4& camera) {
    RenderInterface* r = g_hud.renderer;
    if (!viewed || !r) return;
    const HudRaceInfo& info = HudInfo();
    const uint32_t phase = RacePhase();
    const BikeBody* bike = viewed->bike;
    const bool riding = bike && bike->riding;
    const bool performing = riding && bike->trickAnim != 0;
    const bool over = viewed->finishTime != 0 || phase >= kPhaseAllDone;
    const bool racing = phase >= kPhaseGo && phase < kPhaseAllDone;
    if (!racers) racerCount = 0;
    SetOverlayStates(r);

    if (info.mapOverlay) DrawMap(racers, racerCount, viewed);
    if (info.replay) DrawReplayCounter(info.replayFrame);
    if (performing) DrawCentredLine(GetTrickNameByAnimation(bike->trickAnim), 0.041667f, 0.091667f);
    if (info.messageTimerMs != 0) {
        if (MessageVisible(info.messageTimerMs)) DrawCentredLine(info.message, 0.083333f, 0.133333f);
    } else if (bike && MessageVisible(bike->trickMessage.timerMs)) {
        DrawCentredLine(TrickScoreText(bike->trickMessage), 0.083333f, 0.133333f);
    }
    if (info.secondOverlay && bike && !over) DrawTrickCounters(*bike);
    if (racing || over) DrawRaceFigures(racers, racerCount, *viewed, phase);

    const bool arrowState = racing && (viewed->finishTime == 0 || info.pointsMode);
    if (g_hud.arrowDelay.Frame(arrowState)) DrawArrow(*viewed, camera);

    const bool against = riding && bike->FacesAgainstCourse();
    const uint32_t elapsed = ElapsedThisFrame(info.frameMs);
    if (g_hud.wrongWay.Frame(riding, against ? -1.0f : 1.0f, elapsed)) DrawWrongWay();
    if (performing && bike->trickUsesBalance) DrawBalanceGauge(*bike);
    if (info.replay) DrawReplayPanel(info);
    RestoreStates(r);
}

bool HudArrowLoaded() { return g_hud.arrow != nullptr; }
uint32_t HudTextureHandle(uint32_t which) { return which < kHudTextureCount ? g_hud.textures[which] : 0; }

}  // namespace kes
