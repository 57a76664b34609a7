#pragma once
// The enumerated display drivers, 3D devices and display modes offered to the settings dialog.
// There is one driver (the primary display, all-zero GUID) with one hardware device of a fixed
// GUID, so that the stored settings keep selecting them; its modes are those the system reports and
// the common 4:3 render sizes that fit the desktop, each at 16 and 32 bits (and the desktop's depth).
#include <cstdint>
#include <vector>

#include "game/core/display/DisplayTypes.h"
#include "platform/gfx/GfxDevice.h"

namespace kes {

struct DeviceDescription {
    uint32_t flags;            // non-zero for a hardware device
    uint32_t colourModel;      // bit 2: RGB
    uint32_t renderBitDepths;  // 0x400 16 bits, 0x200 24 bits, 0x100 32 bits
    uint32_t alphaCompareCaps; // 0x40: greater or equal
};

struct DriverCaps {
    uint32_t caps2;            // 0x80000: can render into a window
};

struct ModeEntry {
    uint32_t width, height, bitsPerPixel;
    char name[40];             // "%ld x %ld x %ld"
    ModeEntry* next;
};

struct DeviceEntry {
    DeviceGuid guid;
    const DeviceGuid* guidPointer;
    char description[40];
    DeviceDescription desc;
    uint32_t hardware;
    uint32_t canRenderWindowed;
    uint32_t windowedSelected;
    plat::GfxFeatures features;  // what the GL device offers (the set-up dialog's capability boxes)
    ModeEntry* selectedMode;
    ModeEntry* modes;
    DeviceEntry* next;
};

struct DriverEntry {
    DeviceGuid guid;
    const DeviceGuid* guidPointer;  // null for the primary display driver
    char description[40];
    char name[40];
    DriverCaps caps;
    DeviceEntry* selectedDevice;
    DeviceEntry* devices;
    DriverEntry* next;
};

using DeviceFilter = int32_t (*)(const DeviceDescription& device, const DriverCaps& driver);

extern const DeviceGuid kPrimaryDriverGuid;  // all zero
extern const DeviceGuid kHardwareDeviceGuid;

// Builds the lists from the modes the system reports and selects a default. 0 or a code.
int32_t EnumerateDevices(DeviceFilter filter = nullptr);
// The same from a given list of system modes and desktop depth (tests).
struct SystemMode {
    int width, height, bitsPerPixel;
};
// `features` is what the device offers; null: everything.
int32_t EnumerateDevicesFrom(const std::vector<SystemMode>& modes, int desktopBits, DeviceFilter filter,
                             const plat::GfxFeatures* features = nullptr);
// How EnumerateDevices learns what the device offers: by default a small hidden GL device is asked
// (plat::GfxDevice::ProbeFeatures). Returns the previous probe; null restores the default.
using FeatureProbe = plat::GfxFeatures (*)();
FeatureProbe SetFeatureProbe(FeatureProbe probe);
void FreeDeviceList();
DriverEntry* GetDeviceList();
int32_t GetSelectedDevice(DriverEntry** driver, DeviceEntry** device);
// Selects a driver and device and its 16-bit mode of that size, else the 16-bit mode nearest by
// |dw x dh| (first on ties). 1 when the GUIDs match nothing.
int32_t SelectDeviceByGuid(const DeviceGuid& driver, const DeviceGuid& device, uint32_t width, uint32_t height);
// The mode filter: depth, size and aspect rules.
bool AcceptMode(uint32_t width, uint32_t height, uint32_t bits, uint32_t renderBitDepths);

}  // namespace kes
