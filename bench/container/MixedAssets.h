#pragma once
// Generated stand-ins for the kinds of files the game packs: a 24-bit BMP, a 16-bit WAV and text.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace bench {

// A 24-bit BMP of width x height with smooth gradients, shapes and a little noise.
std::vector<uint8_t> MakeBmp(int width, int height, unsigned seed);
// A 16-bit mono WAV of synthesised tones (notes with envelopes and a quiet noise floor).
std::vector<uint8_t> MakeWav(int seconds, int rate, unsigned seed);
// English-like text: sentences of common words, punctuation and line breaks.
std::vector<uint8_t> MakeText(size_t size, unsigned seed);
// All three, back to back, about `megabytes` MB in total.
std::vector<uint8_t> MakeMixedAssets(int megabytes);

}  // namespace bench
