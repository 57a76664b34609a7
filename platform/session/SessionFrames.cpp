#include "platform/session/SessionFrames.h"

#include <algorithm>
#include <cstring>

#include "platform/bytes/ByteIO.h"

namespace plat::frames {
namespace {

constexpr size_t kNameField = 16;

void PutName(std::vector<uint8_t>& out, const std::string& name) {
    std::string cut = CutName(name);
    size_t at = out.size();
    out.resize(at + kNameField, 0);
    std::memcpy(out.data() + at, cut.data(), cut.size());
}

std::string GetName(const uint8_t* field) {
    size_t n = 0;
    while (n < kSessionPlayerNameChars && field[n] != 0) ++n;
    return std::string(reinterpret_cast<const char*>(field), n);
}

}  // namespace

std::string CutName(const std::string& name, size_t chars) {
    std::string out = name.substr(0, std::min(chars, name.size()));
    size_t zero = out.find('\0');
    if (zero != std::string::npos) out.resize(zero);
    return out;
}

bool Decode(const uint8_t* p, size_t size, Frame& out) {
    out = Frame{};
    if (size < 2) return false;
    out.kind = static_cast<Kind>(p[0]);
    switch (p[0]) {
    case kHello: {
        constexpr size_t fixed = 1 + 1 + 16 + kNameField + 1;
        if (size < fixed) return false;
        out.version = p[1];
        std::memcpy(out.application.data(), p + 2, 16);
        out.name = GetName(p + 18);
        out.length = p[34];
        if (out.length > kSessionMaxPlayerData || size != fixed + out.length) return false;
        out.bytes = p + fixed;
        return true;
    }
    case kAssign:
        if (size != 9 || p[1] != 8 || p[2] != kMsgSlotAssigned) return false;
        out.slot = static_cast<uint8_t>(std::min<uint32_t>(LoadU32(p + 5), 255));
        return LoadU32(p + 5) <= kSessionMaxSlots;
    case kRoster: {
        constexpr size_t fixed = 1 + 1 + kNameField + 1;
        if (size < fixed) return false;
        out.slot = p[1];
        out.name = GetName(p + 2);
        out.length = p[18];
        if (out.length > kSessionMaxPlayerData || size != fixed + out.length) return false;
        out.bytes = p + fixed;
        return true;
    }
    case kData:
        if (size < 3) return false;
        out.slot = p[1];
        out.length = p[2];
        if (out.length > kSessionMaxPlayerData || size != 3 + out.length) return false;
        out.bytes = p + 3;
        return true;
    case kLeft:
        if (size != 2) return false;
        out.slot = p[1];
        return true;
    case kGame:
        if (size < 3 + 4 || size > 3 + kSessionMaxMessage) return false;
        out.slot = p[1];
        out.target = p[2];
        out.bytes = p + 3;
        out.length = static_cast<uint32_t>(size - 3);
        return true;
    default:
        return false;
    }
}

std::vector<uint8_t> Hello(const SessionGuid& application, const std::string& name, const uint8_t* data, uint32_t length) {
    length = std::min(length, kSessionMaxPlayerData);
    std::vector<uint8_t> out{kHello, kProtocolVersion};
    out.insert(out.end(), application.begin(), application.end());
    PutName(out, name);
    out.push_back(static_cast<uint8_t>(length));
    if (length) out.insert(out.end(), data, data + length);
    return out;
}

std::vector<uint8_t> Assign(uint32_t slot) {
    std::vector<uint8_t> out(9, 0);
    out[0] = kAssign;
    out[1] = 8;
    out[2] = kMsgSlotAssigned;
    StoreU32(out.data() + 5, slot);
    return out;
}

std::vector<uint8_t> Roster(uint32_t slot, const std::string& name, const uint8_t* data, uint32_t length) {
    length = std::min(length, kSessionMaxPlayerData);
    std::vector<uint8_t> out{kRoster, static_cast<uint8_t>(slot)};
    PutName(out, name);
    out.push_back(static_cast<uint8_t>(length));
    if (length) out.insert(out.end(), data, data + length);
    return out;
}

std::vector<uint8_t> Data(uint32_t slot, const uint8_t* data, uint32_t length) {
    length = std::min(length, kSessionMaxPlayerData);
    std::vector<uint8_t> out{kData, static_cast<uint8_t>(slot), static_cast<uint8_t>(length)};
    if (length) out.insert(out.end(), data, data + length);
    return out;
}

std::vector<uint8_t> Left(uint32_t slot) { return {kLeft, static_cast<uint8_t>(slot)}; }

std::vector<uint8_t> Game(uint32_t origin, uint32_t target, const uint8_t* message, uint32_t length) {
    std::vector<uint8_t> out{kGame, static_cast<uint8_t>(origin), static_cast<uint8_t>(target)};
    out.insert(out.end(), message, message + length);
    return out;
}

}  // namespace plat::frames
