// The set-up dialog's procedure: lists and check boxes by control id.
#include "game/core/setup/SetupDialog.h"

#include "game/core/cdaudio/CdAudio.h"
#include "game/core/config/Config.h"
#include "game/core/display/DeviceList.h"
#include "platform/sys/MessageBox.h"

namespace kes {

SetupDialog::SetupDialog(std::vector<DevicePair> pairs, size_t pair, std::vector<SoundDeviceInfo> sounds,
                         size_t sound, const Guid& storedSound)
    : pairs_(std::move(pairs)), sounds_(std::move(sounds)), pair_(pair), sound_(sound), storedSound_(storedSound) {
    FillVideoModes(pair_);
    if (!sounds_.empty()) FillSoundCaps(sound_);
}

void SetupDialog::FillVideoModes(size_t pair) {
    modes_.clear();
    mode_ = 0;
    if (pair >= pairs_.size()) return;
    bool found = false;
    for (ModeEntry* m = pairs_[pair].device->modes; m; m = m->next) {
        if (!found && m->width == g_Config.screenWidth && m->height == g_Config.screenHeight &&
            m->bitsPerPixel == g_Config.bitsPerPixel) {
            mode_ = modes_.size();
            found = true;
        }
        modes_.push_back(m);
    }
    if (!found) {
        plat::MessageBox(kStringNoDefaultMode, "", plat::MB_OK);
        g_Config.screenWidth = 640;
        g_Config.screenHeight = 480;
        g_Config.bitsPerPixel = 16;
        for (size_t i = 0; i < modes_.size(); ++i)
            if (modes_[i]->width == 640 && modes_[i]->height == 480 && modes_[i]->bitsPerPixel == 16) mode_ = i;
    }
    // What the device lacks: warnings for the two the game needs most, and the filter switches it
    // cannot honour turned off.
    const plat::GfxFeatures& f = pairs_[pair].device->features;
    if (!f.zBuffer)
        plat::MessageBox(std::string(kStringNoZBuffer) + "\n\n" + kStringMayNotRun, "", plat::MB_OK | plat::MB_ICONEXCLAMATION);
    if (!f.alphaBlend)
        plat::MessageBox(std::string(kStringNoAlphaBlend) + "\n\n" + kStringMayNotRun, "",
                         plat::MB_OK | plat::MB_ICONEXCLAMATION);
    if (!f.perspective) g_Config.perspective = 0;
    if (!f.bilinear) g_Config.bilinear = 0;
    if (!f.trilinear) g_Config.trilinear = 0;
    if (!f.mipMapping) g_Config.mipMapping = 0;
}

const plat::GfxFeatures* SetupDialog::Features() const {
    return pair_ < pairs_.size() ? &pairs_[pair_].device->features : nullptr;
}

int SetupDialog::FillSoundCaps(size_t sound) {
    if (sound >= sounds_.size()) return 0;
    const bool other = sounds_[sound].guid != storedSound_;
    if (other) {
        g_Config.hardware3DSound = 0;
        g_Config.swapStereo = 0;
        g_Config.effectsVolume = 100;
        g_Config.musicVolume = 60;
    }
    return other ? 1 : 0;
}

bool SetupDialog::Checked(int id) const {
    switch (id) {
    case kIdPerspective: return g_Config.perspective != 0;
    case kIdBilinear: return g_Config.bilinear != 0;
    case kIdTrilinear: return g_Config.trilinear != 0;
    case kIdMipMapping: return g_Config.mipMapping != 0;
    case kIdHwMixing: return sound_ < sounds_.size() && sounds_[sound_].hardwareMixing;
    case kIdHw3D: return sound_ < sounds_.size() && sounds_[sound_].hardware3D;
    default: return Offers(id);
    }
}

bool SetupDialog::Offers(int id) const {
    const plat::GfxFeatures* f = Features();
    if (!f) return false;
    switch (id) {
    case kIdHasZBuffer: return f->zBuffer;
    case kIdHasGouraud: return f->gouraud;
    case kIdHasPerspective:
    case kIdPerspective: return f->perspective;
    case kIdHasChromaKey: return f->chromaKey;
    case kIdHasAlphaBlend: return f->alphaBlend;
    case kIdCanBilinear:
    case kIdBilinear: return f->bilinear;
    case kIdCanTrilinear:
    case kIdTrilinear: return f->trilinear;
    case kIdCanMipMapping:
    case kIdMipMapping: return f->mipMapping;
    default: return false;
    }
}

bool SetupDialog::Enabled(int id) const {
    switch (id) {
    case kIdPerspective:
    case kIdBilinear:
    case kIdTrilinear:
    case kIdMipMapping: return Offers(id);
    case kIdDevice:
    case kIdMode:
    case kIdOk:
    case kIdCancel: return true;
    case kIdSound: return !sounds_.empty();
    default: return false;  // the capability boxes only show
    }
}

int SetupDialog::Command(int id, int value) {
    auto flip = [](uint32_t& word) { word = word ? 0u : 1u; };
    switch (id) {
    case kIdDevice:
        if (value >= 0 && static_cast<size_t>(value) < pairs_.size()) {
            pair_ = static_cast<size_t>(value);
            DeviceGuidToBytes(pairs_[pair_].device->guid, g_Config.device3D.data());
            DeviceGuidToBytes(pairs_[pair_].driver->guid, g_Config.displayDriver.data());
            g_Config.deviceChanged = 1;
            FillVideoModes(pair_);
        }
        break;
    case kIdMode:
        if (value >= 0 && static_cast<size_t>(value) < modes_.size()) {
            mode_ = static_cast<size_t>(value);
            g_Config.screenWidth = modes_[mode_]->width;
            g_Config.screenHeight = modes_[mode_]->height;
            g_Config.bitsPerPixel = modes_[mode_]->bitsPerPixel;
        }
        break;
    case kIdSound:
        if (value >= 0 && static_cast<size_t>(value) < sounds_.size()) {
            sound_ = static_cast<size_t>(value);
            FillSoundCaps(sound_);
            g_Config.soundDevice = sounds_[sound_].guid;
        }
        break;
    // A switch the device cannot honour stays off (its box is disabled).
    case kIdPerspective: if (Offers(id)) flip(g_Config.perspective); break;
    case kIdBilinear: if (Offers(id)) flip(g_Config.bilinear); break;
    case kIdTrilinear: if (Offers(id)) flip(g_Config.trilinear); break;
    case kIdMipMapping: if (Offers(id)) flip(g_Config.mipMapping); break;
    case kIdOk:
    case kIdCancel:
        CdClose();
        result_ = id;
        return id;
    default:
        if (id >= 1000 && id <= 1003) g_Config.language = static_cast<uint32_t>(id - 1000);
        break;
    }
    return 0;
}

}  // namespace kes
