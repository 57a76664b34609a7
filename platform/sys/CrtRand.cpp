#include "platform/sys/CrtRand.h"

namespace plat {
namespace {
thread_local uint32_t t_state = 1;
thread_local uint32_t t_looks = 1;

int Step(uint32_t& state) {
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7FFFu);
}
}  // namespace

int CrtRand() { return Step(t_state); }
void CrtSrand(uint32_t seed) { t_state = seed; }

int LooksRand() { return Step(t_looks); }
void LooksSrand(uint32_t seed) { t_looks = seed; }

}  // namespace plat
