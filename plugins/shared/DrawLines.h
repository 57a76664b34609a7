#pragma once
// Lines in screen space as the plug-ins draw their markers: the viewport draws indexed primitives, so
// the vertices, taken two by two as a line list, get the indices 0, 1, 2 ... they need.
#include <cstdint>
#include <numeric>
#include <vector>

#include "editor/plugin/PluginApi.h"

namespace qv::shared {

inline constexpr uint32_t kLineList = 2;

inline int32_t DrawLineList(Viewport* viewport, const ScreenVertex* vertices, uint32_t count) {
    if (!viewport || count < 2 || count > 0xFFFF) return 0;
    std::vector<uint16_t> indices(count);
    std::iota(indices.begin(), indices.end(), uint16_t{0});
    return viewport->DrawPrimitive(kLineList, count, vertices, count, indices.data());
}

}  // namespace qv::shared
