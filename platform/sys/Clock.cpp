#include "platform/sys/Clock.h"

#include <cerrno>
#include <ctime>

namespace plat {

uint32_t TickMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
}

void SleepMs(uint32_t ms) {
    timespec left{static_cast<time_t>(ms / 1000u), static_cast<long>(ms % 1000u) * 1000000L};
    // A signal cuts the sleep short; the rest is slept.
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

uint32_t WallClockSeconds() { return static_cast<uint32_t>(std::time(nullptr)); }

}  // namespace plat
