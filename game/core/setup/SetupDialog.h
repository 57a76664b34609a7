#pragma once
// The device and sound steps of the settings and the set-up dialog (dialog 106, "Let's Rock !"):
// the hardware 3D devices and their resolutions, the texture filters, and the sound device. The
// dialog is a model answering control ids, shown with Dear ImGui; headless it is not shown and takes
// its default answer (OK) unless a test drives it.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "game/core/config/ConfigRecord.h"

namespace plat {
struct GfxFeatures;
}

namespace kes {

struct DriverEntry;
struct DeviceEntry;
struct ModeEntry;
struct DeviceDescription;
struct DriverCaps;

// Control ids of dialog 106.
enum SetupControl : int {
    kIdOk = 1,
    kIdCancel = 2,
    kIdDevice = 1005,
    kIdSound = 1006,
    kIdMode = 1007,
    kIdBilinear = 1015,
    kIdMipMapping = 1016,
    kIdPerspective = 1017,
    kIdTrilinear = 1018,
    kIdHwMixing = 1024,
    kIdHw3D = 1025,
    kIdHasZBuffer = 1026,
    kIdHasGouraud = 1027,
    kIdHasPerspective = 1028,
    kIdHasChromaKey = 1029,
    kIdCanBilinear = 1030,
    kIdCanTrilinear = 1031,
    kIdCanMipMapping = 1032,
    kIdHasAlphaBlend = 1033,
};

// The program's strings used by these steps.
extern const char* const kStringNoZBuffer;       // 2
extern const char* const kStringMayNotRun;       // 1
extern const char* const kStringNoAlphaBlend;    // 3
extern const char* const kStringNoVideoCard;     // 4
extern const char* const kStringNoAudioDevice;   // 5
extern const char* const kStringNoDefaultMode;   // 7

struct DevicePair {
    DriverEntry* driver;
    DeviceEntry* device;
    std::string name;  // "driver / device", at most 127 characters
};

struct SoundDeviceInfo {
    std::string name;
    Guid guid{};
    uint32_t hardwareMixing = 0;
    uint32_t hardware3D = 0;
};

// The sound devices present; InstallSetupSteps installs ListSoundDevices.
using SoundDeviceLister = std::vector<SoundDeviceInfo> (*)();
SoundDeviceLister SetSoundDeviceLister(SoundDeviceLister lister);
// The sound manager's devices: the default device first (all-zero identifier), then each by name.
std::vector<SoundDeviceInfo> ListSoundDevices();

// The enumeration filter: hardware devices only.
int32_t AcceptHardwareDevice(const DeviceDescription& device, const DriverCaps& driver);

class SetupDialog {
public:
    // Takes the pairs, modes and sound devices of the current selection in g_Config.
    SetupDialog(std::vector<DevicePair> pairs, size_t pair, std::vector<SoundDeviceInfo> sounds, size_t sound,
                const Guid& storedSound);
    // The dialog procedure: a control changed (list index, or ignored for buttons and check boxes).
    // Returns 0 while the dialog stays open, else its end code (1 OK, 2 cancel).
    int Command(int id, int value = 0);
    void FillVideoModes(size_t pair);
    int FillSoundCaps(size_t sound);

    const std::vector<DevicePair>& Pairs() const { return pairs_; }
    const std::vector<ModeEntry*>& Modes() const { return modes_; }
    const std::vector<SoundDeviceInfo>& Sounds() const { return sounds_; }
    size_t SelectedPair() const { return pair_; }
    size_t SelectedMode() const { return mode_; }
    size_t SelectedSound() const { return sound_; }
    // Check boxes: checked, enabled.
    bool Checked(int id) const;
    bool Enabled(int id) const;
    int Result() const { return result_; }
    // What the selected device offers, or null without a device.
    const plat::GfxFeatures* Features() const;

private:
    // Whether the selected device offers the feature of a capability box or filter switch.
    bool Offers(int id) const;

    std::vector<DevicePair> pairs_;
    std::vector<ModeEntry*> modes_;
    std::vector<SoundDeviceInfo> sounds_;
    size_t pair_ = 0;
    size_t mode_ = 0;
    size_t sound_ = 0;
    Guid storedSound_{};
    int result_ = 0;
};

// Tests drive the dialog: called once per shown frame with the frame number; returns a control id to
// press (with the value for lists) or 0 to wait. Installing one shows the dialog even headless.
using SetupDialogDriver = std::function<int(SetupDialog& dialog, int frame, int* value)>;
void SetSetupDialogDriver(SetupDialogDriver driver);

// Shows the dialog until it ends; 1 OK, 2 cancel. Headless without a driver: 1 at once.
int RunSetupDialog(SetupDialog& dialog);

// The steps after the record is loaded: CD audio opened, devices enumerated and matched, sound
// devices matched, the dialog when asked, the out GUIDs and the record written; 1 go on, 0 stop.
int SetupSteps(const char* title, Guid* outDisplayDriver, Guid* outDevice3D, Guid* outSound, int showDialog);

// Makes SetupSteps the steps that LoadConfigAndShowSetup runs.
void InstallSetupSteps();

// Shows the platform's modal dialogs (the open-file chooser) in a window of their own, as the set-up
// dialog is shown, for the time before the main window exists.
void InstallDialogRunner();

}  // namespace kes
