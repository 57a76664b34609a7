#include "game/core/display/DeviceList.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <tuple>

#include "platform/gfx/GfxDevice.h"

namespace kes {

const DeviceGuid kPrimaryDriverGuid{};
const DeviceGuid kHardwareDeviceGuid{0x6A7E3D01, 0x47C2, 0x4B1E, {0x9A, 0x33, 0x5D, 0x0C, 0x47, 0x11, 0x60, 0x33}};

namespace {

DriverEntry* g_drivers = nullptr;
DriverEntry* g_selectedDriver = nullptr;

constexpr uint32_t kCanRenderWindowed = 0x80000;

uint32_t DepthFlag(uint32_t bits) {
    switch (bits) {
    case 16: return 0x400;
    case 24: return 0x200;
    case 32: return 0x100;
    default: return 0;
    }
}

void CopyText(char* dst, const char* src) {
    std::memset(dst, 0, 40);
    std::memcpy(dst, src, strnlen(src, 39));
}

}  // namespace

bool AcceptMode(uint32_t width, uint32_t height, uint32_t bits, uint32_t renderBitDepths) {
    if (bits == 8) return false;
    const uint32_t flag = DepthFlag(bits);
    if (!flag || !(renderBitDepths & flag)) return false;
    if (width < 400 || width > 1280 || height < 300 || height > 1024) return false;
    const double ratio = static_cast<double>(width) / height;
    return ratio >= 1.2 && ratio <= 1.4;
}

void FreeDeviceList() {
    g_selectedDriver = nullptr;
    while (g_drivers) {
        DriverEntry* d = g_drivers;
        g_drivers = d->next;
        while (d->devices) {
            DeviceEntry* dev = d->devices;
            d->devices = dev->next;
            while (dev->modes) {
                ModeEntry* m = dev->modes;
                dev->modes = m->next;
                delete m;
            }
            delete dev;
        }
        delete d;
    }
}

DriverEntry* GetDeviceList() { return g_drivers; }

int32_t GetSelectedDevice(DriverEntry** driver, DeviceEntry** device) {
    if (!g_selectedDriver || !g_selectedDriver->selectedDevice) return kNoDriverSelected;
    if (driver) *driver = g_selectedDriver;
    if (device) *device = g_selectedDriver->selectedDevice;
    return 0;
}

static void MarkSelectedDriver(DriverEntry* chosen) { g_selectedDriver = chosen; }

namespace {
FeatureProbe g_featureProbe = nullptr;
}  // namespace

FeatureProbe SetFeatureProbe(FeatureProbe probe) {
    FeatureProbe old = g_featureProbe;
    g_featureProbe = probe;
    return old;
}

int32_t EnumerateDevicesFrom(const std::vector<SystemMode>& systemModes, int desktopBits, DeviceFilter filter,
                             const plat::GfxFeatures* features) {
    FreeDeviceList();
    // Sizes: what the system reports, and the common render sizes no larger than the largest of them.
    std::vector<std::tuple<uint32_t, uint32_t, uint32_t>> sizes;
    int maxW = 0, maxH = 0;
    for (const SystemMode& m : systemModes) {
        maxW = std::max(maxW, m.width);
        maxH = std::max(maxH, m.height);
    }
    const std::pair<int, int> common[] = {{640, 480}, {800, 600}, {1024, 768}, {1152, 864}, {1280, 960}, {1280, 1024}};
    std::vector<std::pair<int, int>> sizeList;
    for (auto [w, h] : common)
        if (w <= maxW && h <= maxH) sizeList.push_back({w, h});
    for (const SystemMode& m : systemModes) sizeList.push_back({m.width, m.height});
    std::vector<uint32_t> depths = {16, 32};
    if (desktopBits > 0 && desktopBits != 16 && desktopBits != 32) depths.push_back(static_cast<uint32_t>(desktopBits));
    for (auto [w, h] : sizeList)
        for (uint32_t b : depths) sizes.emplace_back(static_cast<uint32_t>(w), static_cast<uint32_t>(h), b);
    std::sort(sizes.begin(), sizes.end());
    sizes.erase(std::unique(sizes.begin(), sizes.end()), sizes.end());

    auto* driver = new DriverEntry{};
    driver->guid = kPrimaryDriverGuid;
    driver->guidPointer = nullptr;
    CopyText(driver->description, "Primary Display Driver");
    CopyText(driver->name, "display");
    driver->caps.caps2 = kCanRenderWindowed;

    bool sawDevice = false;
    auto* dev = new DeviceEntry{};
    dev->guid = kHardwareDeviceGuid;
    dev->guidPointer = &dev->guid;
    CopyText(dev->description, "OpenGL 3.3 hardware device");
    dev->desc = DeviceDescription{1, 2, 0x400 | 0x200 | 0x100, 0x40};
    dev->hardware = 1;
    dev->features = features ? *features : plat::GfxFeatures{true, true, true, true, true, true, true, true};
    sawDevice = true;
    bool keep = !filter || filter(dev->desc, driver->caps) >= 0;
    if (keep) {
        ModeEntry** tail = &dev->modes;
        for (auto [w, h, b] : sizes) {
            if (!AcceptMode(w, h, b, dev->desc.renderBitDepths)) continue;
            auto* m = new ModeEntry{w, h, b, {}, nullptr};
            std::snprintf(m->name, sizeof m->name, "%ld x %ld x %ld", static_cast<long>(w), static_cast<long>(h),
                          static_cast<long>(b));
            *tail = m;
            tail = &m->next;
            if (w == 640 && h == 480 && b == 16) dev->selectedMode = m;
        }
        if (!dev->selectedMode) dev->selectedMode = dev->modes;
        if (!dev->modes) keep = false;
    }
    if (keep) {
        for (ModeEntry* m = dev->modes; m; m = m->next)
            if (static_cast<int>(m->bitsPerPixel) == desktopBits) dev->canRenderWindowed = 1;
        driver->devices = dev;
        driver->selectedDevice = dev;  // a hardware device
    } else {
        while (dev->modes) {
            ModeEntry* m = dev->modes;
            dev->modes = m->next;
            delete m;
        }
        delete dev;
    }
    if (!driver->devices) {
        delete driver;
        return sawDevice ? kNoUsableDevice : kNoDriverSelected;
    }
    g_drivers = driver;

    // Default selection: hardware windowed, software windowed, hardware, software.
    for (int pass = 0; pass < 4; ++pass) {
        const bool windowed = pass < 2;
        const bool hardware = (pass % 2) == 0;
        for (DriverEntry* d = g_drivers; d; d = d->next) {
            if (windowed && !(d->caps.caps2 & kCanRenderWindowed)) continue;
            for (DeviceEntry* e = d->devices; e; e = e->next) {
                if ((e->hardware != 0) != hardware) continue;
                if (windowed && !e->canRenderWindowed) continue;
                d->selectedDevice = e;
                if (windowed) e->windowedSelected = 1;
                MarkSelectedDriver(d);
                return 0;
            }
        }
    }
    return kNoUsableDevice;
}

int32_t EnumerateDevices(DeviceFilter filter) {
    std::vector<SystemMode> modes;
    int desktopBits = 0;
    const auto system = plat::GfxDevice::DisplayModes();
    for (const auto& m : system) modes.push_back({m.width, m.height, m.bitsPerPixel});
    if (!system.empty()) desktopBits = system.back().bitsPerPixel;  // the desktop mode comes last
    const plat::GfxFeatures features = g_featureProbe ? g_featureProbe() : plat::GfxDevice::ProbeFeatures();
    return EnumerateDevicesFrom(modes, desktopBits, filter, &features);
}

int32_t SelectDeviceByGuid(const DeviceGuid& driverGuid, const DeviceGuid& deviceGuid, uint32_t width,
                           uint32_t height) {
    for (DriverEntry* d = g_drivers; d; d = d->next) {
        if (!(d->guid == driverGuid)) continue;
        for (DeviceEntry* e = d->devices; e; e = e->next) {
            if (!(e->guid == deviceGuid)) continue;
            d->selectedDevice = e;
            MarkSelectedDriver(d);
            ModeEntry* best = nullptr;
            int64_t bestScore = 0;
            for (ModeEntry* m = e->modes; m; m = m->next) {
                if (m->bitsPerPixel != 16) continue;
                if (m->width == width && m->height == height) {
                    best = m;
                    break;
                }
                const int64_t score = std::llabs((static_cast<int64_t>(m->width) - width) *
                                                 (static_cast<int64_t>(m->height) - height));
                if (!best || score < bestScore) {
                    best = m;
                    bestScore = score;
                }
            }
            e->selectedMode = best;
            return 0;
        }
    }
    return 1;
}

}  // namespace kes
