#pragma once
// The editor's display set-up on the GL back end: one driver (the display), its GL device with the
// display modes the system reports, identified by ids that stay the same from run to run, the device
// choice, and the result codes of set-up failures with their messages.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace qv {

enum : uint32_t {
    kFwEnumerationFailed = 0x81000001,
    kFwNoCompatibleDevice = 0x81000002,
    kFwOnlyReference = 0x81000003,
    kFwNoLibrary = 0x81000004,
    kFwNoDeviceOfKind = 0x81000005,
    kFwGeneral = 0x82000000,
    kFwNoDirectDraw = 0x82000001,
    kFwNoCooperativeLevel = 0x82000002,
    kFwNoDirect3D = 0x82000003,
    kFwNo3DDevice = 0x82000004,
    kFwNoZBuffer = 0x82000005,
    kFwNoViewport = 0x82000006,
    kFwNoPrimary = 0x82000007,
    kFwNoClipper = 0x82000008,
    kFwBadDisplayMode = 0x82000009,
    kFwNoBackBuffer = 0x8200000A,
    kFwNonZeroRefCount = 0x8200000B,
    kFwNoRenderTarget = 0x8200000C,
    kFwNeeds16Bit = 0x8200000D,
    kFwNoFrontBuffer = 0x8200000E,
    kFwNoVideoMemory = 0x8876017C,
};

// The message shown for a code ("Generic application error..." for codes without one of their own).
std::string FrameworkMessage(uint32_t code);
// The box: ending 1 adds "This sample will now exit." (error icon), 2 "Switching to software
// rasterizer." (warning icon), otherwise the message alone (warning icon). Returns the answer.
int ShowFrameworkError(uint32_t code, int ending, const std::string& title = "QV");
// The code for a failure of the GL back end's set-up ("video", "window", "context", "target").
uint32_t FrameworkCodeFor(const std::string& gfxError);

using DeviceId = std::array<uint8_t, 16>;

struct DisplayModeInfo {
    int width = 0, height = 0, bits = 0;
    std::string text;  // "%ld x %ld x %ld"
};

struct DisplayDeviceInfo {
    DeviceId id{};
    std::string name;  // at most 39 characters
    bool hardware = true;
    bool canRenderWindowed = false;
    bool windowed = false;
    std::vector<DisplayModeInfo> modes;
    int chosenMode = -1;
};

struct DisplayDriverInfo {
    bool primary = true;  // the primary display has no id
    bool canRenderWindowed = true;  // the driver can draw into a window on the desktop
    std::string description, name;
    std::vector<DisplayDeviceInfo> devices;
    int chosenDevice = -1;
};

// The same name gives the same id in every run (a hash of the name, not a random number).
DeviceId StableDeviceId(const std::string& name);

// Builds the driver list for the GL renderer and the modes the system reports: 8-bit modes are never
// kept; 640 x 480 x 16 is the chosen mode when present, else the first kept one; a device without modes
// is dropped. The desktop depth marks which devices can render in a window.
std::vector<DisplayDriverInfo> EnumerateDisplay(const std::string& rendererName,
                                                const std::vector<std::array<int, 3>>& modes, int desktopBits);

struct DisplayChoice {
    int driver = -1, device = -1, mode = -1;
    bool windowed = false;
    bool operator==(const DisplayChoice&) const = default;
};

// Renews which devices can render in a window from the desktop's current depth: a device with a mode of
// that depth can; on the primary driver such a device also takes the windowed choice.
void RenewWindowedMarks(std::vector<DisplayDriverInfo>& drivers, int desktopBits);

// Passes: hardware windowed, software windowed, hardware full screen, software full screen; flags bit 0
// leaves out hardware, bit 1 windowed. 0, or kFwNoCompatibleDevice / kFwEnumerationFailed.
uint32_t ChooseDisplay(const std::vector<DisplayDriverInfo>& drivers, uint32_t flags, DisplayChoice* out);

}  // namespace qv
