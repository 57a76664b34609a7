#pragma once
// The game's sound manager: the sound devices, every loaded sound as a voice, and the per-frame pass
// that decides from the listener which voices are heard, at what volume and pan, keeping only the
// loudest few playing. Volumes are hundredths of a decibel (0 full, negative quieter).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "game/core/config/ConfigRecord.h"
#include "game/core/maths/MathTypes.h"
#include "game/core/audio/WaveLoad.h"

namespace plat {
class AudioOutput;
class AudioSource;
}  // namespace plat

namespace kes {

class PackFile;
class AudioSystem;

// Results of Open.
enum : int32_t {
    kAudioInvalidParam = 0x57,
    kAudioNoDriver = static_cast<int32_t>(0x88780078),
};

// The primary format the game asks for: 22050 Hz, 16 bits, stereo.
constexpr uint32_t kPrimaryFormat22k16Stereo = 0x3011;

struct SoundDeviceEntry {
    bool hasGuid = false;  // false for the default device
    Guid guid{};
    std::string description;  // at most 63 characters
    std::string outputName;   // the output layer's name of the device ("" = the default)
};

// Sample bytes shared by a voice and its duplicates; the output buffer goes with the last of them.
struct SoundSampleBlock {
    std::vector<uint8_t> bytes;
    uint32_t buffer = 0;
    ~SoundSampleBlock();
};

class SoundVoice {
public:
    ~SoundVoice();
    SoundVoice(const SoundVoice&) = delete;
    SoundVoice& operator=(const SoundVoice&) = delete;

    void Play(uint32_t loop);
    void Stop();
    void SetVolume(int32_t hundredthsDb) { volume_ = hundredthsDb; }
    void SetFrequency(uint32_t hertz);
    void SetPosition(const Vec3* position) { position_ = *position; }
    void SetDistances(float minimum, float maximum) {
        minDistance_ = minimum;
        maxDistance_ = maximum;
    }
    void SetPlayPosition(uint32_t frame);
    // The voice manager of the original hardware has no counterpart: the value is only kept.
    void SetVoicePriority(uint32_t value) { managerPriority_ = value; }
    int IsPlaying(int refresh);
    SoundVoice* Duplicate(uint32_t priority);

    const char* Name() const { return name_.c_str(); }
    int32_t Volume() const { return volume_; }
    uint32_t Frequency() const { return frequency_; }
    const Vec3& Position() const { return position_; }
    float MinDistance() const { return minDistance_; }
    float MaxDistance() const { return maxDistance_; }
    int32_t Key() const { return key_; }
    int32_t BufferVolume() const { return bufferVolume_; }
    int32_t Pan() const { return pan_; }
    uint32_t Priority() const { return priority_; }
    bool Playing() const { return playing_ != 0; }
    bool Evicted() const { return evicted_ != 0; }
    int32_t StopRequest() const { return stopRequest_; }
    const WaveFormat& Format() const { return format_; }
    // Length of the sound in sample frames.
    uint32_t Frames() const { return frames_; }
    long SampleShares() const { return samples_.use_count(); }
    // Whether the voice holds an output source now (only voices being heard do).
    bool HasSource() const { return source_ != nullptr; }

private:
    friend class AudioSystem;
    SoundVoice(AudioSystem* owner, uint32_t priority);
    bool MakeSource();
    void ReleaseSource();
    void StartSource();
    void StopSource();
    void ApplyGain();

    SoundVoice* allNext_ = nullptr;
    SoundVoice* allPrev_ = nullptr;
    SoundVoice* stateNext_ = nullptr;
    SoundVoice* statePrev_ = nullptr;
    int stateList_ = 0;  // 0 silent, 1 audible
    Vec3 position_{0, 0, 0};
    float minDistance_ = 20.0f;
    float maxDistance_ = 200.0f;
    AudioSystem* owner_;
    WaveFormat format_;
    uint32_t frames_ = 0;
    uint32_t startFrame_ = 0;  // where the next start begins
    uint32_t bytesPerFrame_ = 0;
    std::unique_ptr<plat::AudioSource> source_;
    std::shared_ptr<SoundSampleBlock> samples_;
    std::string name_;
    uint32_t playRequest_ = 0;
    int32_t stopRequest_ = 0x7FFFFFFF;
    uint32_t playing_ = 0;
    uint32_t evicted_ = 0;
    uint32_t loop_ = 0;
    int32_t volume_ = 0;
    uint32_t frequency_ = 22050;
    int32_t key_ = -5000;
    uint32_t priority_;
    uint32_t managerPriority_ = 0;
    int32_t bufferVolume_ = 0;
    int32_t pan_ = 0;
    bool counted_ = false;
};

class AudioSystem {
public:
    // Lists the devices present.
    AudioSystem();
    ~AudioSystem();
    AudioSystem(const AudioSystem&) = delete;
    AudioSystem& operator=(const AudioSystem&) = delete;

    // device null or all-zero: the default device. 0, kAudioInvalidParam (unknown device or format
    // code) or kAudioNoDriver (the device does not open).
    int32_t Open(const Guid* device, uint32_t hardware3D, uint32_t formatCode);
    void Close();
    bool IsOpen() const { return output_ != nullptr; }
    plat::AudioOutput* Output() const { return output_.get(); }
    // -1 when unchanged, else 0.
    int32_t SetHardware3D(uint32_t on);
    void SetListenerMatrix(const Matrix4* matrix) { listener_ = *matrix; }
    void Update();

    SoundVoice* LoadSoundFile(const char* path, uint32_t priority = 0);
    SoundVoice* LoadSoundFromPack(const char* name, uint32_t priority = 0);
    // One wave record from the stream's position; available = the bytes left in its chunk.
    SoundVoice* LoadSoundFromStream(PackFile& stream, uint32_t available, uint32_t priority = 0);
    // A voice from decoded samples (the loaders end here).
    SoundVoice* MakeVoice(const WaveData& wave, uint32_t priority);

    const std::vector<SoundDeviceEntry>& Devices() const { return devices_; }
    uint32_t VoiceCount() const { return voiceCount_; }
    uint32_t AudibleLimit() const { return hardware3D_ ? 8u : 12u; }
    uint32_t PrimaryFormat() const { return primaryFormat_; }
    bool Hardware3D() const { return hardware3D_ != 0; }

private:
    friend class SoundVoice;
    void LinkAll(SoundVoice* v);
    void UnlinkAll(SoundVoice* v);
    void MoveTo(SoundVoice* v, int list);
    void Unlink(SoundVoice* v);
    void Evict(SoundVoice* v);
    void Hear(SoundVoice* v);

    std::vector<SoundDeviceEntry> devices_;
    std::unique_ptr<plat::AudioOutput> output_;
    uint32_t primaryFormat_ = 0;
    uint32_t hardware3D_ = 0;
    Matrix4 listener_{};
    uint32_t voiceCount_ = 0;
    SoundVoice* all_ = nullptr;
    SoundVoice* lists_[2] = {nullptr, nullptr};  // silent, audible
};

// The sound manager of the running game, or null when it runs silent.
AudioSystem* TheAudioSystem();
void SetTheAudioSystem(AudioSystem* audio);

// The devices as the set-up dialog lists them.
std::vector<SoundDeviceEntry> EnumerateSoundDevices();

}  // namespace kes
