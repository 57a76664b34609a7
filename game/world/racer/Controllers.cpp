// The six controllers: each runs once per scheduler step as its racer's scene-object update.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "game/core/input/Input.h"
#include "game/world/racer/BikeState.h"
#include "game/world/racer/ControlMapping.h"
#include "game/world/racer/Racer.h"
#include "game/world/racer/RacerTrack.h"
#include "platform/sys/Fpu.h"

namespace kes {

namespace {

RacerRecord* Racer(void* user) {
    RacerRecord* r = static_cast<RacerRecord*>(user);
    return (r && r->bike) ? r : nullptr;
}

void CountMessageTimer(BikeBody& bike, uint32_t ms) {
    uint32_t& t = bike.trickMessage.timerMs;
    t -= ms;
    if (t > 10000) t = 0;  // wrapped below zero
}

void AdvanceRiderClock(SectorObject* object, uint32_t ms, RacerRecord* racer) {
    if (RacerHooks().advanceRiderClock) RacerHooks().advanceRiderClock(object, ms, racer);
    if (racer->timedAnimation) racer->timedAnimation->Advance(static_cast<float>(ms));
}

// Runs the steps of a frame with the snapshots around the last one; perStep runs before each.
template <class PerStep>
void RunSteps(RacerRecord* racer, uint32_t steps, PerStep perStep) {
    BikeBody& bike = *racer->bike;
    for (uint32_t i = 0; i < steps; ++i) {
        const bool last = i + 1 == steps;
        perStep(i, last);
        if (last) TakeBikeSnapshot(bike, &racer->previous);
        if (RacerHooks().beforeBikeStep) RacerHooks().beforeBikeStep(racer);
        bike.Step();
        if (last) TakeBikeSnapshot(bike, &racer->current);
    }
}

void FinishFrame(SectorObject* object, uint32_t ms, RacerRecord* racer) {
    InterpolateRacer(racer);
    UpdateRacerSpheres(racer);
    UpdateCrash(racer);
    racer->progress = racer->bike->progress + static_cast<float>(racer->bike->currentGate);
    AdvanceRiderClock(object, ms, racer);
}

bool ResetsToStart() { return RaceContext().gameMode == 2 || RaceContext().worldType == 2; }

void Recalibrate(const int32_t axes[3]) {
    for (int a = 0; a < 3; ++a) ControlMapping().analogRest[a] = axes[a] / 1000.0f;
}

void LocalFallHandling(RacerRecord* racer, uint32_t ms, const int32_t axes[3]) {
    BikeBody& bike = *racer->bike;
    const int32_t mode = RaceContext().gameMode;
    if (mode == 1 || mode == 2) {
        if (bike.riding) {
            racer->fallTimer = 0;
            return;
        }
        racer->fallTimer += ms;
        if (racer->fallTimer > kFallResetMs) {
            Recalibrate(axes);
            ResetFallenRacer(racer, ResetsToStart());
        }
        return;
    }
    if (!racer->input) return;
    uint32_t* words = racer->input->words;
    if (words[kActionToStart]) {
        words[kActionToStart] = 0;
        Recalibrate(axes);
        ResetFallenRacer(racer, true);
    } else if (words[kActionToTrack]) {
        words[kActionToTrack] = 0;
        Recalibrate(axes);
        ResetFallenRacer(racer, RaceContext().worldType == 2);
    }
}

void WrapWithCamera(RacerRecord* racer) {
    const Vec3 shift = WrapRacer(racer);
    if ((shift.x != 0.0f || shift.y != 0.0f) && RacerHooks().wrapShift) RacerHooks().wrapShift(racer, shift.x, shift.y);
}

void SendState(RacerRecord* racer) {
    const RacerHookTable& h = RacerHooks();
    if (!h.netMode || h.netMode() == 0 || !h.netTickDue || !h.netTickDue() || !h.netSend) return;
    NetPackBikeState(*racer->bike, racer->crashed[0] ? racer->riderBody : nullptr, racer->netBlock);
    WriteBlockFloat(racer->netBlock + kNetBlockStamp, static_cast<float>(racer->laps) * 1000.0f + racer->progress);
    h.netSend(racer->netPlayer, racer->netBlock, kNetBlockSize);
}

}  // namespace

void ControlLocalRacer(SectorObject* object, uint32_t ms, void* user) {
    RacerRecord* racer = Racer(user);
    if (!racer) return;
    BikeBody& bike = *racer->bike;
    ControlMappingState& cm = ControlMapping();
    CountMessageTimer(bike, ms);
    int32_t axes[3] = {0, 0, 0};
    uint32_t pov[4];
    int32_t z = 0;
    InputGetJoystickState(&axes[0], &axes[1], &axes[2], pov, &z);
    LocalFallHandling(racer, ms, axes);
    ResnapRacer(racer, true);
    const uint32_t steps = AccumulateSteps(racer, ms);
    if (steps > 0) WrapWithCamera(racer);
    static const PlayerInput kNoInput;
    const PlayerInput& in = racer->input ? *racer->input : kNoInput;
    UpdateDigitalLatch(in, axes);
    const int32_t device = RaceContext().controlDevice;
    const bool digital = device == 0 || device == 1 || cm.latch;
    cm.comboFinished = 0;
    RunSteps(racer, steps, [&](uint32_t, bool last) {
        const uint32_t buttons = digital ? DigitalControls(bike, in, device, axes, RaceContext().racePhase)
                                         : AnalogControls(bike, in, axes, RaceContext().racePhase);
        HandleTrickButtons(bike, in, buttons);
        if (!digital && in.feedback) UpdateForceFeedback(bike, *in.feedback, ms);
        if (last) PackBikeControls(bike, false, racer->netBlock + kNetBlockControls);
        if (RacerHooks().replayRecord) RacerHooks().replayRecord(racer);
        if (bike.trickAnim != 0 && RaceContext().hudToggle) *RaceContext().hudToggle = 0;
    });
    if (bike.controls[kControlGiveUp]) bike.riding = 0;
    if (cm.comboFinished) cm.comboCountdown = 0;
    FinishFrame(object, ms, racer);
    SendState(racer);
    if (RacerHooks().replayPlaying && RacerHooks().replayPlaying()) {
        racer->savedParams = bike.params;
        racer->savedRiderSkin = racer->riderSkin;
        racer->savedBikeSkin = racer->bikeModel.bikeSkin;
        bike.controlClass = kClassReplay;
        object->update = ControlReplayRacer;
    }
}

void ControlComputerRacer(SectorObject* object, uint32_t ms, void* user) {
    RacerRecord* racer = Racer(user);
    if (!racer) return;
    BikeBody& bike = *racer->bike;
    if (bike.riding) {
        racer->fallTimer = 0;
    } else {
        racer->fallTimer += ms;
        if (racer->fallTimer > kFallResetMs) ResetFallenRacer(racer, RaceContext().gameMode == 2);
    }
    ResnapRacer(racer, false);
    const uint32_t steps = AccumulateSteps(racer, ms);
    RunSteps(racer, steps, [](uint32_t, bool) {});
    FinishFrame(object, ms, racer);
    WrapRacer(racer);
}

// The remote racer's intake of a fresh state: the lag it brings (never negative, at most half a
// tick), the state itself and the laps and gate of its stamp.
uint32_t TakeRemoteState(RacerRecord* racer) {
    const RacerHookTable& h = RacerHooks();
    if (!h.netTake) return 0;
    const uint32_t stamp = h.netTake(racer->netPlayer, racer->netBlock, kNetBlockSize);
    if (stamp == 0) return 0;
    const int32_t clock = h.netClock ? static_cast<int32_t>(h.netClock()) : 0;
    int32_t lag = clock - static_cast<int32_t>(stamp);
    if (lag < 0) {
        if (h.netAdvanceClock) h.netAdvanceClock(static_cast<uint32_t>(-lag));
        lag = 0;
    }
    const int32_t half = h.netTickPeriod ? static_cast<int32_t>(h.netTickPeriod() / 2) : 0;
    if (lag > half) lag = half;
    if (!NetUnpackBikeState(*racer->bike, racer->netBlock, &racer->receivedRiding)) {
        // A damaged state is dropped whole: the crashed rider must not take its fields either.
        std::memset(racer->netBlock + kNetRiderPosition, 0, kNetRiderVelocity + 12 - kNetRiderPosition);
    }
    float rest = ReadBlockFloat(racer->netBlock + kNetBlockStamp);
    if (!std::isfinite(rest) || rest < 0.0f || rest > 1.0e7f) rest = 0.0f;
    const uint32_t laps = static_cast<uint32_t>(plat::FloatToInt(rest * 0.001f));
    rest -= static_cast<float>(laps) * 1000.0f;
    // States travel unguaranteed and the lap messages guaranteed: a state sent before a lap that
    // arrives after the lap's message must not take the lap back.
    racer->laps = std::max(racer->laps, laps);
    int32_t gate = plat::FloatToInt(rest) & 0xFFFF;
    if (gate >= RacerGateCount()) gate = 0;
    racer->bike->currentGate = gate;
    return static_cast<uint32_t>(lag);
}

void ControlRemoteRacer(SectorObject* object, uint32_t ms, void* user) {
    RacerRecord* racer = Racer(user);
    if (!racer) return;
    BikeBody& bike = *racer->bike;
    ResnapRacer(racer, false);
    const uint32_t lag = TakeRemoteState(racer);
    const uint32_t steps = AccumulateSteps(racer, ms + lag);
    RunSteps(racer, steps, [&](uint32_t, bool) { UnpackBikeControls(bike, racer->netBlock + kNetBlockControls); });
    bike.riding = racer->receivedRiding;
    FinishFrame(object, ms, racer);
    WrapRacer(racer);
}

void ControlReplayRacer(SectorObject* object, uint32_t ms, void* user) {
    RacerRecord* racer = Racer(user);
    if (!racer) return;
    BikeBody& bike = *racer->bike;
    CountMessageTimer(bike, ms);
    ResnapRacer(racer, true);
    const uint32_t steps = AccumulateSteps(racer, ms);
    RunSteps(racer, steps, [&](uint32_t, bool) {
        if (RacerHooks().replayPlay) RacerHooks().replayPlay(racer);
    });
    bike.riding = racer->receivedRiding;
    FinishFrame(object, ms, racer);
    if (!(RacerHooks().replayPlaying && RacerHooks().replayPlaying()) && racer->kind == kRacerLocal) {
        bike.params = racer->savedParams;
        racer->riderSkin = racer->savedRiderSkin;
        racer->bikeModel.bikeSkin = racer->savedBikeSkin;
        bike.controlClass = kClassLocal;
        object->update = ControlLocalRacer;
    }
    WrapRacer(racer);
}

void ControlMenuRacer(SectorObject* object, uint32_t ms, void* user) {
    RacerRecord* racer = Racer(user);
    if (!racer) return;
    BikeBody& bike = *racer->bike;
    if (!bike.riding) {
        RemoveCrashedRider(racer);
        bike.currentGate = racer->startGate;
        bike.Reset(racer->startPos, racer->startHeading, bike.params);
        racer->fallTimer = 0;
    }
    if (RaceContext().menuResnap) {
        RaceContext().menuResnap = 0;
        bike.resnap = 1;
    }
    ResnapRacer(racer, false);
    const uint32_t steps = AccumulateSteps(racer, ms);
    RunSteps(racer, steps, [](uint32_t, bool) {});
    InterpolateRacer(racer);
    Vec3 mean = {0, 0, 0};
    for (const Vec3& p : racer->drawn.positions) mean = {mean.x + p.x * 0.25f, mean.y + p.y * 0.25f, mean.z + p.z * 0.25f};
    for (Vec3& p : racer->drawn.positions) p = {p.x - mean.x, p.y - mean.y, p.z - mean.z};
    ComputeBikeFrame(racer);
    AdvanceRiderClock(object, ms, racer);
}

}  // namespace kes
