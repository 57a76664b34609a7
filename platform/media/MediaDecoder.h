#pragma once
// Movies and music through FFmpeg: the container is recognised from its content, video frames come
// out as 32-bit pixels (B, G, R, A in memory) and sound as interleaved 16-bit stereo at a rate the
// caller chooses.
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/media/MediaReader.h"

namespace plat {

struct MediaDecoderState;

class MediaDecoder {
public:
    // audioTrack: which sound stream is heard (the n-th; a missing one falls back to the first; -1 =
    // none). wantVideo false skips the pictures. Null when the bytes are not a stream FFmpeg reads.
    static std::unique_ptr<MediaDecoder> Open(std::unique_ptr<MediaReader> reader, int audioTrack, bool wantVideo,
                                              int audioRate);
    ~MediaDecoder();
    MediaDecoder(const MediaDecoder&) = delete;
    MediaDecoder& operator=(const MediaDecoder&) = delete;

    bool HasVideo() const;
    bool HasAudio() const;
    int Width() const;
    int Height() const;
    double FrameRate() const;
    // Frames the movie holds (from the container, else from its duration).
    int FrameCount() const;
    double DurationSeconds() const;
    int AudioStreamCount() const;
    // Which sound stream plays (its index among the sound streams), or -1.
    int AudioTrack() const;

    // The next picture into pixels (pitch bytes a row, Width() x Height()); false after the last.
    // Sound decoded on the way is kept for TakeAudio.
    bool NextFrame(uint8_t* pixels, int pitch);
    // Decodes until at least minFrames sound frames wait or the stream ends; false at the end with
    // nothing left. Only for a decoder without video.
    bool DecodeAudio(size_t minFrames);
    // Moves the waiting sound samples (left, right interleaved) out.
    void TakeAudio(std::vector<int16_t>* samples);

private:
    MediaDecoder() = default;
    bool Pump();
    std::unique_ptr<MediaDecoderState> s_;
};

}  // namespace plat
