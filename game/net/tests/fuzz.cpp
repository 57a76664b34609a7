// Feeds arbitrary messages to the game message handler as the session would: the first byte picks
// the sender slot (0-9) and whether the session made the message itself, the rest is the message.
// Whatever comes, the tables stay within their bounds.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "game/net/NetGame.h"

namespace {
kes::RacerRecord g_racers[kes::kNetSlots];

void SetUpOnce() {
    static bool done = false;
    if (done) return;
    done = true;
    for (uint32_t i = 0; i < kes::kNetSlots; ++i) {
        g_racers[i].playerIndex = i;
        g_racers[i].controlClass = kes::kControlClassRemote;
        kes::g_RaceRacers[i] = &g_racers[i];
    }
    // The handler's tables without a session: sends are refused, everything else runs.
    kes::NetLock();
    kes::NetUnlock();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SetUpOnce();
    if (size < 1) return 0;
    const uint32_t slot = (data[0] & 0x7F) % 10;
    const bool local = (data[0] & 0x80) != 0;
    kes::NetGameMessageThunk(data + 1, static_cast<uint32_t>(size - 1), slot, local);

    if (kes::GetTrackPointCount() > kes::kMaxTrackPoints) std::abort();
    for (const kes::RacerRecord& r : g_racers)
        if (r.lapIndex > 8) std::abort();
    kes::NetLock();
    const char* const* lines = kes::NetChatLines();
    for (uint32_t i = 0; i < kes::kChatLines; ++i)
        if (lines[i] && std::memchr(lines[i], 0, kes::kChatLineBytes) == nullptr) std::abort();
    kes::NetPlayerSlot* slots = kes::NetLock();
    for (uint32_t i = 0; i < kes::kNetSlots; ++i)
        if (std::memchr(slots[i].name, 0, sizeof slots[i].name) == nullptr) std::abort();
    kes::NetUnlock();
    kes::NetUnlock();
    uint8_t state[kes::kNetBikeStateMax];
    for (uint32_t i = 0; i < kes::kNetSlots; ++i) kes::NetTakeBikeState(i, state, 144);
    return 0;
}
