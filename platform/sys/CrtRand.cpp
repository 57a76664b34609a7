#include "platform/sys/CrtRand.h"

namespace plat {
namespace {
thread_local uint32_t t_state = 1;
thread_local uint32_t t_simState = 1;

int Next(uint32_t& state) {
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7FFFu);
}
}  // namespace

int CrtRand() { return Next(t_state); }

void CrtSrand(uint32_t seed) { t_state = seed; }

int SimRand() { return Next(t_simState); }

void SimSrand(uint32_t seed) { t_simState = seed; }

}  // namespace plat
