// The profile file: version word 1, the byte-chained name, 259 XOR-chained big-endian words (values,
// reserved, rider skin, bike skin, keys, settings, stat bit patterns) and a checksum over the plain
// name bytes and words.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "game/frontend/profile/Profile.h"
#include "platform/fs/Paths.h"

namespace kes {

namespace {

constexpr uint32_t kProfileVersion = 1;
constexpr uint32_t kChecksumBase = 0x1247BAC2u;

std::string g_profilesPath = ".\\PROFILES\\";

uint32_t FloatBits(float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    return bits;
}

float BitsFloat(uint32_t bits) {
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}

// Visits the 259 chained words in file order.
template <class Record, class Visit>
void ForEachWord(Record& p, Visit visit) {
    for (auto& v : p.values) visit(v, false);
    visit(p.reserved, false);
    visit(p.riderSkin, false);
    visit(p.bikeSkin, false);
    for (auto& k : p.keys) visit(k, true);
    for (auto& s : p.settings) visit(s, false);
}

void PutBE(std::vector<uint8_t>* out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out->push_back(static_cast<uint8_t>(v >> shift));
}

uint32_t GetBE(const uint8_t* p) {
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | p[3];
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* out) {
    std::FILE* f = plat::OpenFile(path, "rb");
    if (!f) return false;
    uint8_t chunk[4096];
    size_t n;
    // A profile is about a kilobyte; anything far larger is not one.
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0 && out->size() < 65536)
        out->insert(out->end(), chunk, chunk + n);
    std::fclose(f);
    return true;
}

std::string ProfilePath(std::string_view profileName, std::string_view ext) {
    return g_profilesPath + ProfileFileName(profileName, ext);
}

bool LoadFile(const std::string& path, Profile* out) {
    std::vector<uint8_t> bytes;
    return ReadWholeFile(path, &bytes) && DecodeProfile(bytes.data(), bytes.size(), out);
}

// Writes the bytes to path through a temporary file that is flushed to disk and renamed over it.
bool WriteFileSafely(const std::string& resolved, const std::string& backup, const std::vector<uint8_t>& bytes) {
    const std::string temp = resolved + ".tmp";
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = std::fflush(f) == 0 && ok;
    ok = ::fsync(fileno(f)) == 0 && ok;
    ok = std::fclose(f) == 0 && ok;
    if (!ok) {
        std::remove(temp.c_str());
        return false;
    }
    // The previous version becomes the backup once the new one is safely on disk.
    if (plat::PathExists(resolved)) {
        std::remove(backup.c_str());
        std::rename(resolved.c_str(), backup.c_str());
    }
    if (std::rename(temp.c_str(), resolved.c_str()) != 0) {
        std::remove(temp.c_str());
        std::rename(backup.c_str(), resolved.c_str());
        return false;
    }
    return true;
}

}  // namespace

std::vector<uint8_t> EncodeProfile(const Profile& profile) {
    std::vector<uint8_t> out;
    const size_t n = strnlen(profile.name, kProfileNameSize - 1);
    out.reserve(n + kProfileFileOverhead);
    PutBE(&out, kProfileVersion);
    uint32_t sum = kChecksumBase;
    uint8_t previous = 0;
    for (size_t i = 0; i <= n; ++i) {
        const uint8_t plain = i < n ? static_cast<uint8_t>(profile.name[i]) : 0;
        out.push_back(plain ^ previous);
        previous = plain;
        sum += plain;
    }
    uint32_t chain = 0;
    auto put = [&](uint32_t plain) {
        PutBE(&out, plain ^ chain);
        chain = plain;
        sum += plain;
    };
    ForEachWord(profile, [&](const uint32_t& w, bool) { put(w); });
    for (float s : profile.stats) put(FloatBits(s));
    PutBE(&out, sum);
    return out;
}

