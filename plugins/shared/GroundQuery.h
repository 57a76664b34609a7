#pragma once
// The ground service the Landscape plug-in offers every other plug-in: three questions sent directly
// (not broadcast) to the port named "SplineLandscape::Interface", found with MessageBus::FindByName.
// Each question carries its record in `arg`; `data` must be 0, else the port answers kResultBadIndex
// and changes nothing. Without a landscape the answers are the empty ones written beside each record.
//
//     float z = 0;
//     qv::QueryGroundHeightAt(host->bus, x, y, &z);
#include <cstdint>

#include "common/bus/MessageBus.h"

namespace qv {

class Viewport;

inline constexpr const char* kGroundPortName = "SplineLandscape::Interface";

enum : uint32_t {
    kMsgQueryGroundHeight = 0x80000001,
    kMsgQueryGroundSample = 0x80000002,
    kMsgQueryGroundHeightNormal = 0x80000003,
};

// kMsgQueryGroundHeight: z := the surface height at (x, y); 0 without a landscape.
struct GroundHeightQuery {
    float x, y, z;
};

// kMsgQueryGroundSample: the knot under a screen point of a viewport. hit := 1 with the knot's world x,
// y and stored height when one lies within 5 degrees of the ray through the point, else hit := 0.
struct GroundSampleQuery {
    Viewport* viewport;
    int32_t screenX, screenY;
    int32_t hit;
    float knotX, knotY, knotHeight;
};

// kMsgQueryGroundHeightNormal: the surface height and its unit normal (pointing up) at (x, y); height 0
// and normal (0, 0, 1) without a landscape.
struct GroundHeightNormalQuery {
    float x, y;
    float height;
    float normal[3];
};

// The ground port of the bus, or null when no Landscape plug-in is loaded.
inline Port* FindGroundPort(MessageBus* bus) { return bus ? bus->FindByName(kGroundPortName) : nullptr; }

// Conveniences over the three questions. Each answers false (and leaves the defaults: height 0, normal
// (0, 0, 1), no hit) when there is no ground port.
inline bool QueryGroundHeightAt(MessageBus* bus, float x, float y, float* z) {
    GroundHeightQuery q{x, y, 0.0f};
    Port* port = FindGroundPort(bus);
    if (port) port->OnMessage(nullptr, kMsgQueryGroundHeight, reinterpret_cast<MsgArg>(&q), 0);
    *z = q.z;
    return port != nullptr;
}

inline bool QueryGroundHeightNormalAt(MessageBus* bus, float x, float y, float* height, float normal[3]) {
    GroundHeightNormalQuery q{x, y, 0.0f, {0.0f, 0.0f, 1.0f}};
    Port* port = FindGroundPort(bus);
    if (port) port->OnMessage(nullptr, kMsgQueryGroundHeightNormal, reinterpret_cast<MsgArg>(&q), 0);
    *height = q.height;
    for (int i = 0; i < 3; ++i) normal[i] = q.normal[i];
    return port != nullptr;
}

inline bool QueryGroundSampleAt(MessageBus* bus, Viewport* viewport, int32_t screenX, int32_t screenY,
                                GroundSampleQuery* out) {
    *out = GroundSampleQuery{viewport, screenX, screenY, 0, 0.0f, 0.0f, 0.0f};
    Port* port = FindGroundPort(bus);
    if (port) port->OnMessage(nullptr, kMsgQueryGroundSample, reinterpret_cast<MsgArg>(out), 0);
    return port != nullptr && out->hit != 0;
}

}  // namespace qv
