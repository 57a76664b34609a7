#pragma once
// Writes short movies for generated content and tests: AVI holding MPEG-4 video and any number of
// 16-bit mono PCM sound streams, all made by FFmpeg's own encoders.
#include <cstdint>
#include <functional>
#include <string>

namespace plat {

struct MovieSpec {
    int width = 64;
    int height = 48;
    int fps = 10;
    int frames = 10;
    int soundTracks = 1;
    int soundRate = 22050;
    // Draws frame n into 32-bit pixels (B, G, R, A in memory).
    std::function<void(int frame, uint8_t* pixels, int pitch)> draw;
    // Fills count mono samples of a sound track, starting at sample first.
    std::function<void(int track, int64_t first, int16_t* samples, int count)> sound;
};

bool EncodeMovie(const std::string& path, const MovieSpec& recipe);

}  // namespace plat
