#include "editor/sound/SoundSystem.h"

#include <AL/al.h>
#include <AL/alc.h>

#include <algorithm>
#include <cmath>

namespace qv {

SoundSystem::SoundSystem() {
    ALCdevice* device = alcOpenDevice(nullptr);
    if (!device) return;
    ALCcontext* context = alcCreateContext(device, nullptr);
    if (!context || !alcMakeContextCurrent(context)) {
        if (context) alcDestroyContext(context);
        alcCloseDevice(device);
        return;
    }
    device_ = device;
    context_ = context;
}

SoundSystem::~SoundSystem() {
    if (context_) {
        alcMakeContextCurrent(nullptr);
        alcDestroyContext(static_cast<ALCcontext*>(context_));
    }
    if (device_) alcCloseDevice(static_cast<ALCdevice*>(device_));
}

SoundBuffer::SoundBuffer(SoundSystem* system, WaveData data) : data_(std::move(data)) {
    if (!system || !system->HasDevice()) return;
    const WaveFormat& f = data_.format;
    if (f.formatTag != 1 || f.samplesPerSec == 0 || data_.samples.empty()) return;
    ALenum format = 0;
    if (f.channels == 1) format = f.bitsPerSample == 8 ? AL_FORMAT_MONO8 : f.bitsPerSample == 16 ? AL_FORMAT_MONO16 : 0;
    if (f.channels == 2) format = f.bitsPerSample == 8 ? AL_FORMAT_STEREO8 : f.bitsPerSample == 16 ? AL_FORMAT_STEREO16 : 0;
    if (!format) return;
    const size_t frame = static_cast<size_t>(f.channels) * f.bitsPerSample / 8;
    const size_t usable = data_.samples.size() - data_.samples.size() % frame;
    if (usable == 0) return;
    alGetError();
    alGenBuffers(1, &buffer_);
    alBufferData(buffer_, format, data_.samples.data(), static_cast<ALsizei>(usable), static_cast<ALsizei>(f.samplesPerSec));
    alGenSources(1, &source_);
    alSourcei(source_, AL_BUFFER, static_cast<ALint>(buffer_));
    if (alGetError() != AL_NO_ERROR) {
        if (source_) alDeleteSources(1, &source_);
        if (buffer_) alDeleteBuffers(1, &buffer_);
        source_ = buffer_ = 0;
    }
}

SoundBuffer::~SoundBuffer() {
    if (source_) {
        alSourceStop(source_);
        alDeleteSources(1, &source_);
    }
    if (buffer_) alDeleteBuffers(1, &buffer_);
}

int32_t SoundBuffer::Play(bool loop) {
    if (!source_) return 0;
    alSourcei(source_, AL_LOOPING, loop ? AL_TRUE : AL_FALSE);
    alSourcePlay(source_);
    return 0;
}

int32_t SoundBuffer::Stop() {
    if (source_) alSourceStop(source_);
    return 0;
}

int32_t SoundBuffer::SetFrequency(int32_t hertz) {
    if (data_.format.samplesPerSec == 0 || hertz <= 0) return 0;
    pitch_ = static_cast<float>(hertz) / static_cast<float>(data_.format.samplesPerSec);
    if (source_) alSourcef(source_, AL_PITCH, pitch_);
    return 0;
}

int32_t SoundBuffer::SetVolume(int32_t hundredthsDb) {
    const int32_t clamped = std::clamp(hundredthsDb, -10000, 0);
    gain_ = std::pow(10.0f, static_cast<float>(clamped) / 2000.0f);
    if (source_) alSourcef(source_, AL_GAIN, gain_);
    return 0;
}

}  // namespace qv
