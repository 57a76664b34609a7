#pragma once
// The editor's sound output over OpenAL. Waves keep their samples in memory whether or not a device
// exists; without one nothing plays.
#include <cstdint>
#include <memory>

#include "editor/sound/WaveFile.h"

namespace qv {

class SoundSystem;

// One loaded wave and, with a device, its playing source.
class SoundBuffer {
public:
    SoundBuffer(SoundSystem* system, WaveData data);
    ~SoundBuffer();
    SoundBuffer(const SoundBuffer&) = delete;
    SoundBuffer& operator=(const SoundBuffer&) = delete;

    const WaveData& Data() const { return data_; }
    const std::string& Name() const { return data_.name; }
    bool Playable() const { return source_ != 0; }

    int32_t Play(bool loop);
    int32_t Stop();
    int32_t SetFrequency(int32_t hertz);
    // Hundredths of a decibel, 0 = full volume.
    int32_t SetVolume(int32_t hundredthsDb);
    float Gain() const { return gain_; }
    float Pitch() const { return pitch_; }

private:
    WaveData data_;
    unsigned buffer_ = 0;
    unsigned source_ = 0;
    float gain_ = 1.0f;
    float pitch_ = 1.0f;
};

class SoundSystem {
public:
    // Opens the default device; without one the system stays silent.
    SoundSystem();
    ~SoundSystem();
    SoundSystem(const SoundSystem&) = delete;
    SoundSystem& operator=(const SoundSystem&) = delete;

    bool HasDevice() const { return context_ != nullptr; }
    std::unique_ptr<SoundBuffer> Make(WaveData data) { return std::make_unique<SoundBuffer>(this, std::move(data)); }

private:
    friend class SoundBuffer;
    void* device_ = nullptr;
    void* context_ = nullptr;
};

}  // namespace qv
