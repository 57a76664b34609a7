#include "editor/render/DisplaySetup.h"

#include "platform/dialogs/Modal.h"

namespace qv {

namespace {

// The dialog's working copy of the choice while it is open.
struct DriverDialogState {
    const std::vector<DisplayDriverInfo>* drivers;
    DisplayChoice choice;
    bool windowedItem = false;  // the mode list starts with "Windowed mode"

    const DisplayDriverInfo& Driver() const { return (*drivers)[static_cast<size_t>(choice.driver)]; }
    const DisplayDeviceInfo* Device() const {
        const auto& devices = Driver().devices;
        if (choice.device < 0 || static_cast<size_t>(choice.device) >= devices.size()) return nullptr;
        return &devices[static_cast<size_t>(choice.device)];
    }
};

plat::DialogTemplate DriverDialogTemplate() {
    using plat::ControlKind;
    plat::DialogTemplate t;
    t.title = "Select New Direct3D Driver";
    t.width = 300;
    t.height = 130;
    t.controls = {
        {ControlKind::Static, -1, "Driver:", 8, 10, 60, 16, 0},
        {ControlKind::ComboBox, kDriverList, "", 70, 8, 220, 16, 0},
        {ControlKind::Static, -1, "Device:", 8, 34, 60, 16, 0},
        {ControlKind::ComboBox, kDeviceList, "", 70, 32, 220, 16, 0},
        {ControlKind::Static, -1, "Mode:", 8, 58, 60, 16, 0},
        {ControlKind::ComboBox, kModeList, "", 70, 56, 220, 16, 0},
        {ControlKind::Button, plat::kIdOk, "OK", 130, 96, 70, 22, plat::kStyleDefault},
        {ControlKind::Button, plat::kIdCancel, "Cancel", 210, 96, 70, 22, 0},
    };
    return t;
}

void FillModes(plat::Dialog& d, DriverDialogState& s) {
    d.ResetContent(kModeList);
    const DisplayDeviceInfo* device = s.Device();
    s.windowedItem = false;
    if (!device) return;
    s.windowedItem = s.Driver().canRenderWindowed && s.Driver().primary && device->canRenderWindowed;
    if (s.windowedItem) d.AddString(kModeList, "Windowed mode");
    for (const DisplayModeInfo& m : device->modes) d.AddString(kModeList, m.text);
    const int offset = s.windowedItem ? 1 : 0;
    if (s.choice.windowed && s.windowedItem) d.SetCurrent(kModeList, 0);
    else if (s.choice.mode >= 0) d.SetCurrent(kModeList, s.choice.mode + offset);
}

void FillDevices(plat::Dialog& d, DriverDialogState& s) {
    d.ResetContent(kDeviceList);
    for (const DisplayDeviceInfo& device : s.Driver().devices) d.AddString(kDeviceList, device.name);
    d.SetCurrent(kDeviceList, s.choice.device);
    FillModes(d, s);
}

// A newly picked device brings its own chosen mode and windowed choice.
void TakeDevice(DriverDialogState& s, int device) {
    s.choice.device = device;
    if (const DisplayDeviceInfo* info = s.Device()) {
        s.choice.mode = info->chosenMode;
        s.choice.windowed = info->windowed;
    }
}

}  // namespace

int SelectDriverDialog(const std::vector<DisplayDriverInfo>& drivers, DisplayChoice& current) {
    if (current.driver < 0 || static_cast<size_t>(current.driver) >= drivers.size()) return -1;
    DriverDialogState state{&drivers, current};
    plat::DialogProc proc = [&state](plat::Dialog& d, uint32_t msg, uintptr_t wParam, intptr_t) -> intptr_t {
        if (msg == plat::WM_INITDIALOG) {
            for (const DisplayDriverInfo& driver : *state.drivers) d.AddString(kDriverList, driver.description);
            d.SetCurrent(kDriverList, state.choice.driver);
            FillDevices(d, state);
            return 1;
        }
        if (msg != plat::WM_COMMAND) return 0;
        const int id = plat::LowWord(wParam);
        const uint16_t code = plat::HighWord(wParam);
        if (id == kDriverList && code == plat::CBN_SELCHANGE) {
            const int driver = d.Current(kDriverList);
            if (driver < 0 || static_cast<size_t>(driver) >= state.drivers->size()) return 1;
            state.choice.driver = driver;
            TakeDevice(state, state.Driver().chosenDevice);
            FillDevices(d, state);
            return 1;
        }
        if (id == kDeviceList && code == plat::CBN_SELCHANGE) {
            const int device = d.Current(kDeviceList);
            if (device < 0 || static_cast<size_t>(device) >= state.Driver().devices.size()) return 1;
            TakeDevice(state, device);
            FillModes(d, state);
            return 1;
        }
        if (id == kModeList && code == plat::CBN_SELCHANGE) {
            const int item = d.Current(kModeList);
            if (item < 0) return 1;
            if (state.windowedItem && item == 0) {
                state.choice.windowed = true;
            } else {
                state.choice.mode = item - (state.windowedItem ? 1 : 0);
                state.choice.windowed = false;
            }
            return 1;
        }
        if (id == plat::kIdOk) {
            d.End(state.Device() ? 1 : 2);
            return 1;
        }
        if (id == plat::kIdCancel) {
            d.End(2);
            return 1;
        }
        return 0;
    };
    const intptr_t result = plat::RunModal(DriverDialogTemplate(), proc);
    if (result != 1 || state.choice == current) return 2;
    current = state.choice;
    return 1;
}

DisplaySetup::DisplaySetup(DisplayBackend* backend, std::vector<DisplayDriverInfo> drivers, DisplayChoice choice,
                           DisplaySettings settings, int32_t windowWidth, int32_t windowHeight)
    : backend_(backend), drivers_(std::move(drivers)), choice_(choice), settings_(settings),
      windowWidth_(windowWidth), windowHeight_(windowHeight) {}

uint32_t DisplaySetup::Resize(int32_t width, int32_t height) {
    settings_.width = width;
    settings_.height = height;
    settings_.windowed = false;
    return Rebuild();
}

uint32_t DisplaySetup::ToggleSize() {
    settings_.windowed = !settings_.windowed;
    if (settings_.windowed) {
        windowWidth_ = windowHeight_ = kToggledWindowSize;
    } else {
        windowWidth_ = settings_.width;
        windowHeight_ = settings_.height;
    }
    return Rebuild();
}

void DisplaySetup::SetSize(int32_t width, int32_t height) {
    windowWidth_ = width;
    windowHeight_ = height;
}

void DisplaySetup::GetSize(int32_t* width, int32_t* height) const {
    if (width) *width = windowWidth_;
    if (height) *height = windowHeight_;
}

uint32_t DisplaySetup::Rebuild() {
    DisplayChoice choice = choice_;
    choice.windowed = settings_.windowed;
    const uint32_t code = backend_->Rebuild(settings_, choice);
    if (code != 0) {
        ShowFrameworkError(code, 1);
        backend_->DestroyWindow();
        return code;
    }
    if (settings_.windowed) backend_->SetWindowSize(windowWidth_, windowHeight_);
    return 0;
}

int DisplaySetup::ChooseDevice(int desktopBits) {
    RenewWindowedMarks(drivers_, desktopBits);
    const int result = SelectDriverDialog(drivers_, choice_);
    if (result == 1) {
        settings_.windowed = choice_.windowed;
        if (!settings_.windowed && choice_.mode >= 0) {
            const DisplayModeInfo& m = drivers_[static_cast<size_t>(choice_.driver)]
                                           .devices[static_cast<size_t>(choice_.device)]
                                           .modes[static_cast<size_t>(choice_.mode)];
            settings_.width = m.width;
            settings_.height = m.height;
        }
        Rebuild();
    }
    return result;
}

}  // namespace qv
