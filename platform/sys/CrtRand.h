#pragma once
// The random sequence of the Windows C run-time (15-bit results, 0..32767), one state per thread with
// seed 1 until CrtSrand is called. The game's scalings, shuffles and replays depend on this sequence.
#include <cstdint>
#include <iterator>
#include <utility>

namespace plat {

constexpr int kCrtRandMax = 0x7FFF;

int CrtRand();
void CrtSrand(uint32_t seed);

// The same sequence from a second state of its own, for what is only seen or heard (sounds,
// particles): drawing from it never shifts the simulation's sequence, so a race plays out alike
// with or without sound and particles. One state per thread, seed 1.
int LooksRand();
void LooksSrand(uint32_t seed);

// Fisher-Yates shuffle drawn from CrtRand: for i from the last index down to 1, swap element i with
// element CrtRand() % (i + 1). Ranges longer than 32768 draw two numbers per step (30 bits).
template <class RandomIt>
void CrtShuffle(RandomIt first, RandomIt last) {
    auto n = std::distance(first, last);
    for (decltype(n) i = n - 1; i > 0; --i) {
        uint32_t span = static_cast<uint32_t>(i) + 1u;
        uint32_t draw = static_cast<uint32_t>(CrtRand());
        if (span > 0x8000u) draw = (draw << 15) | static_cast<uint32_t>(CrtRand());
        auto j = static_cast<decltype(n)>(draw % span);
        using std::swap;
        swap(first[i], first[j]);
    }
}

template <class Range>
void CrtShuffle(Range& range) {
    CrtShuffle(std::begin(range), std::end(range));
}

}  // namespace plat
