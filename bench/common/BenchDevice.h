#pragma once
// Opens the game's display device hidden, at 640 x 480 and without vertical sync, for the benchmarks
// that draw or upload textures. Prints the failure and returns null when no device can be made.
#include <cstdio>

#include "game/core/display/Display.h"
#include "game/core/render/RenderInterface.h"

namespace bench {

inline kes::RenderInterface* OpenHiddenDevice() {
    kes::EnumerateDevicesFrom({{1024, 768, 24}}, 24, nullptr);
    const int32_t code = kes::DeviceInit(kes::kPrimaryDriverGuid, kes::kHardwareDeviceGuid, 640, 480, 16, "bench",
                                         kes::kDeviceHidden | kes::kDeviceNoVsync);
    if (code != 0) {
        std::fprintf(stderr, "%s\n", kes::FrameworkErrorText(code).c_str());
        return nullptr;
    }
    return &kes::TheRenderInterface();
}

}  // namespace bench
