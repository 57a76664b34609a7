// The sound manager: devices, voices and the per-frame pass.
#include "game/core/audio/AudioSystem.h"

#include <cmath>
#include <cstdlib>

#include "game/core/config/Config.h"
#include "game/core/datapack/DataPack.h"
#include "game/core/pack/PackFile.h"
#include "platform/audio/AudioGains.h"
#include "platform/audio/AudioOutput.h"
#include "platform/audio/AudioSource.h"

namespace kes {
namespace {

AudioSystem* g_audio = nullptr;

constexpr int kSilentList = 0;
constexpr int kAudibleList = 1;
constexpr int32_t kSilentKey = -5000;
constexpr size_t kMaxAudible = 12;

// A stable identifier for a named device, so that the settings find it again next time.
Guid GuidFromName(const std::string& name) {
    Guid g{};
    uint64_t h1 = 0xcbf29ce484222325ull, h2 = 0x84222325cbf29ce4ull;
    for (unsigned char c : name) {
        h1 = (h1 ^ c) * 0x100000001b3ull;
        h2 = (h2 ^ c) * 0x100000001b3ull + 1;
    }
    for (int i = 0; i < 8; ++i) {
        g[static_cast<size_t>(i)] = static_cast<uint8_t>(h1 >> (8 * i));
        g[static_cast<size_t>(8 + i)] = static_cast<uint8_t>(h2 >> (8 * i));
    }
    return g;
}

bool ValidFormatCode(uint32_t code) {
    const uint32_t rate = code & 0xF000, channels = code & 0x000F, bits = code & 0x00F0;
    return (code & ~0xF0FFu) == 0 && rate >= 0x1000 && rate <= 0x4000 && (channels == 1 || channels == 2) &&
           (bits == 0x10 || bits == 0x20);
}

}  // namespace

AudioSystem* TheAudioSystem() { return g_audio; }
void SetTheAudioSystem(AudioSystem* audio) { g_audio = audio; }

std::vector<SoundDeviceEntry> EnumerateSoundDevices() {
    std::vector<SoundDeviceEntry> devices;
    const std::vector<std::string> names = plat::ListAudioDevices();
    if (names.empty()) return devices;
    // The first entry is the system's default device, without an identifier of its own; then every
    // device by name.
    SoundDeviceEntry def;
    def.description = "Primary Sound Driver";
    devices.push_back(def);
    for (const std::string& name : names) {
        SoundDeviceEntry e;
        e.hasGuid = true;
        e.guid = GuidFromName(name);
        e.description = name.substr(0, 63);
        e.outputName = name;
        devices.push_back(e);
    }
    return devices;
}

SoundSampleBlock::~SoundSampleBlock() { plat::FreeAudioBuffer(buffer); }

// ---- AudioSystem

AudioSystem::AudioSystem() : devices_(EnumerateSoundDevices()) {
    listener_.m[0] = listener_.m[5] = listener_.m[10] = listener_.m[15] = 1.0f;
}

AudioSystem::~AudioSystem() {
    while (all_) delete all_;
    Close();
}

int32_t AudioSystem::Open(const Guid* device, uint32_t hardware3D, uint32_t formatCode) {
    if (!ValidFormatCode(formatCode)) return kAudioInvalidParam;
    const bool wantDefault = !device || *device == Guid{};
    const SoundDeviceEntry* entry = nullptr;
    for (const SoundDeviceEntry& e : devices_) {
        if (wantDefault ? !e.hasGuid : (e.hasGuid && e.guid == *device)) {
            entry = &e;
            break;
        }
    }
    if (!entry) return kAudioInvalidParam;
    output_.reset();
    output_ = plat::AudioOutput::Open(entry->outputName);
    if (!output_) return kAudioNoDriver;
    primaryFormat_ = formatCode;
    hardware3D_ = hardware3D ? 1 : 0;
    return 0;
}

void AudioSystem::Close() {
    for (SoundVoice* v = all_; v; v = v->allNext_) v->ReleaseSource();
    output_.reset();
    devices_.clear();
}

int32_t AudioSystem::SetHardware3D(uint32_t on) {
    on = on ? 1 : 0;
    if (on == hardware3D_) return -1;
    for (SoundVoice* v = all_; v; v = v->allNext_) {
        v->ReleaseSource();
        v->playing_ = v->loop_;
    }
    hardware3D_ = on;
    return 0;
}

void AudioSystem::LinkAll(SoundVoice* v) {
    v->allNext_ = all_;
    if (all_) all_->allPrev_ = v;
    all_ = v;
    v->stateList_ = kSilentList;
    v->stateNext_ = lists_[kSilentList];
    if (lists_[kSilentList]) lists_[kSilentList]->statePrev_ = v;
    lists_[kSilentList] = v;
}

void AudioSystem::Unlink(SoundVoice* v) {
    if (v->statePrev_) v->statePrev_->stateNext_ = v->stateNext_;
    else lists_[v->stateList_] = v->stateNext_;
    if (v->stateNext_) v->stateNext_->statePrev_ = v->statePrev_;
    v->stateNext_ = v->statePrev_ = nullptr;
}

void AudioSystem::UnlinkAll(SoundVoice* v) {
    Unlink(v);
    if (v->allPrev_) v->allPrev_->allNext_ = v->allNext_;
    else all_ = v->allNext_;
    if (v->allNext_) v->allNext_->allPrev_ = v->allPrev_;
    v->allNext_ = v->allPrev_ = nullptr;
}

void AudioSystem::MoveTo(SoundVoice* v, int list) {
    Unlink(v);
    v->stateList_ = list;
    v->stateNext_ = lists_[list];
    if (lists_[list]) lists_[list]->statePrev_ = v;
    lists_[list] = v;
}

void AudioSystem::Evict(SoundVoice* v) {
    // The output source goes back to the device: only voices that are heard hold one.
    v->ReleaseSource();
    // A looping voice is started again when it is among the loudest once more; a single shot that
    // lost its place is over.
    v->evicted_ = v->loop_ ? 1 : 0;
    v->playing_ = v->loop_;
}

// Volume, pan and audibility of one voice for this frame.
void AudioSystem::Hear(SoundVoice* v) {
    v->playRequest_ = 0;
    const float* m = listener_.m;
    const float dx = v->position_.x - m[12], dy = v->position_.y - m[13], dz = v->position_.z - m[14];
    const float d2 = dx * dx + dy * dy + dz * dz;
    const float len = std::sqrt(d2);
    if (hardware3D_) {
        if (v->source_) v->source_->SetPosition(v->position_.x, v->position_.y, v->position_.z);
    } else {
        // A voice exactly at the listener has no direction: it is heard in the middle.
        float side = len > 0.0f ? (dx * m[0] + dy * m[1] + dz * m[2]) / len : 0.0f;
        if (g_Config.swapStereo) side = -side;
        v->pan_ = static_cast<int32_t>(side * 10000.0f);
        if (v->source_) v->source_->SetPan(v->pan_);
    }
    const float min2 = v->minDistance_ * v->minDistance_, max2 = v->maxDistance_ * v->maxDistance_;
    // A voice placed at no real point (not a number) is out of hearing too.
    if (!(d2 < max2) || v->volume_ < -5000) {
        v->key_ = kSilentKey;
        // A looping voice asked to play while out of hearing waits to come into range.
        if (v->loop_ && !v->playing_) v->evicted_ = 1;
        return;
    }
    float f = 1.0f + static_cast<float>(v->volume_) * 0.0001f;
    if (d2 > min2) f = 1.0f - (d2 - min2) / (max2 - min2);
    v->bufferVolume_ = static_cast<int32_t>((1.0f - f) * -3000.0f);
    v->key_ = v->bufferVolume_ + 20 * static_cast<int32_t>(v->priority_);
    v->ApplyGain();
    MoveTo(v, kAudibleList);
}

void AudioSystem::Update() {
    for (SoundVoice* v = all_; v; v = v->allNext_) {
        if (v->stopRequest_ > 0) {
            v->ReleaseSource();
            v->playRequest_ = 0;
            v->stopRequest_ = 0;
            v->playing_ = 0;
            v->loop_ = 0;
            v->evicted_ = 0;  // a stopped voice stays stopped
            MoveTo(v, kSilentList);
            continue;
        }
        if (v->stopRequest_ < 0) {
            ++v->stopRequest_;
            continue;
        }
        if (v->playing_ && !v->IsPlaying(1)) {
            MoveTo(v, kSilentList);
            v->ReleaseSource();
        }
        if (v->playRequest_ || v->playing_ || v->evicted_) Hear(v);
    }

    const size_t limit = AudibleLimit();
    SoundVoice* heard[kMaxAudible];
    size_t n = 0;
    for (SoundVoice* v = lists_[kAudibleList]; v; v = v->stateNext_) {
        if (v->key_ <= kSilentKey || (n == limit && v->key_ < heard[n - 1]->key_)) {
            Evict(v);
            continue;
        }
        if (n == 0 || (n < limit && v->key_ < heard[n - 1]->key_)) {
            heard[n++] = v;
            continue;
        }
        size_t at = n - 1;
        for (size_t j = 0; j + 1 < n; ++j) {
            if (heard[j]->key_ < v->key_) {
                at = j;
                break;
            }
        }
        if (n == limit) {
            Evict(heard[n - 1]);
            --n;
            if (at > n) at = n;
        }
        for (size_t j = n; j > at; --j) heard[j] = heard[j - 1];
        heard[at] = v;
        ++n;
    }
    for (size_t i = 0; i < n; ++i) {
        SoundVoice* v = heard[i];
        // A voice gets an output source only when it is among those heard: the banks hold far
        // more voices than the device has sources. None left: it stays silent this frame.
        if (!v->source_ && !v->MakeSource()) continue;
        if (!v->playing_) v->StartSource();
        v->evicted_ = 0;
        v->playing_ = 1;
    }
    if (hardware3D_ && output_) {
        const float* m = listener_.m;
        const float front[3] = {m[4], m[5], m[6]};
        const float top[3] = {-m[8], -m[9], -m[10]};
        output_->SetListener(&m[12], front, top);
    }
}

SoundVoice* AudioSystem::MakeVoice(const WaveData& wave, uint32_t priority) {
    if (!output_) return nullptr;
    auto block = std::make_shared<SoundSampleBlock>();
    block->bytes = wave.samples;
    block->buffer = plat::MakeAudioBuffer(block->bytes.data(), block->bytes.size(), wave.format.channels,
                                          wave.format.bitsPerSample, static_cast<int>(wave.format.samplesPerSec));
    if (!block->buffer) return nullptr;
    SoundVoice* v = new SoundVoice(this, priority);
    v->format_ = wave.format;
    v->bytesPerFrame_ = static_cast<uint32_t>(wave.format.bitsPerSample / 8 * wave.format.channels);
    v->frames_ = v->bytesPerFrame_ ? static_cast<uint32_t>(block->bytes.size() / v->bytesPerFrame_) : 0;
    v->samples_ = std::move(block);
    v->name_ = wave.name.substr(0, 63);
    v->counted_ = true;
    ++voiceCount_;
    v->SetFrequency(22050);
    return v;
}

SoundVoice* AudioSystem::LoadSoundFile(const char* path, uint32_t priority) {
    if (!output_ || !path) return nullptr;
    WaveData wave;
    if (DecodeWaveFile(path, &wave) != 0) return nullptr;
    wave.name = path;
    return MakeVoice(wave, priority);
}

SoundVoice* AudioSystem::LoadSoundFromPack(const char* name, uint32_t priority) {
    if (!output_ || !name) return nullptr;
    uint32_t size = 0;
    void* bytes = LoadFile(name, nullptr, &size);
    if (!bytes) return nullptr;
    WaveData wave;
    const int32_t r = DecodeWave(static_cast<const uint8_t*>(bytes), size, &wave);
    std::free(bytes);
    if (r != 0) return nullptr;
    wave.name = name;
    return MakeVoice(wave, priority);
}

SoundVoice* AudioSystem::LoadSoundFromStream(PackFile& stream, uint32_t available, uint32_t priority) {
    if (!output_ || available < qv::kWaveRecordHeadBytes) return nullptr;
    std::vector<uint8_t> head(qv::kWaveRecordHeadBytes);
    if (stream.Read(head.data(), static_cast<uint32_t>(head.size())) != 0) return nullptr;
    const uint32_t bytes = static_cast<uint32_t>(head[72] | (head[73] << 8) | (head[74] << 16)) |
                           (static_cast<uint32_t>(head[75]) << 24);
    if (bytes > available - head.size()) return nullptr;
    head.resize(head.size() + bytes);
    if (bytes && stream.Read(head.data() + qv::kWaveRecordHeadBytes, bytes) != 0) return nullptr;
    WaveData wave;
    if (DecodeWaveRecord(head.data(), head.size(), &wave, nullptr) != 0) return nullptr;
    return MakeVoice(wave, priority);
}

// ---- SoundVoice

SoundVoice::SoundVoice(AudioSystem* owner, uint32_t priority) : owner_(owner), priority_(priority) {
    owner_->LinkAll(this);
}

SoundVoice::~SoundVoice() {
    ReleaseSource();
    owner_->UnlinkAll(this);
    if (counted_) --owner_->voiceCount_;
}

bool SoundVoice::MakeSource() {
    if (!samples_ || !owner_->output_) return false;
    auto source = std::make_unique<plat::AudioSource>();
    if (!source->Valid()) return false;
    source->SetBuffer(samples_->buffer);
    source->SetPitch(format_.samplesPerSec ? static_cast<float>(frequency_) / static_cast<float>(format_.samplesPerSec)
                                           : 1.0f);
    if (owner_->hardware3D_) source->SetPosition(position_.x, position_.y, position_.z);
    else source->SetPan(pan_);
    source_ = std::move(source);
    ApplyGain();
    return true;
}

void SoundVoice::ReleaseSource() {
    source_.reset();
}

void SoundVoice::StartSource() {
    if (!source_) return;
    if (startFrame_) source_->SetOffsetFrames(startFrame_);
    startFrame_ = 0;
    source_->Play(loop_ != 0);
}

void SoundVoice::StopSource() {
    if (source_) source_->Stop();
}

void SoundVoice::ApplyGain() {
    if (source_) source_->SetGain(plat::MillibelsToGain(bufferVolume_) * plat::EffectsGain());
}

void SoundVoice::Play(uint32_t loop) {
    stopRequest_ = 0;
    loop_ = loop;
    playRequest_ = 1;
}

void SoundVoice::Stop() {
    stopRequest_ = 1;
    playRequest_ = 0;
}

void SoundVoice::SetFrequency(uint32_t hertz) {
    frequency_ = hertz;
    if (source_ && format_.samplesPerSec)
        source_->SetPitch(static_cast<float>(hertz) / static_cast<float>(format_.samplesPerSec));
}

void SoundVoice::SetPlayPosition(uint32_t frame) {
    const uint32_t at = frames_ ? frame % frames_ : 0;
    // Without a source the position waits for the next start.
    if (source_ && playing_) source_->SetOffsetFrames(at);
    else startFrame_ = at;
}

int SoundVoice::IsPlaying(int refresh) {
    if (refresh) playing_ = source_ && source_->IsPlaying() ? 1 : 0;
    return playing_ || playRequest_ ? 1 : 0;
}

SoundVoice* SoundVoice::Duplicate(uint32_t priority) {
    if (!samples_ || !owner_->output_) return nullptr;
    SoundVoice* v = new SoundVoice(owner_, priority);
    v->position_ = position_;
    v->minDistance_ = minDistance_;
    v->maxDistance_ = maxDistance_;
    v->format_ = format_;
    v->frames_ = frames_;
    v->bytesPerFrame_ = bytesPerFrame_;
    v->name_ = name_;
    v->volume_ = volume_;
    v->frequency_ = frequency_;
    v->samples_ = samples_;
    v->counted_ = true;
    ++owner_->voiceCount_;
    return v;
}

}  // namespace kes
