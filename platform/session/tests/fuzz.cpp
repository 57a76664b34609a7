// Feeds arbitrary packets to the session's frame reader and the discovery readers: whatever they
// take stays inside the packet.
#include <cstdint>
#include <cstdlib>

#include "platform/session/LanDiscovery.h"
#include "platform/session/SessionFrames.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    plat::frames::Frame f;
    if (plat::frames::Decode(data, size, f)) {
        if (f.bytes && (f.bytes < data || f.bytes + f.length > data + size)) std::abort();
        if (f.name.size() > plat::kSessionPlayerNameChars || f.length > plat::kSessionMaxMessage) std::abort();
        volatile uint8_t sum = 0;
        for (uint32_t i = 0; i < f.length; ++i) sum = static_cast<uint8_t>(sum + f.bytes[i]);
    }
    plat::SessionGuid app{};
    plat::DecodeDiscoveryQuery(data, size, app);
    plat::DiscoveredSession s;
    if (plat::DecodeDiscoveryReply(data, size, app, s) && s.name.size() > plat::kSessionNameChars) std::abort();
    return 0;
}
