#pragma once
// One player's persistent record: name, skins, key map, control settings, unlock bits, bike set-up
// values and career statistics. The record is kept in memory as fields; the file form (big-endian,
// XOR-chained, checksummed) is written and read field by field in ProfileFile.cpp.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kes {

constexpr uint32_t kProfileNameSize = 20;        // 19 characters and the terminator
constexpr uint32_t kProfileWords = 64;
constexpr uint32_t kProfileHighestKey = 273;     // joystick button 13, the last code with a key name
constexpr uint32_t kProfileFirstSetting = 256;   // settings are addressed as key codes 256-319
constexpr uint32_t kProfileActionSlots = 31;
constexpr uint32_t kProfileFileOverhead = 1045;  // file size = name length + this

// Settings (as key codes).
constexpr uint32_t kSettingInputMode = 256;
constexpr uint32_t kSettingForceFeedback = 257;
constexpr uint32_t kSettingForceStrength = 258;
constexpr uint32_t kSettingControlOption = 259;
constexpr uint32_t kSettingControlOption2 = 260;
constexpr uint32_t kSettingUnlocks = 261;

// Statistics indices with a meaning of their own.
constexpr uint32_t kStatColumnTotals = 15;  // 15, 16, 17
constexpr uint32_t kStatBonusPoints = 20;
constexpr uint32_t kStatCustomBike = 24;    // 24-27
constexpr uint32_t kStatBikeClass = 32;
constexpr uint32_t kStatBikePoints = 33;

class Profile {
public:
    // A new profile: the default name (text line 20), two random skin words (bike first), the
    // default key map and settings, no unlocks.
    Profile();
    Profile(const Profile&) = default;
    Profile& operator=(const Profile&) = default;

    // The key map and settings 256-260 of a new profile; unlocks, stats and other settings stay.
    void SetDefaultControls();

    const char* GetName() const { return name; }
    uint32_t GetValue(uint32_t index) const { return index < kProfileWords ? values[index] : 0; }
    int32_t SetValue(uint32_t index, uint32_t value);
    uint32_t GetRiderSkin() const { return riderSkin; }
    int32_t SetRiderSkin(uint32_t checksum) { riderSkin = checksum; return 0; }
    uint32_t GetBikeSkin() const { return bikeSkin; }
    int32_t SetBikeSkin(uint32_t checksum) { bikeSkin = checksum; return 0; }

    // Codes 0-63 address the key slots, 256-319 the settings; any other code reads as unbound.
    uint32_t GetKey(uint32_t code) const;
    // -1 and no change for a value above 273 or a code outside the two ranges. Binding a key held by
    // other slots moves it: those slots take this slot's old key, so no key is ever bound twice.
    int32_t SetKey(uint32_t code, uint32_t value);

    float GetStat(uint32_t index) const { return index < kProfileWords ? stats[index] : 0.0f; }
    int32_t SetStat(uint32_t index, float value);
    // For indices 0-14 the three column totals 15-17 are recomputed.
    int32_t AddStat(uint32_t index, float delta);

    // 0 when the profile file or, failing that, its backup was read; -1 when neither was. The record
    // changes only when a file was read whole and its checksum holds.
    int32_t Load(std::string_view profileName);
    // 0, or -1 when the file cannot be written whole. The previous file becomes the backup only once
    // the new one is complete, so a failed save leaves the previous version in place.
    int32_t Save(std::string_view profileName) const;
    // Removes the name's profile file and backup. Always 0.
    static int32_t Delete(std::string_view profileName);
    // Saves under the new name (cut to 19 characters) and removes the old name's files when they
    // differ. -1 and no change when the new name's file already holds a different profile. The three
    // reserved names with their skin words grant unlocks after the save.
    int32_t Rename(std::string_view newName);

    void SetName(std::string_view newName);

    char name[kProfileNameSize] = {};
    uint32_t values[kProfileWords] = {};
    uint32_t riderSkin = 0;
    uint32_t bikeSkin = 0;
    uint32_t reserved = 1;
    uint32_t keys[kProfileWords] = {};
    uint32_t settings[kProfileWords] = {};
    float stats[kProfileWords] = {};
};

bool operator==(const Profile& a, const Profile& b);

// The profile file's bytes for a record.
std::vector<uint8_t> EncodeProfile(const Profile& profile);
// Reads a profile file's bytes; true and *out filled only when the whole file is sound (version 1,
// a name of at most 19 characters, every word present, the checksum right). Keys above 273 are
// loaded as unbound.
bool DecodeProfile(const uint8_t* bytes, size_t size, Profile* out);

// The file name for a profile name: characters outside 0-9 @ A-Z a-z - . _ become "_", then the
// extension after the last dot (not a leading one) is replaced by ext, or "." ext is appended.
std::string ProfileFileName(std::string_view profileName, std::string_view ext);

// Makes (when missing) the profiles folder "Profiles" inside the data folder and keeps its path for
// every later load, save and delete. 0, or -1 when the data folder is missing or the profiles folder
// cannot be made. The process's current folder never changes.
int32_t EnterProfilesFolder(std::string_view dataFolder);
// The profiles folder with a trailing "/" (".\PROFILES\" relative until EnterProfilesFolder ran).
const std::string& ProfilesPath();

}  // namespace kes
