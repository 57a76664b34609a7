#pragma once
// Millisecond clock of the frame timing: a steady count that wraps at 2^32 like the multimedia timer,
// so that differences taken as uint32_t stay right across the wrap.
#include <cstdint>

namespace plat {

uint32_t TickMs();

// Gives the processor away for `ms` milliseconds (the waits of the network game between looks at
// what has arrived).
void SleepMs(uint32_t ms);

// Wall-clock seconds since 1970, cut to 32 bits: the seed of the random generator at start-up.
uint32_t WallClockSeconds();

}  // namespace plat
