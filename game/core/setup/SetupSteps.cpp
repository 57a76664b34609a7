// The device, sound and dialog steps of the settings.
#include <cstring>

#include "game/core/audio/AudioSystem.h"
#include "game/core/cdaudio/CdAudio.h"
#include "game/core/config/Config.h"
#include "game/core/display/DeviceList.h"
#include "game/core/setup/SetupDialog.h"
#include "platform/sys/MessageBox.h"

namespace kes {

const char* const kStringMayNotRun = "The game may not run correctly !";
const char* const kStringNoZBuffer = "There's no Z buffer available on this video card.";
const char* const kStringNoAlphaBlend = "There's no Alpha blending available on this video card.";
const char* const kStringNoVideoCard = "There's no available video card for the game.";
const char* const kStringNoAudioDevice = "Can't find any audio device.\nThe game won't play any sound.";
const char* const kStringNoDefaultMode = "There's no default resolution selected !\nUsing 640 x 480 x 16 as default.";

namespace {

SoundDeviceLister g_soundLister = nullptr;

Guid ToGuid(const DeviceGuid& g) {
    Guid out{};
    DeviceGuidToBytes(g, out.data());
    return out;
}

}  // namespace

SoundDeviceLister SetSoundDeviceLister(SoundDeviceLister lister) {
    SoundDeviceLister old = g_soundLister;
    g_soundLister = lister;
    return old;
}

int32_t AcceptHardwareDevice(const DeviceDescription& device, const DriverCaps&) {
    return device.flags != 0 ? 0 : static_cast<int32_t>(0x80004005);
}

int SetupSteps(const char* title, Guid* outDisplayDriver, Guid* outDevice3D, Guid* outSound, int showDialog) {
    CdOpen();
    std::vector<DevicePair> pairs;
    if (EnumerateDevices(AcceptHardwareDevice) == 0) {
        for (DriverEntry* driver = GetDeviceList(); driver; driver = driver->next) {
            for (DeviceEntry* device = driver->devices; device; device = device->next) {
                if (!device->hardware) continue;
                std::string name = std::string(driver->name) + " / " + device->description;
                if (name.size() > 127) name.resize(127);
                pairs.push_back({driver, device, name});
            }
        }
    }
    if (pairs.empty()) {
        // The game cannot run: the message, then the exit path (not an abrupt end of the process).
        plat::MessageBox(kStringNoVideoCard, title, plat::MB_OK | plat::MB_ICONEXCLAMATION);
        CdClose();
        FreeDeviceList();
        return 0;
    }
    size_t pair = 0;
    for (size_t i = 0; i < pairs.size(); ++i) {
        if (ToGuid(pairs[i].device->guid) == g_Config.device3D && ToGuid(pairs[i].driver->guid) == g_Config.displayDriver) {
            pair = i;
            break;
        }
    }
    g_Config.device3D = ToGuid(pairs[pair].device->guid);
    g_Config.displayDriver = ToGuid(pairs[pair].driver->guid);

    const Guid storedSound = g_Config.soundDevice;
    std::vector<SoundDeviceInfo> sounds = g_soundLister ? g_soundLister() : std::vector<SoundDeviceInfo>{};
    size_t sound = 0;
    if (sounds.empty()) {
        g_Config.soundDevice = Guid{};
        plat::MessageBox(kStringNoAudioDevice, title, plat::MB_OK | plat::MB_ICONEXCLAMATION);
    } else {
        bool found = false;
        for (size_t i = 0; i < sounds.size() && !found; ++i) {
            if (sounds[i].guid == storedSound) {
                sound = i;
                found = true;
            }
        }
        if (!found) {
            g_Config.hardware3DSound = 0;
            g_Config.swapStereo = 0;
            g_Config.effectsVolume = 100;
            g_Config.musicVolume = 60;
        }
        g_Config.soundDevice = sounds[sound].guid;
    }

    int result = 1;
    if (showDialog) {
        SetupDialog dialog(pairs, pair, sounds, sound, storedSound);
        result = RunSetupDialog(dialog);
        // The dialog's buttons closed CD audio.
        if (result == kIdCancel) {
            FreeDeviceList();
            return 0;
        }
        pair = dialog.SelectedPair();
        sound = dialog.SelectedSound();
    } else {
        // Without the dialog nothing else closes it, and start-up opens it again.
        CdClose();
    }
    if (outDisplayDriver) *outDisplayDriver = ToGuid(pairs[pair].driver->guid);
    if (outDevice3D) *outDevice3D = ToGuid(pairs[pair].device->guid);
    if (outSound) *outSound = sounds.empty() ? Guid{} : sounds[sound].guid;
    SaveConfig();
    FreeDeviceList();
    return result;
}

std::vector<SoundDeviceInfo> ListSoundDevices() {
    std::vector<SoundDeviceInfo> list;
    for (const SoundDeviceEntry& e : EnumerateSoundDevices()) {
        SoundDeviceInfo info;
        info.name = e.description;
        info.guid = e.hasGuid ? e.guid : Guid{};
        // OpenAL mixes and places every voice in software: no hardware capabilities to show.
        list.push_back(info);
    }
    return list;
}

void InstallSetupSteps() {
    SetSetupSteps(SetupSteps);
    SetSoundDeviceLister(ListSoundDevices);
}

}  // namespace kes
