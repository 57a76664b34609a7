#pragma once
// Sample buffers and playing sources on the current output device. Attenuation is the caller's:
// distances never change a source's gain. A source is either placed by stereo pan (hundredths of a
// decibel, the left channel quieter for positive values) or at a position in world units.
#include <cstddef>
#include <cstdint>

namespace plat {

// Mono or stereo, 8 or 16 bits. 0 when there is no device or the format cannot be played.
uint32_t MakeAudioBuffer(const void* pcm, size_t bytes, int channels, int bits, int rate);
void FreeAudioBuffer(uint32_t buffer);

class AudioSource {
public:
    AudioSource();  // no AL source when there is no device: every call then does nothing
    ~AudioSource();
    AudioSource(const AudioSource&) = delete;
    AudioSource& operator=(const AudioSource&) = delete;

    bool Valid() const { return source_ != 0; }
    void SetBuffer(uint32_t buffer);
    void SetGain(float gain);
    // Playback rate as a multiple of the buffer's own rate.
    void SetPitch(float pitch);
    // -10000 (left only) .. 10000 (right only); the source sits relative to the listener.
    void SetPan(int32_t pan);
    // A world position, heard through the listener.
    void SetPosition(float x, float y, float z);
    void Play(bool loop);
    void Stop();
    void Pause();
    void Resume();
    bool IsPlaying() const;
    // Play cursor, in sample frames.
    void SetOffsetFrames(uint32_t frame);

    // Streaming: buffers queued behind each other. Finished buffers are taken back with Unqueue.
    void Queue(uint32_t buffer);
    // One finished buffer, or 0.
    uint32_t UnqueueProcessed();
    int QueuedCount() const;

private:
    uint32_t source_ = 0;
};

// Hundredths of a decibel to a linear gain (0 = full).
float MillibelsToGain(int32_t mb);

}  // namespace plat
