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

// The simulation's generator: the same sequence with a state of its own (seed 1 until SimSrand), for
// everything that changes how a race plays out (computer riders' choices, tricks, resets). Sounds and
// particles draw from CrtRand, so that a race runs the same with or without them.
int SimRand();
void SimSrand(uint32_t seed);

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
