#pragma once
// Choosing and changing the editor's display: the "Select New Direct3D Driver" dialog over the driver,
// device and mode lists, and the display set-up that the rendering layer rebuilds after a change of
// device, of size or between a window and the full screen. The back end does the rebuilding (the GL
// window in the program, a fake in tests).
#include <cstdint>
#include <vector>

#include "editor/render/Framework.h"

namespace qv {

// Control ids of the dialog.
enum : int {
    kDriverList = 1000,
    kDeviceList = 1001,
    kModeList = 1002,
};

// Shows the dialog over `drivers`, starting from `current`. Answers 1 when OK changed the choice (stored
// in `current`), 2 when it did not or the dialog was cancelled, -1 when there is no current choice.
int SelectDriverDialog(const std::vector<DisplayDriverInfo>& drivers, DisplayChoice& current);

// What the display is made with: the three switches and the requested size.
struct DisplaySettings {
    bool windowed = true;
    bool backBuffer = true;
    bool zBuffer = true;
    int32_t width = 640, height = 480;  // requested (the full-screen size)
    // Creation flags: bit 0 full screen, bit 1 back buffer, bit 2 z-buffer.
    uint32_t Flags() const { return (windowed ? 0u : 1u) | (backBuffer ? 2u : 0u) | (zBuffer ? 4u : 0u); }
};

class DisplayBackend {
public:
    virtual ~DisplayBackend() = default;
    // Releases what was made and makes it again for the settings and the device choice; 0 or a
    // framework code. Textures survive (the back end keeps or re-creates them).
    virtual uint32_t Rebuild(const DisplaySettings& settings, const DisplayChoice& choice) = 0;
    // The window's client size on the desktop.
    virtual void SetWindowSize(int32_t width, int32_t height) = 0;
    // After a failed rebuild the editor cannot draw: the window is closed (the editor ends).
    virtual void DestroyWindow() = 0;
};

class DisplaySetup {
public:
    // The size a window takes when the display leaves the full screen.
    static constexpr int32_t kToggledWindowSize = 300;

    DisplaySetup(DisplayBackend* backend, std::vector<DisplayDriverInfo> drivers, DisplayChoice choice,
                 DisplaySettings settings, int32_t windowWidth, int32_t windowHeight);

    // Stores the requested size, goes to the full screen at that size and rebuilds.
    uint32_t Resize(int32_t width, int32_t height);
    // Between window and full screen: to a window of 300 x 300, or to the full screen at the requested
    // size; then rebuilds.
    uint32_t ToggleSize();
    // Only store and answer the window size.
    void SetSize(int32_t width, int32_t height);
    void GetSize(int32_t* width, int32_t* height) const;
    // Rebuilds after a change; a window gets its size back. A failure shows the error box with the
    // "exit" ending, closes the window and answers the code.
    uint32_t Rebuild();
    // The driver dialog (with the windowed marks renewed from the desktop depth); a changed choice
    // rebuilds. Answers the dialog's result.
    int ChooseDevice(int desktopBits);

    const DisplaySettings& Settings() const { return settings_; }
    const DisplayChoice& Choice() const { return choice_; }
    const std::vector<DisplayDriverInfo>& Drivers() const { return drivers_; }

private:
    DisplayBackend* backend_;
    std::vector<DisplayDriverInfo> drivers_;
    DisplayChoice choice_;
    DisplaySettings settings_;
    int32_t windowWidth_, windowHeight_;
};

}  // namespace qv
