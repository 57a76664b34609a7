#pragma once
// The game's settings record: 320 bytes, stored as the binary registry value "Config" and kept in
// memory as g_Config for the whole run. Fields are read and written one by one at their fixed offsets.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace kes {

constexpr size_t kConfigRecordSize = 320;
constexpr uint32_t kConfigVersion = 8;
constexpr size_t kConfigTextSize = 64;
constexpr size_t kHostedNameSize = 96;

using Guid = std::array<uint8_t, 16>;
using ConfigBytes = std::array<uint8_t, kConfigRecordSize>;

// A device GUID whose first byte is 0xFF: no device chosen.
constexpr Guid kNoDeviceGuid = {0xFF};

struct ConfigRecord {
    uint32_t version = kConfigVersion;  // 0x00
    uint32_t language = 0;              // 0x04: 0 English, 1 Spanish, 2 French, 3 German
    Guid device3D = kNoDeviceGuid;      // 0x08
    Guid displayDriver = kNoDeviceGuid; // 0x18
    Guid soundDevice = kNoDeviceGuid;   // 0x28
    uint32_t perspective = 1;           // 0x38: texture perspective correction
    uint32_t bilinear = 1;              // 0x3C
    uint32_t trilinear = 1;             // 0x40
    uint32_t mipMapping = 1;            // 0x44
    uint32_t deviceChanged = 1;         // 0x48: another 3D device or mode was chosen
    std::array<char, kConfigTextSize> text{};  // 0x4C: zero-filled (the profile pages keep the last profile's name)
    uint32_t screenWidth = 640;         // 0x8C
    uint32_t screenHeight = 480;        // 0x90
    uint32_t bitsPerPixel = 16;         // 0x94
    uint32_t displaySlider1 = 50;       // 0x98: 0-100
    uint32_t displaySlider2 = 50;       // 0x9C: 0-100
    uint32_t drawDistance = 70;         // 0xA0: 0-100
    uint32_t landscapeDetail = 2;       // 0xA4: 0-2, tile resolution 1 << (value + 6)
    uint32_t textureDetail = 1;         // 0xA8: 1 full size, otherwise half size
    uint32_t keptWordAC = 1;            // 0xAC: kept in the record
    uint32_t raceStartOption = 2;       // 0xB0: read at race start (the particle budget word)
    uint32_t musicVolume = 60;          // 0xB4: 0-100
    uint32_t effectsVolume = 100;       // 0xB8: 0-100
    uint32_t keptWordBC = 2;            // 0xBC: kept in the record
    uint32_t hardware3DSound = 1;       // 0xC0
    uint32_t swapStereo = 0;            // 0xC4: flip the sign of the stereo pan
    uint32_t hostedNameEntered = 0;     // 0xC8
    std::array<char, kHostedNameSize> hostedName{'V', 'o', 's', 'k', ' ', 'S', 'e', 'r', 'v', 'e', 'r'};  // 0xCC
    uint32_t raceOption1 = 7;           // 0x12C
    uint32_t raceOption2 = 4;           // 0x130
    uint32_t raceOption3 = 10;          // 0x134
    uint32_t raceOption4 = 7;           // 0x138
    uint32_t gameMode = 1;              // 0x13C: 2 = the 40-point mode

    bool operator==(const ConfigRecord&) const = default;
};

// The record's bytes, field by field.
ConfigBytes SerializeConfigRecord(const ConfigRecord& record);

// Reads the fields of exactly 320 bytes. False (record untouched) for any other size or a version word
// other than 8: such a stored record is not ours to take.
bool ParseConfigRecord(std::span<const uint8_t> bytes, ConfigRecord& record);

// Brings a loaded record into the domains the game relies on: sliders, draw distance and volumes
// 0-100, landscape detail 0-2, and a terminator at the end of both text fields. Other bytes stay as
// stored so that the record round-trips.
void ClampConfigRecord(ConfigRecord& record);

}  // namespace kes
