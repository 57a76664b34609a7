#include "editor/render/Framework.h"

#include <cstdio>

#include "platform/dialogs/Modal.h"

namespace qv {

std::string FrameworkMessage(uint32_t code) {
    switch (code) {
        case 0x8007000E: return "Not enough memory!";
        case kFwEnumerationFailed: return "Enumeration failed. Your system may be in an\nunstable state and need to be rebooted";
        case kFwNoCompatibleDevice:
            return "Could not find any compatible devices.\n\nTry enabling the reference rasterizer using\nEnableRefRast.reg.";
        case kFwOnlyReference: return "Could not find any compatible Direct3D\ndevices.";
        case kFwGeneral: return "Generic initialization error.\n\nEnable debug output for detailed information.";
        case kFwNoDirectDraw: return "No DirectDraw";
        case kFwNoCooperativeLevel: return "Could not set Cooperative Level";
        case kFwNoDirect3D: return "No Direct3D";
        case kFwNo3DDevice: return "No 3D Device";
        case kFwNoZBuffer: return "No ZBuffer";
        case kFwNoViewport: return "No Viewport";
        case kFwNoPrimary: return "No primary";
        case kFwNoClipper: return "No Clipper";
        case kFwBadDisplayMode: return "Bad display mode";
        case kFwNoBackBuffer: return "No backbuffer";
        case kFwNonZeroRefCount: return "Nonzerorefcount";
        case kFwNoRenderTarget: return "No render target";
        case kFwNeeds16Bit:
            return "This sample requires a 16-bit (or higher) display mode\nto run in a window.\n\nPlease switch your desktop "
                   "settings accordingly.";
        case kFwNoVideoMemory: return "There was insufficient video memory to use the\nhardware device.";
        default: return "Generic application error.\n\nEnable debug output for detailed information.";
    }
}

int ShowFrameworkError(uint32_t code, int ending, const std::string& title) {
    std::string text = FrameworkMessage(code);
    uint32_t flags = plat::MB_OK | plat::MB_ICONWARNING;
    if (ending == 1) {
        text += "\n\nThis sample will now exit.";
        flags = plat::MB_OK | plat::MB_ICONERROR;
    } else if (ending == 2) {
        text += "\n\nSwitching to software rasterizer.";
    }
    return plat::ShowMessageBox(text, title, flags);
}

uint32_t FrameworkCodeFor(const std::string& gfxError) {
    if (gfxError.rfind("video", 0) == 0) return kFwNoDirectDraw;
    if (gfxError.rfind("window", 0) == 0) return kFwNoPrimary;
    if (gfxError.rfind("context", 0) == 0) return kFwNo3DDevice;
    if (gfxError.rfind("target", 0) == 0) return kFwNoRenderTarget;
    return kFwGeneral;
}

DeviceId StableDeviceId(const std::string& name) {
    // Two FNV-1a passes with different starts fill the 16 bytes.
    DeviceId id{};
    uint64_t a = 0xCBF29CE484222325ull, b = 0x84222325CBF29CE4ull;
    for (unsigned char c : name) {
        a = (a ^ c) * 0x100000001B3ull;
        b = (b ^ c) * 0x100000001B3ull;
    }
    for (int i = 0; i < 8; ++i) {
        id[static_cast<size_t>(i)] = static_cast<uint8_t>(a >> (8 * i));
        id[static_cast<size_t>(8 + i)] = static_cast<uint8_t>(b >> (8 * i));
    }
    return id;
}

std::vector<DisplayDriverInfo> EnumerateDisplay(const std::string& rendererName,
                                                const std::vector<std::array<int, 3>>& modes, int desktopBits) {
    std::vector<DisplayDriverInfo> drivers;
    DisplayDriverInfo driver;
    driver.description = "Primary Display Driver";
    driver.name = "display";
    DisplayDeviceInfo device;
    device.name = rendererName.substr(0, 39);
    device.id = StableDeviceId(rendererName);
    for (const auto& m : modes) {
        if (m[2] == 8 || m[0] <= 0 || m[1] <= 0) continue;
        char text[64];
        std::snprintf(text, sizeof text, "%d x %d x %d", m[0], m[1], m[2]);
        device.modes.push_back({m[0], m[1], m[2], text});
        if (m[0] == 640 && m[1] == 480 && m[2] == 16 && device.chosenMode < 0)
            device.chosenMode = static_cast<int>(device.modes.size()) - 1;
        if (m[2] == desktopBits) device.canRenderWindowed = true;
    }
    if (device.modes.empty()) return drivers;  // no device, no driver
    if (device.chosenMode < 0) device.chosenMode = 0;
    device.windowed = device.canRenderWindowed;
    driver.devices.push_back(device);
    driver.chosenDevice = 0;
    drivers.push_back(driver);
    return drivers;
}

void RenewWindowedMarks(std::vector<DisplayDriverInfo>& drivers, int desktopBits) {
    for (DisplayDriverInfo& driver : drivers)
        for (DisplayDeviceInfo& device : driver.devices) {
            device.canRenderWindowed = false;
            for (const DisplayModeInfo& m : device.modes)
                if (m.bits == desktopBits) device.canRenderWindowed = true;
            if (driver.primary && driver.canRenderWindowed && device.canRenderWindowed) device.windowed = true;
        }
}

uint32_t ChooseDisplay(const std::vector<DisplayDriverInfo>& drivers, uint32_t flags, DisplayChoice* out) {
    bool seen = false;
    for (int pass = 0; pass < 4; ++pass) {
        const bool hardware = pass == 0 || pass == 2, windowed = pass < 2;
        if (hardware && (flags & 1)) continue;
        if (windowed && (flags & 2)) continue;
        for (size_t d = 0; d < drivers.size(); ++d)
            for (size_t v = 0; v < drivers[d].devices.size(); ++v) {
                seen = true;
                const DisplayDeviceInfo& dev = drivers[d].devices[v];
                if (dev.hardware != hardware) continue;
                if (windowed && (!drivers[d].canRenderWindowed || !dev.canRenderWindowed)) continue;
                if (out) *out = {static_cast<int>(d), static_cast<int>(v), dev.chosenMode, windowed};
                return 0;
            }
    }
    for (const auto& d : drivers)
        if (!d.devices.empty()) seen = true;
    return seen ? kFwNoCompatibleDevice : kFwEnumerationFailed;
}

}  // namespace qv