bool DecodeProfile(const uint8_t* bytes, size_t size, Profile* out) {
    if (!bytes || size < 4 || GetBE(bytes) != kProfileVersion) return false;
    Profile p(*out);
    size_t pos = 4;
    uint32_t sum = kChecksumBase;
    uint8_t previous = 0;
    size_t length = 0;
    std::memset(p.name, 0, sizeof p.name);
    for (;;) {
        if (pos >= size) return false;
        const uint8_t plain = bytes[pos++] ^ previous;
        previous = plain;
        if (plain == 0) break;
        if (length == kProfileNameSize - 1) return false;  // the name would not fit its field
        p.name[length++] = static_cast<char>(plain);
        sum += plain;
    }
    // 259 words and the checksum follow the name.
    if (size - pos != 260 * 4) return false;
    uint32_t chain = 0;
    auto get = [&]() {
        const uint32_t plain = GetBE(bytes + pos) ^ chain;
        pos += 4;
        chain = plain;
        sum += plain;
        return plain;
    };
    ForEachWord(p, [&](uint32_t& w, bool isKey) {
        const uint32_t plain = get();
        w = isKey && plain > kProfileHighestKey ? 0 : plain;
    });
    for (float& s : p.stats) s = BitsFloat(get());
    if (GetBE(bytes + pos) != sum) return false;
    *out = p;
    return true;
}

std::string ProfileFileName(std::string_view profileName, std::string_view ext) {
    std::string safe(profileName);
    for (char& c : safe) {
        const bool keep = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                          c == '@' || c == '-' || c == '.' || c == '_';
        if (!keep) c = '_';
    }
    const size_t dot = safe.rfind('.');
    if (dot != std::string::npos && dot != 0)
        safe.resize(dot + 1);
    else
        safe += '.';
    safe += ext;
    return safe;
}

int32_t EnterProfilesFolder(std::string_view dataFolder) {
    if (!plat::IsFolder(dataFolder)) return -1;
    std::string folder(dataFolder);
    if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') folder += '/';
    folder += "Profiles";
    if (!plat::CreateFolder(folder)) return -1;
    g_profilesPath = plat::ResolvePath(folder) + "/";
    return 0;
}

const std::string& ProfilesPath() { return g_profilesPath; }

int32_t Profile::Load(std::string_view profileName) {
    if (LoadFile(ProfilePath(profileName, "prf"), this)) return 0;
    if (LoadFile(ProfilePath(profileName, "bak"), this)) return 0;
    return -1;
}

int32_t Profile::Save(std::string_view profileName) const {
    return WriteFileSafely(plat::ResolvePath(ProfilePath(profileName, "prf")),
                           plat::ResolvePath(ProfilePath(profileName, "bak")), EncodeProfile(*this))
               ? 0
               : -1;
}

int32_t Profile::Delete(std::string_view profileName) {
    for (const char* ext : {"prf", "bak"}) {
        const std::string path = ProfilePath(profileName, ext);
        if (plat::PathExists(path)) std::remove(plat::ResolvePath(path).c_str());
    }
    return 0;
}

int32_t Profile::Rename(std::string_view newName) {
    if (newName.empty()) return 0;
    if (newName.size() > kProfileNameSize - 1) newName = newName.substr(0, kProfileNameSize - 1);
    const std::string oldName = name;
    const std::string oldFile = plat::ResolvePath(ProfilePath(oldName, "prf"));
    const std::string newFile = plat::ResolvePath(ProfilePath(newName, "prf"));
    // Different names can share one file ("A.B" and "A.C"); another player's profile is never
    // overwritten by a rename.
    if (newFile != oldFile) {
        Profile other(*this);
        if (other.Load(newName) == 0 && std::string_view(other.name) != newName) return -1;
    }
    SetName(newName);
    Save(newName);
    if (newFile != oldFile) Delete(oldName);
    struct Reserved {
        const char* name;
        uint32_t rider, bike, unlocks;
        bool fullPoints;
    };
    static const Reserved kReserved[] = {
        {"Lumo 4", 0x13579BDFu, 0x2468ACE0u, 1 | 2 | 4, false},
        {"Owl-Moth", 0x0F1E2D3Cu, 0x4B5A6978u, 8, true},
        {"Tramvole", 0x7F6E5D4Cu, 0x3B2A1908u, 1 | 2 | 4 | 8, true},
    };
    for (const Reserved& r : kReserved) {
        if (newName != r.name || riderSkin != r.rider || bikeSkin != r.bike) continue;
        settings[kSettingUnlocks - kProfileFirstSetting] |= r.unlocks;
        if (r.fullPoints) stats[kStatBikePoints] = 350.0f;
    }
    return 0;
}

}  // namespace kes
