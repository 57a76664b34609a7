#include "game/world/soundmap/SoundMap.h"

#include <cmath>

#include "game/core/audio/AudioSystem.h"
#include "game/core/audio/WaveLoad.h"
#include "platform/bytes/ByteIO.h"
#include "platform/sys/CrtRand.h"
#include "platform/sys/Fpu.h"

namespace kes {

namespace {

struct SoundMapState {
    std::vector<SoundEmitter> emitters;
    uint32_t elapsedMs = 0;
} g_map;

AudioSystem* Audio() {
    AudioSystem* a = TheAudioSystem();
    return a && a->IsOpen() ? a : nullptr;
}

float Random01() { return static_cast<float>(plat::CrtRand()) / 32767.0f; }

// Reads the "WAVE" list into voices, in list order (null for a record that cannot be played).
bool ReadWaves(ChunkStream& s, AudioSystem* audio, std::vector<SoundVoice*>* voices) {
    s.U32();
    const uint32_t size = s.U32();
    if (!s.Ok() || size < 4 || size > s.Remaining()) return false;
    std::vector<uint8_t> list(size);
    if (!s.Bytes(list.data(), size)) return false;
    const uint32_t count = plat::LoadU32(list.data());
    size_t at = 4;
    if (count > (size - 4) / qv::kWaveRecordHeadBytes) return false;
    for (uint32_t i = 0; i < count; ++i) {
        WaveData wave;
        size_t used = 0;
        if (DecodeWaveRecord(list.data() + at, list.size() - at, &wave, &used) != 0 || used == 0) return false;
        at += used;
        voices->push_back(audio->MakeVoice(wave, 0));
    }
    return true;
}

SoundEmitter ReadEmitter(const uint8_t* b) {
    SoundEmitter e;
    e.position = {plat::LoadF32(b), plat::LoadF32(b + 4), plat::LoadF32(b + 8)};
    e.minDistance = plat::LoadF32(b + 12);
    e.maxDistance = plat::LoadF32(b + 16);
    e.wave = plat::LoadU32(b + 20);
    e.volume = plat::LoadF32(b + 24);
    e.playMode = plat::LoadU32(b + 28);
    e.fixedPause = plat::LoadF32(b + 32);
    e.shortestPause = plat::LoadF32(b + 36);
    e.longestPause = plat::LoadF32(b + 40);
    e.frequencyMode = plat::LoadU32(b + 44);
    e.fixedFrequency = plat::LoadU32(b + 48);
    e.lowestFrequency = plat::LoadU32(b + 52);
    e.highestFrequency = plat::LoadU32(b + 56);
    return e;
}

void StartPlay(SoundEmitter& e, uint32_t loop) {
    const uint32_t hz = ChooseEmitterFrequency(e);
    e.voice->SetFrequency(hz);
    e.playTime = e.waveLength / static_cast<float>(hz) * 1000.0f;
    e.voice->Play(loop);
}

// Seconds to whole milliseconds; nonsense (negative, not a number, beyond a day) waits no time.
float PauseMs(float seconds) {
    if (!(seconds > 0.0f) || seconds > 86400.0f) return 0.0f;
    return static_cast<float>(plat::FloatToInt(seconds * 1000.0f));
}

void Step(SoundEmitter& e, float elapsed) {
    if (e.playTime > 0.0f) {
        e.playTime -= elapsed;
        if (e.playTime <= 0.0f) {
            const float remainder = e.playTime;
            e.playTime = 0.0f;
            float wait = 0.0f;
            if (e.playMode == kEmitterFixedPause) {
                wait = PauseMs(e.fixedPause);
            } else {
                const float spread = e.longestPause - e.shortestPause;
                wait = PauseMs(static_cast<float>(plat::FloatToInt(spread * Random01())) + e.shortestPause);
            }
            e.pause = wait + remainder;
        }
        return;
    }
    e.pause -= elapsed;
    if (e.pause > 0.0f) return;
    if (e.playMode == kEmitterRandomPause) {
        e.voice->Stop();
        e.voice->SetPlayPosition(0);
    }
    StartPlay(e, 0);
}

}  // namespace

int32_t EmitterVolume(float volume) { return plat::FloatToInt((1.0f - volume) * -10000.0f); }

uint32_t ChooseEmitterFrequency(const SoundEmitter& e) {
    int64_t hz = 22050;
    if (e.frequencyMode == kFrequencyFixed) {
        hz = e.fixedFrequency;
    } else if (e.frequencyMode == kFrequencyRandom) {
        const int64_t low = e.lowestFrequency, high = e.highestFrequency;
        hz = low + plat::FloatToInt(static_cast<float>(high - low) * Random01());
    }
    // The editor writes any number here; 0 meant "the wave's own rate" to the original sound layer.
    if (hz <= 0 || hz > 0x7FFFFFFF) {
        hz = e.voice ? e.voice->Format().samplesPerSec : 22050;
        if (hz <= 0) hz = 22050;
    }
    return static_cast<uint32_t>(hz);
}

int32_t SoundEmittersLoad(ChunkStream& s, uint32_t) {
    AudioSystem* audio = Audio();
    if (!audio) return 0;
    SoundEmittersFree();
    s.U32();  // version
    std::vector<SoundVoice*> waves;
    bool ok = ReadWaves(s, audio, &waves);
    const uint32_t count = ok ? s.U32() : 0;
    ok = ok && s.Ok() && count <= s.Remaining() / kSoundEmitterBytes;
    if (ok) {
        std::vector<uint8_t> bytes(static_cast<size_t>(count) * kSoundEmitterBytes);
        ok = count == 0 || s.Bytes(bytes.data(), bytes.size());
        for (uint32_t i = 0; ok && i < count; ++i) {
            SoundEmitter e = ReadEmitter(bytes.data() + static_cast<size_t>(i) * kSoundEmitterBytes);
            // The editor writes -1 for "no wave": such a source (and one past the list, or one at no
            // real point) stays silent.
            const bool placed = std::isfinite(e.position.x) && std::isfinite(e.position.y) &&
                                std::isfinite(e.position.z) && std::isfinite(e.minDistance) &&
                                std::isfinite(e.maxDistance);
            if (placed && e.wave < waves.size() && waves[e.wave]) e.voice = waves[e.wave]->Duplicate(0);
            if (e.voice) {
                e.waveLength = static_cast<float>(e.voice->Frames());
                e.voice->SetVoicePriority(128);
                e.voice->SetPosition(&e.position);
                e.voice->SetVolume(EmitterVolume(e.volume));
                e.voice->SetDistances(e.minDistance, e.maxDistance);
                if (e.playMode == kEmitterLoop) StartPlay(e, 1);
            }
            g_map.emitters.push_back(e);
        }
    }
    for (SoundVoice* v : waves) delete v;
    if (!ok) {
        SoundEmittersFree();
        return -1;
    }
    return 0;
}

void SoundEmittersTick(uint32_t elapsedMs) {
    if (Audio() && !g_map.emitters.empty()) g_map.elapsedMs = elapsedMs;
}

void SoundEmittersUpdate(const WorldView& view, RenderInterface*) {
    if (!Audio()) return;
    const float elapsed = static_cast<float>(g_map.elapsedMs);
    for (SoundEmitter& e : g_map.emitters) {
        if (!e.voice) continue;
        const float dx = e.position.x - view.eye.x, dy = e.position.y - view.eye.y, dz = e.position.z - view.eye.z;
        if (!(dx * dx + dy * dy + dz * dz < e.maxDistance * e.maxDistance)) continue;
        if (e.playMode == kEmitterLoop) e.voice->Play(1);
        else Step(e, elapsed);
    }
}

void SoundEmittersFree() {
    for (SoundEmitter& e : g_map.emitters) {
        if (!e.voice) continue;
        e.voice->Stop();
        delete e.voice;
    }
    g_map.emitters.clear();
    g_map.elapsedMs = 0;
}

const std::vector<SoundEmitter>& SoundEmitters() { return g_map.emitters; }

}  // namespace kes
