#include "game/core/config/ConfigRecord.h"

#include <algorithm>

#include "platform/bytes/ByteIO.h"

namespace kes {

ConfigBytes SerializeConfigRecord(const ConfigRecord& r) {
    plat::ByteWriter w;
    w.U32(r.version);
    w.U32(r.language);
    w.Bytes(r.device3D.data(), r.device3D.size());
    w.Bytes(r.displayDriver.data(), r.displayDriver.size());
    w.Bytes(r.soundDevice.data(), r.soundDevice.size());
    w.U32(r.perspective);
    w.U32(r.bilinear);
    w.U32(r.trilinear);
    w.U32(r.mipMapping);
    w.U32(r.deviceChanged);
    w.Bytes(r.text.data(), r.text.size());
    w.U32(r.screenWidth);
    w.U32(r.screenHeight);
    w.U32(r.bitsPerPixel);
    w.U32(r.displaySlider1);
    w.U32(r.displaySlider2);
    w.U32(r.drawDistance);
    w.U32(r.landscapeDetail);
    w.U32(r.textureDetail);
    w.U32(r.keptWordAC);
    w.U32(r.raceStartOption);
    w.U32(r.musicVolume);
    w.U32(r.effectsVolume);
    w.U32(r.keptWordBC);
    w.U32(r.hardware3DSound);
    w.U32(r.swapStereo);
    w.U32(r.hostedNameEntered);
    w.Bytes(r.hostedName.data(), r.hostedName.size());
    w.U32(r.raceOption1);
    w.U32(r.raceOption2);
    w.U32(r.raceOption3);
    w.U32(r.raceOption4);
    w.U32(r.gameMode);

    ConfigBytes out{};
    const std::vector<uint8_t>& bytes = w.Data();
    std::copy_n(bytes.begin(), std::min(bytes.size(), out.size()), out.begin());
    return out;
}

bool ParseConfigRecord(std::span<const uint8_t> bytes, ConfigRecord& record) {
    if (bytes.size() != kConfigRecordSize) return false;
    plat::ByteReader in(bytes);
    ConfigRecord r;
    r.version = in.U32();
    if (r.version != kConfigVersion) return false;
    r.language = in.U32();
    in.Bytes(r.device3D.data(), r.device3D.size());
    in.Bytes(r.displayDriver.data(), r.displayDriver.size());
    in.Bytes(r.soundDevice.data(), r.soundDevice.size());
    r.perspective = in.U32();
    r.bilinear = in.U32();
    r.trilinear = in.U32();
    r.mipMapping = in.U32();
    r.deviceChanged = in.U32();
    in.Bytes(r.text.data(), r.text.size());
    r.screenWidth = in.U32();
    r.screenHeight = in.U32();
    r.bitsPerPixel = in.U32();
    r.displaySlider1 = in.U32();
    r.displaySlider2 = in.U32();
    r.drawDistance = in.U32();
    r.landscapeDetail = in.U32();
    r.textureDetail = in.U32();
    r.keptWordAC = in.U32();
    r.raceStartOption = in.U32();
    r.musicVolume = in.U32();
    r.effectsVolume = in.U32();
    r.keptWordBC = in.U32();
    r.hardware3DSound = in.U32();
    r.swapStereo = in.U32();
    r.hostedNameEntered = in.U32();
    in.Bytes(r.hostedName.data(), r.hostedName.size());
    r.raceOption1 = in.U32();
    r.raceOption2 = in.U32();
    r.raceOption3 = in.U32();
    r.raceOption4 = in.U32();
    r.gameMode = in.U32();
    if (!in.Ok() || in.Remaining() != 0) return false;
    record = r;
    return true;
}

void ClampConfigRecord(ConfigRecord& r) {
    for (uint32_t* percent : {&r.displaySlider1, &r.displaySlider2, &r.drawDistance, &r.musicVolume,
                              &r.effectsVolume})
        *percent = std::min<uint32_t>(*percent, 100);
    r.landscapeDetail = std::min<uint32_t>(r.landscapeDetail, 2);
    r.text.back() = '\0';
    r.hostedName.back() = '\0';
}

}  // namespace kes
