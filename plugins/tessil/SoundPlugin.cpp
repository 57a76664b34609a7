#include "plugins/tessil/SoundPlugin.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "platform/dialogs/Modal.h"
#include "plugins/shared/CText.h"
#include "plugins/shared/ChunkReader.h"
#include "plugins/shared/DrawLines.h"
#include "plugins/shared/GroundQuery.h"
#include "plugins/shared/WorldMessages.h"

namespace qv {

namespace {

using plat::ControlKind;

enum : int {
    kActivated = 1001, kWaveList = 1002, kAddWave = 1003, kReplaceWave = 1004, kDeleteWave = 1005, kAdd = 1006,
    kDelete = 1007, kSetWave = 1008, kWaveName = 1009, kVolume = 1010, kX = 1011, kY = 1012, kZ = 1013, kR1 = 1014,
    kR2 = 1015, kLoop = 1016, kOnce = 1017, kRandom = 1018, kWait = 1019, kWaitFrom = 1020, kWaitTo = 1021,
    kConst = 1022, kRandPitch = 1023, kFrequency = 1024, kFrequencyFrom = 1025, kFrequencyTo = 1026, kTest = 1027,
};
constexpr int kFloatFields[9] = {kVolume, kX, kY, kZ, kR1, kR2, kWait, kWaitFrom, kWaitTo};
constexpr int kIntFields[3] = {kFrequency, kFrequencyFrom, kFrequencyTo};

constexpr uint32_t kMarker = 0xFFFF0000u, kRing = 0xFF4C0000u, kSelectedMarker = 0xFFFFFFFFu, kSelectedRing = 0xFF7F7F7Fu;
constexpr float kStep = 0.31415927f;

plat::DialogTemplate Panel() {
    plat::DialogTemplate t;
    t.title = "Sound";
    t.width = 200;
    t.height = 420;
    t.controls = {
        {ControlKind::GroupBox, -1, "Sound Plugin", 4, 4, 192, 410},
        {ControlKind::CheckBox, kActivated, "Activated", 10, 20, 90, 18},
        {ControlKind::GroupBox, -1, " Waves ", 8, 42, 184, 76},
        {ControlKind::ComboBox, kWaveList, "", 14, 58, 172, 100},
        {ControlKind::Button, kAddWave, "Add Wav", 14, 86, 54, 20},
        {ControlKind::Button, kReplaceWave, "Rep Wav", 72, 86, 54, 20},
        {ControlKind::Button, kDeleteWave, "Del Wav", 130, 86, 56, 20},
        {ControlKind::GroupBox, -1, " Instances Spheres ", 8, 122, 184, 288},
        {ControlKind::CheckBox, kAdd, "Add", 14, 138, 54, 20},
        {ControlKind::Button, kDelete, "Del", 72, 138, 54, 20},
        {ControlKind::Button, kSetWave, "Set Wav", 130, 138, 56, 20},
        {ControlKind::Static, kWaveName, "None", 14, 162, 172, 18},
        {ControlKind::Radio, kLoop, "Loop", 14, 302, 56, 18, plat::kStyleGroup},
        {ControlKind::Radio, kOnce, "Play Once", 14, 322, 80, 18},
        {ControlKind::Radio, kRandom, "Play Rand", 14, 342, 80, 18},
        {ControlKind::Radio, kConst, "Const", 14, 364, 60, 18, plat::kStyleGroup},
        {ControlKind::Radio, kRandPitch, "Rand", 14, 384, 60, 18},
        {ControlKind::Edit, kFrequency, "", 76, 364, 54, 18},
        {ControlKind::Static, -1, "From", 76, 384, 30, 18},
        {ControlKind::Edit, kFrequencyFrom, "", 104, 384, 40, 18},
        {ControlKind::Static, -1, "To", 146, 384, 16, 18},
        {ControlKind::Edit, kFrequencyTo, "", 160, 384, 30, 18},
        {ControlKind::CheckBox, kTest, "Test", 140, 20, 50, 18},
    };
    const char* labels[6] = {"Volume", "X", "Y", "Z", "R1", "R2"};
    for (int i = 0; i < 6; ++i) {
        t.controls.push_back({ControlKind::Static, -1, labels[i], 14, 182 + 19 * i, 50, 18});
        t.controls.push_back({ControlKind::Edit, kFloatFields[i], "", 70, 182 + 19 * i, 110, 18});
    }
    t.controls.push_back({ControlKind::Static, -1, "Wait", 100, 302, 30, 18});
    t.controls.push_back({ControlKind::Edit, kWait, "", 134, 302, 52, 18});
    t.controls.push_back({ControlKind::Static, -1, "From", 100, 322, 30, 18});
    t.controls.push_back({ControlKind::Edit, kWaitFrom, "", 134, 322, 52, 18});
    t.controls.push_back({ControlKind::Static, -1, "To", 100, 342, 30, 18});
    t.controls.push_back({ControlKind::Edit, kWaitTo, "", 134, 342, 52, 18});
    return t;
}

std::string WithoutFolder(const char* name) {
    const std::string s = name ? name : "";
    const size_t cut = s.find_last_of("\\/");
    return cut == std::string::npos ? s : s.substr(cut + 1);
}

}  // namespace

int32_t AskToUseWithoutSound() {
    const int answer = plat::ShowMessageBox(
        "There's no sound device available !\nUsing and saving this file will erase all sound information !\n\n"
        "Use this file anyway ?",
        "No sound device", plat::MB_YESNO | plat::MB_DEFBUTTON2);
    return answer == plat::IDYES ? 0 : Result(kResultNoSound);
}

SoundPlugin::SoundPlugin()
    : PluginBase(FourCC("SNDM"), "Sound Map::Main Port", {"Sound", "Sound plugin !", "Norwick"}, Panel(), 0x2F9E44, 3) {
    redrawWithPanel_ = true;
}

void SoundPlugin::Redraw() { host->RedrawPluginViewports(0); }

float SoundPlugin::GroundHeight(float x, float y) {
    float z = 0;
    QueryGroundHeightAt(host->bus, x, y, &z);
    return z;
}

void SoundPlugin::StopAudition() {
    if (playingWave >= 0) host->StopWave(static_cast<uint32_t>(playingWave) + 1);
    playingWave = -1;
}

int32_t SoundPlugin::ResetWorld() {
    StopAudition();
    mode = SoundMode::Select;
    currentWave = selected = -1;
    emitters.clear();
    activated = false;
    host->DeleteAllWaves();
    Refresh();
    return 0;
}

int32_t SoundPlugin::Deactivate() {
    StopAudition();
    testing = false;
    mode = SoundMode::Select;
    return PluginBase::Deactivate();
}

int32_t SoundPlugin::SaveChunk(FileStream* stream, uint32_t* size) {
    ChunkWriter out(stream);
    out.U32(kSoundChunkVersion);
    if (out.Result() != 0) return out.Result();
    uint32_t bytes = 0;
    const int32_t r = host->WriteWaves(stream, &bytes);
    if (r < 0) return r;
    out.Count(bytes);
    out.U32(static_cast<uint32_t>(emitters.size()));
    for (const SoundEmitter& e : emitters) {
        for (float f : {e.position[0], e.position[1], e.position[2], e.innerRadius, e.outerRadius}) out.F32(f);
        out.U32(static_cast<uint32_t>(e.wave));
        out.F32(e.volume);
        out.U32(static_cast<uint32_t>(e.playMode));
        for (float f : {e.wait, e.waitFrom, e.waitTo}) out.F32(f);
        for (int32_t v : {e.pitchMode, e.frequency, e.frequencyFrom, e.frequencyTo}) out.U32(static_cast<uint32_t>(v));
    }
    *size = out.Written();
    return out.Result();
}

int32_t SoundPlugin::LoadChunk(FileStream* stream, uint32_t size) {
    ChunkReader in(stream, size);
    in.U32();  // the version: one layout only
    if (!in.Ok()) return in.Failure();
    uint32_t bytes = 0;
    const uint32_t mark = in.Mark();
    const int32_t r = host->ReadWaves(stream, &bytes);
    if (r == Result(kResultNoSound)) {
        const int32_t answer = AskToUseWithoutSound();
        if (answer != 0) return answer;
        // Used without its sounds: the world keeps a sound map with no emitters, which is what a save
        // then writes.
        emitters.clear();
        activated = true;
        Refresh();
        return 0;
    }
    if (r < 0) return r;
    if (!in.Took(mark)) return in.Failure();
    const uint32_t count = in.U32();
    if (!in.Ok() || !in.Need(uint64_t{count} * kEmitterBytes)) return in.Failure();
    const int32_t waves = host->GetWaveCount();
    std::vector<SoundEmitter> loaded(count);
    for (SoundEmitter& e : loaded) {
        for (float* f : {&e.position[0], &e.position[1], &e.position[2], &e.innerRadius, &e.outerRadius}) *f = in.F32();
        e.wave = static_cast<int32_t>(in.U32());
        e.volume = in.F32();
        e.playMode = static_cast<int32_t>(in.U32());
        for (float* f : {&e.wait, &e.waitFrom, &e.waitTo}) *f = in.F32();
        for (int32_t* v : {&e.pitchMode, &e.frequency, &e.frequencyFrom, &e.frequencyTo}) *v = static_cast<int32_t>(in.U32());
        // A wave the list does not hold is no wave.
        if (e.wave < -1 || e.wave >= waves) e.wave = -1;
    }
    if (!in.Ok()) return in.Failure();
    emitters = std::move(loaded);
    selected = -1;
    activated = true;
    Refresh();
    return 0;
}

// ---- the bus and the mouse

void SoundPlugin::ScaleBounds(const float* previous, const float* now) {
    const float r[3] = {shared::ExtentRatio(previous, now, 0), shared::ExtentRatio(previous, now, 1),
                        shared::ExtentRatio(previous, now, 2)};
    const float radii = (r[0] + r[1] + r[2]) / 3.0f;
    for (SoundEmitter& e : emitters) {
        for (int i = 0; i < 3; ++i) e.position[i] *= r[i];
        e.innerRadius *= radii;
        e.outerRadius *= radii;
    }
    Refresh();
    Redraw();
}

int32_t SoundPlugin::OnMainPortMessage(Port* sender, uint32_t code, MsgArg arg, MsgArg data) {
    switch (code) {
        case kMsgSelectPress:
            if (arg) Press(*reinterpret_cast<const MousePress*>(arg));
            return 0;
        case kMsgSelectRelease: Release(); return 0;
        case kMsgSelectDrag:
            if (arg) Drag(*reinterpret_cast<const MouseDrag*>(arg));
            return 0;
        case kMsgWorldBoundsChanged:
            if (arg && data) ScaleBounds(reinterpret_cast<const float*>(arg), reinterpret_cast<const float*>(data));
            return 0;
        case kMsgHeightScaleChanged: {
            const float factor = shared::FloatFromArg(arg);
            for (SoundEmitter& e : emitters) e.position[2] *= factor;
            Refresh();
            Redraw();
            return 0;
        }
        default: return PluginBase::OnMainPortMessage(sender, code, arg, data);
    }
}

float SoundPlugin::ScreenRadius(Viewport* viewport, const float centre[3], float r, ScreenVertex* projected) {
    const float* view = viewport->GetViewMatrix();
    // The camera's first axis in the world: the view matrix's first column.
    const float points[2][3] = {{centre[0], centre[1], centre[2]},
                                {centre[0] + r * view[0], centre[1] + r * view[4], centre[2] + r * view[8]}};
    ScreenVertex s[2] = {};
    if (viewport->TransformPoints(nullptr, s, 2, &points[0][0], 0) != 0) return 0.0f;
    if (projected) *projected = s[0];
    return std::hypot(s[1].sx - s[0].sx, s[1].sy - s[0].sy);
}

void SoundPlugin::Press(const MousePress& press) {
    Viewport* viewport = press.viewport;
    if (!viewport || !(viewport->GetFlags() & kViewportTopDown)) return;
    const float px = static_cast<float>(press.x), py = static_cast<float>(press.y);
    // The pointer's row is where drags count from; the press row and reference are those of the
    // press that added or picked the emitter, which the second radius of a new emitter keeps.
    cursorRow_ = py;
    if (mode == SoundMode::Add || mode == SoundMode::Select) pressRow_ = py;
    if (mode == SoundMode::Add) {
        const float* m = viewport->GetViewState();
        SoundEmitter e;
        e.position[0] = (px - m[12]) / m[0];
        e.position[1] = (py - m[14]) / m[6];
        e.position[2] = GroundHeight(e.position[0], e.position[1]);
        e.wave = currentWave;
        emitters.push_back(e);
        selected = static_cast<int32_t>(emitters.size()) - 1;
        referenceRow_ = py;
        referenceRadius_ = 0;
        mode = SoundMode::NewInner;
    } else if (mode == SoundMode::Select) {
        for (size_t i = 0; i < emitters.size(); ++i) {
            const SoundEmitter& e = emitters[i];
            ScreenVertex centre{};
            const float inner = ScreenRadius(viewport, e.position, e.innerRadius, &centre);
            const float outer = ScreenRadius(viewport, e.position, e.outerRadius, nullptr);
            const float distance = std::hypot(px - centre.sx, py - centre.sy);
            const struct {
                float screen, world;
                SoundMode mode;
            } rings[2] = {{inner, e.innerRadius, SoundMode::Inner}, {outer, e.outerRadius, SoundMode::Outer}};
            bool ringHit = false;
            for (const auto& ring : rings)
                if (ring.world >= 1.0f && std::fabs(distance - ring.screen) <= 2.0f) {
                    selected = static_cast<int32_t>(i);
                    mode = ring.mode;
                    referenceRow_ = centre.sy;
                    referenceRadius_ = ring.world;
                    ringHit = true;
                    break;
                }
            if (ringHit) break;
            if (distance <= 4.0f) {
                selected = static_cast<int32_t>(i);
                mode = SoundMode::Move;
            }
        }
    }
    Refresh();
    Redraw();
}

void SoundPlugin::Release() {
    switch (mode) {
        case SoundMode::NewInner: mode = SoundMode::NewOuter; break;
        case SoundMode::NewOuter: mode = SoundMode::Add; break;
        case SoundMode::Add: break;
        default: mode = SoundMode::Select; break;
    }
}

void SoundPlugin::Drag(const MouseDrag& drag) {
    Viewport* viewport = drag.viewport;
    if (!viewport || !(viewport->GetFlags() & kViewportTopDown)) return;
    if (selected < 0 || static_cast<size_t>(selected) >= emitters.size()) return;
    SoundEmitter& e = emitters[static_cast<size_t>(selected)];
    cursorRow_ += static_cast<float>(drag.dy);
    // The rows from the centre scale the radius held at the press; a press one row below the centre
    // would divide by nothing, so the divisor is at least one row.
    const float divisor = std::max(1.0f, std::fabs(referenceRow_ - pressRow_ + 1.0f));
    const float radius = std::fabs((referenceRow_ - cursorRow_) * (referenceRadius_ + 1.0f) / divisor);
    switch (mode) {
        case SoundMode::NewInner: case SoundMode::Inner:
            e.innerRadius = radius;
            e.outerRadius = std::max(e.outerRadius, radius);
            break;
        case SoundMode::NewOuter: case SoundMode::Outer:
            e.outerRadius = radius;
            e.innerRadius = std::min(e.innerRadius, radius);
            break;
        case SoundMode::Move: {
            const float* m = viewport->GetViewState();
            e.position[0] += static_cast<float>(drag.dx) / m[0];
            e.position[1] += static_cast<float>(drag.dy) / m[6];
            e.position[2] = GroundHeight(e.position[0], e.position[1]);
            break;
        }
        default: return;
    }
    Refresh();
    Redraw();
}

// ---- sound

void SoundPlugin::Audition() {
    StopAudition();
    if (!testing || selected < 0 || static_cast<size_t>(selected) >= emitters.size()) return;
    const SoundEmitter& e = emitters[static_cast<size_t>(selected)];
    if (e.wave < 0) return;
    const uint32_t index = static_cast<uint32_t>(e.wave) + 1;
    host->PlayWave(index, e.playMode == 0 ? 1 : 0);
    host->SetWaveVolume(index, static_cast<int32_t>((1.0f - e.volume) * -10000.0f));
    playingWave = e.wave;
}

bool SoundPlugin::DeleteCurrentWave() {
    if (currentWave < 0) return false;
    for (const SoundEmitter& e : emitters)
        if (e.wave == currentWave) {
            shared::Winprintf("The sound is still in use\n");
            return false;
        }
    if (playingWave == currentWave) StopAudition();
    host->DeleteWave(static_cast<uint32_t>(currentWave) + 1);
    for (SoundEmitter& e : emitters)
        if (e.wave > currentWave) --e.wave;
    if (playingWave > currentWave) --playingWave;
    --currentWave;
    return true;
}

// ---- drawing

int32_t SoundPlugin::DrawViewport(Viewport* viewport) {
    if (!activated || !panel() || !viewport) return 0;
    std::vector<ScreenVertex> lines;
    auto add = [&](float x, float y, uint32_t colour) {
        ScreenVertex v{};
        v.sx = x, v.sy = y, v.sz = 0.00001f, v.rhw = 1.0f, v.colour = colour, v.specular = 0xFF000000u;
        lines.push_back(v);
    };
    for (size_t i = 0; i < emitters.size(); ++i) {
        const SoundEmitter& e = emitters[i];
        const bool chosen = static_cast<int32_t>(i) == selected;
        const uint32_t marker = chosen ? kSelectedMarker : kMarker, ring = chosen ? kSelectedRing : kRing;
        ScreenVertex c{};
        const float inner = ScreenRadius(viewport, e.position, e.innerRadius, &c);
        const float outer = ScreenRadius(viewport, e.position, e.outerRadius, nullptr);
        if (!(c.rhw > 0.0f)) continue;  // behind the camera
        add(c.sx - 2, c.sy, marker), add(c.sx + 2, c.sy, marker);
        add(c.sx, c.sy - 2, marker), add(c.sx, c.sy + 2, marker);
        const struct {
            float world, screen;
            uint32_t colour;
        } circles[2] = {{e.innerRadius, inner, marker}, {e.outerRadius, outer, ring}};
        for (const auto& circle : circles) {
            if (!(circle.world >= 1.0f)) continue;
            for (int k = 0; k < 20; ++k) {
                const float a0 = kStep * static_cast<float>(k), a1 = kStep * static_cast<float>((k + 1) % 20);
                add(c.sx + circle.screen * std::cos(a0), c.sy + circle.screen * std::sin(a0), circle.colour);
                add(c.sx + circle.screen * std::cos(a1), c.sy + circle.screen * std::sin(a1), circle.colour);
            }
        }
    }
    if (lines.empty()) return 0;
    host->SetCurrentTexture(0);
    return shared::DrawLineList(viewport, lines.data(), static_cast<uint32_t>(lines.size()));
}

// ---- the panel

void SoundPlugin::RefreshPanel(plat::Dialog& d) {
    filling_ = true;
    d.Check(kActivated, activated);
    for (const plat::Control& c : d.Controls())
        if (c.tmpl.id > 0 && c.tmpl.id != kActivated) d.Enable(c.tmpl.id, activated);
    d.ResetContent(kWaveList);
    for (int32_t w = 1; w <= host->GetWaveCount(); ++w) d.AddString(kWaveList, WithoutFolder(host->GetWaveName(static_cast<uint32_t>(w))));
    d.SetCurrent(kWaveList, currentWave);
    d.Check(kAdd, mode == SoundMode::Add || mode == SoundMode::NewInner || mode == SoundMode::NewOuter);
    d.Check(kTest, testing);
    const bool chosen = activated && selected >= 0 && static_cast<size_t>(selected) < emitters.size();
    const SoundEmitter e = chosen ? emitters[static_cast<size_t>(selected)] : SoundEmitter{};
    const float floats[9] = {e.volume, e.position[0], e.position[1], e.position[2], e.innerRadius, e.outerRadius,
                             e.wait, e.waitFrom, e.waitTo};
    for (int i = 0; i < 9; ++i)
        if (!d.HasFocus(kFloatFields[i])) d.SetText(kFloatFields[i], chosen ? shared::FormatC("%3.3f", floats[i]) : "");
    const int32_t ints[3] = {e.frequency, e.frequencyFrom, e.frequencyTo};
    for (int i = 0; i < 3; ++i)
        if (!d.HasFocus(kIntFields[i])) d.SetText(kIntFields[i], chosen ? shared::FormatC("%d", ints[i]) : "");
    d.SetText(kWaveName, chosen && e.wave >= 0 ? WithoutFolder(host->GetWaveName(static_cast<uint32_t>(e.wave) + 1)) : "None");
    d.CheckRadio(kLoop, kRandom, kLoop + std::clamp(e.playMode, 0, 2));
    d.CheckRadio(kConst, kRandPitch, kConst + std::clamp(e.pitchMode, 0, 1));
    for (int id : {kDelete, kSetWave, kVolume, kX, kY, kZ, kR1, kR2, kLoop, kOnce, kRandom, kConst, kRandPitch, kFrequency,
                   kFrequencyFrom, kFrequencyTo, kWait, kWaitFrom, kWaitTo})
        d.Enable(id, chosen);
    d.Enable(kWait, chosen && e.playMode == 1);
    d.Enable(kWaitFrom, chosen && e.playMode == 2);
    d.Enable(kWaitTo, chosen && e.playMode == 2);
    filling_ = false;
}

void SoundPlugin::OnFieldTyped(plat::Dialog& d, int id) {
    if (selected < 0 || static_cast<size_t>(selected) >= emitters.size()) return;
    SoundEmitter& e = emitters[static_cast<size_t>(selected)];
    bool ok = false;
    if (std::find(std::begin(kIntFields), std::end(kIntFields), id) != std::end(kIntFields)) {
        const long v = d.Int(id, &ok);
        if (!ok) return;
        const int32_t value = static_cast<int32_t>(std::clamp<long>(v, 0, INT32_MAX));
        (id == kFrequency ? e.frequency : id == kFrequencyFrom ? e.frequencyFrom : e.frequencyTo) = value;
        return;
    }
    const float value = static_cast<float>(d.Float(id, &ok));
    if (!ok) return;
    switch (id) {
        case kVolume: {
            e.volume = std::clamp(value, 0.0f, 1.0f);
            if (e.volume != value) {
                filling_ = true;
                d.SetText(kVolume, shared::FormatC("%3.3f", e.volume));
                filling_ = false;
            }
            return;
        }
        case kX: e.position[0] = value; break;
        case kY: e.position[1] = value; break;
        case kZ: e.position[2] = value; break;
        case kR1: e.innerRadius = std::max(value, 0.0f); break;
        case kR2: e.outerRadius = std::max(value, 0.0f); break;
        case kWait: e.wait = std::max(value, 0.0f); return;
        case kWaitFrom: e.waitFrom = std::max(value, 0.0f); return;
        case kWaitTo: e.waitTo = std::max(value, 0.0f); return;
        default: return;
    }
    Redraw();
}

void SoundPlugin::OnPanelCommand(plat::Dialog& d, int id, uint16_t code) {
    const bool chosen = selected >= 0 && static_cast<size_t>(selected) < emitters.size();
    if (code == plat::EN_CHANGE) {
        if (d.HasFocus(id)) OnFieldTyped(d, id);
        return;
    }
    switch (id) {
        case kActivated:
            activated = d.IsChecked(kActivated);
            StopAudition();
            testing = false;
            mode = SoundMode::Select;
            break;
        case kWaveList:
            if (code != plat::CBN_SELCHANGE) return;
            currentWave = d.Current(kWaveList);
            return;
        case kAddWave: {
            uint32_t index = 0;
            host->LoadWaveDialog(&index);
            break;
        }
        case kReplaceWave:
            if (currentWave >= 0) host->ReplaceWaveDialog(static_cast<uint32_t>(currentWave) + 1);
            break;
        case kDeleteWave: DeleteCurrentWave(); break;
        case kAdd: mode = d.IsChecked(kAdd) ? SoundMode::Add : SoundMode::Select; return;
        case kDelete:
            if (!chosen) return;
            StopAudition();
            emitters.erase(emitters.begin() + selected);
            --selected;
            break;
        case kSetWave:
            if (chosen) emitters[static_cast<size_t>(selected)].wave = currentWave;
            break;
        case kLoop: case kOnce: case kRandom:
            if (chosen) emitters[static_cast<size_t>(selected)].playMode = id - kLoop;
            break;
        case kConst: case kRandPitch:
            if (chosen) emitters[static_cast<size_t>(selected)].pitchMode = id - kConst;
            break;
        case kTest:
            testing = d.IsChecked(kTest);
            Audition();
            return;
        default: return;
    }
    RefreshPanel(d);
    Redraw();
}

}  // namespace qv
