// OpenAL buffers and sources.
#include "platform/audio/AudioSource.h"

#include <AL/al.h>
#include <AL/alc.h>

#include <cmath>

namespace plat {
namespace {

bool HaveContext() { return alcGetCurrentContext() != nullptr; }

}  // namespace

float MillibelsToGain(int32_t mb) {
    if (mb >= 0) return 1.0f;
    if (mb <= -10000) return 0.0f;
    return std::pow(10.0f, static_cast<float>(mb) / 2000.0f);
}

uint32_t MakeAudioBuffer(const void* pcm, size_t bytes, int channels, int bits, int rate) {
    if (!HaveContext() || rate <= 0 || !pcm) return 0;
    ALenum format = 0;
    if (channels == 1) format = bits == 8 ? AL_FORMAT_MONO8 : bits == 16 ? AL_FORMAT_MONO16 : 0;
    if (channels == 2) format = bits == 8 ? AL_FORMAT_STEREO8 : bits == 16 ? AL_FORMAT_STEREO16 : 0;
    if (!format) return 0;
    const size_t frame = static_cast<size_t>(channels) * static_cast<size_t>(bits / 8);
    const size_t usable = bytes - bytes % frame;
    if (usable == 0 || usable > 0x7FFFFFFF) return 0;
    alGetError();
    ALuint buffer = 0;
    alGenBuffers(1, &buffer);
    alBufferData(buffer, format, pcm, static_cast<ALsizei>(usable), rate);
    if (alGetError() != AL_NO_ERROR) {
        if (buffer) alDeleteBuffers(1, &buffer);
        return 0;
    }
    return buffer;
}

void FreeAudioBuffer(uint32_t buffer) {
    if (buffer && HaveContext()) alDeleteBuffers(1, &buffer);
}

AudioSource::AudioSource() {
    if (!HaveContext()) return;
    alGetError();
    ALuint s = 0;
    alGenSources(1, &s);
    if (alGetError() != AL_NO_ERROR) return;
    source_ = s;
    alSourcef(source_, AL_ROLLOFF_FACTOR, 0.0f);
    alSourcei(source_, AL_SOURCE_RELATIVE, AL_TRUE);
    alSource3f(source_, AL_POSITION, 0.0f, 0.0f, -1.0f);
}

AudioSource::~AudioSource() {
    if (!source_ || !HaveContext()) return;
    alSourceStop(source_);
    alSourcei(source_, AL_BUFFER, 0);
    alDeleteSources(1, &source_);
}

void AudioSource::SetBuffer(uint32_t buffer) {
    if (source_) alSourcei(source_, AL_BUFFER, static_cast<ALint>(buffer));
}

void AudioSource::SetGain(float gain) {
    if (source_) alSourcef(source_, AL_GAIN, gain < 0.0f ? 0.0f : gain);
}

void AudioSource::SetPitch(float pitch) {
    // OpenAL accepts pitches above zero only; a zero frequency plays as slowly as it may.
    if (source_) alSourcef(source_, AL_PITCH, pitch > 0.001f ? pitch : 0.001f);
}

void AudioSource::SetPan(int32_t pan) {
    if (!source_) return;
    // The pan becomes a direction on the listener's horizontal circle: 0 straight ahead, +-10000 fully
    // to one side. OpenAL's panning law is its own (constant power), not a decibel attenuation of one
    // channel, but the side and the order of loudness are kept.
    if (pan > 10000) pan = 10000;
    if (pan < -10000) pan = -10000;
    const float angle = static_cast<float>(pan) / 10000.0f * 1.5707964f;
    alSourcei(source_, AL_SOURCE_RELATIVE, AL_TRUE);
    alSource3f(source_, AL_POSITION, std::sin(angle), 0.0f, -std::cos(angle));
}

void AudioSource::SetPosition(float x, float y, float z) {
    if (!source_) return;
    alSourcei(source_, AL_SOURCE_RELATIVE, AL_FALSE);
    alSource3f(source_, AL_POSITION, x, y, z);
}

void AudioSource::Play(bool loop) {
    if (!source_) return;
    alSourcei(source_, AL_LOOPING, loop ? AL_TRUE : AL_FALSE);
    alSourcePlay(source_);
}

void AudioSource::Stop() {
    if (source_) alSourceStop(source_);
}

void AudioSource::Pause() {
    if (source_) alSourcePause(source_);
}

void AudioSource::Resume() {
    if (!source_) return;
    ALint state = 0;
    alGetSourcei(source_, AL_SOURCE_STATE, &state);
    if (state == AL_PAUSED) alSourcePlay(source_);
}

bool AudioSource::IsPlaying() const {
    if (!source_) return false;
    ALint state = 0;
    alGetSourcei(source_, AL_SOURCE_STATE, &state);
    return state == AL_PLAYING;
}

void AudioSource::SetOffsetFrames(uint32_t frame) {
    if (source_) alSourcei(source_, AL_SAMPLE_OFFSET, static_cast<ALint>(frame & 0x7FFFFFFF));
}

void AudioSource::Queue(uint32_t buffer) {
    if (!source_ || !buffer) return;
    ALuint b = buffer;
    alSourceQueueBuffers(source_, 1, &b);
}

uint32_t AudioSource::UnqueueProcessed() {
    if (!source_) return 0;
    ALint processed = 0;
    alGetSourcei(source_, AL_BUFFERS_PROCESSED, &processed);
    if (processed <= 0) return 0;
    ALuint b = 0;
    alSourceUnqueueBuffers(source_, 1, &b);
    return b;
}

int AudioSource::QueuedCount() const {
    if (!source_) return 0;
    ALint queued = 0;
    alGetSourcei(source_, AL_BUFFERS_QUEUED, &queued);
    return queued;
}

}  // namespace plat
