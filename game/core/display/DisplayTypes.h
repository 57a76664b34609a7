#pragma once
// Types shared by the display device layer and the render interface.
#include <cstdint>

#include "platform/gfx/GfxDevice.h"

namespace kes {

// Transformed, lit vertex (format code 0x1C4): sx, sy, sz, rhw, diffuse ARGB, specular ARGB with the
// fog factor in its alpha byte, u, v.
using ScreenVertex = plat::GfxVertex;

struct Rect {
    int32_t left, top, right, bottom;
};

struct DeviceGuid {
    uint32_t data1;
    uint16_t data2, data3;
    uint8_t data4[8];
    bool operator==(const DeviceGuid&) const = default;
};

// Result codes of the device layer.
constexpr int32_t kDisplayOk = 0;
constexpr int32_t kNoDriverSelected = static_cast<int32_t>(0x81000001);
constexpr int32_t kNoUsableDevice = static_cast<int32_t>(0x81000002);
constexpr int32_t kOnlyReferenceDevice = static_cast<int32_t>(0x81000003);
constexpr int32_t kEnumerationUnavailable = static_cast<int32_t>(0x81000004);
constexpr int32_t kFrameworkGeneral = static_cast<int32_t>(0x82000000);
constexpr int32_t kNoDirectDraw = static_cast<int32_t>(0x82000001);
constexpr int32_t kNoCooperativeLevel = static_cast<int32_t>(0x82000002);
constexpr int32_t kNoDirect3D = static_cast<int32_t>(0x82000003);
constexpr int32_t kNo3DDevice = static_cast<int32_t>(0x82000004);
constexpr int32_t kNoZBuffer = static_cast<int32_t>(0x82000005);
constexpr int32_t kNoViewport = static_cast<int32_t>(0x82000006);
constexpr int32_t kNeeds16BitMode = static_cast<int32_t>(0x82000007);
constexpr int32_t kNoClipper = static_cast<int32_t>(0x82000008);
constexpr int32_t kBadDisplayMode = static_cast<int32_t>(0x82000009);
constexpr int32_t kNoBackBuffer = static_cast<int32_t>(0x8200000A);
constexpr int32_t kNoRenderTarget = static_cast<int32_t>(0x8200000C);
constexpr int32_t kOutOfVideoMemory = static_cast<int32_t>(0x8876017C);
constexpr int32_t kBadViewport = static_cast<int32_t>(0x81233000);
constexpr int32_t kTextureRebuildFailed = static_cast<int32_t>(0x81233001);
constexpr int32_t kNoFreeTextureHandle = static_cast<int32_t>(0x81233002);

}  // namespace kes
