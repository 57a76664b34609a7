#include "Tarn/msg/Dir/DirWire.h"

#include "Tarn/msg/BadMsgException.h"

namespace TarnMsg::DirWire {

namespace {
[[noreturn]] void ThrowTooLong() {
    throw BadMsgException(kBadMsgCode, 0, "Tarn\\msg\\Dir\\SMsgDirG2Base", "Value too long for message!");
}
}  // namespace

void AppendBytes8(TRawMsg& msg, std::string_view bytes) {
    if (bytes.size() > 0xFF) ThrowTooLong();
    msg.AppendByte(static_cast<uint8_t>(bytes.size()));
    if (!bytes.empty()) msg.AppendBytes(static_cast<uint32_t>(bytes.size()), bytes.data());
}

std::string ReadBytes8(TRawMsg& msg) {
    const uint8_t n = msg.ReadByte();
    const uint8_t* at = msg.ReadBytes(n);
    return std::string(reinterpret_cast<const char*>(at), n);
}

void AppendBytes16(TRawMsg& msg, std::string_view bytes) {
    if (bytes.size() > 0xFFFF) ThrowTooLong();
    msg.AppendShort(static_cast<uint16_t>(bytes.size()));
    if (!bytes.empty()) msg.AppendBytes(static_cast<uint32_t>(bytes.size()), bytes.data());
}

std::string ReadBytes16(TRawMsg& msg) {
    const uint16_t n = msg.ReadShort();
    const uint8_t* at = msg.ReadBytes(n);
    return std::string(reinterpret_cast<const char*>(at), n);
}

void AppendCount(TRawMsg& msg, size_t count) {
    if (count > 0xFFFF) ThrowTooLong();
    msg.AppendShort(static_cast<uint16_t>(count));
}

void PackObjects(TRawMsg& msg, const TarnCommon::DataObjectSet& set) {
    AppendCount(msg, set.size());
    for (const TarnCommon::DataObject& object : set) {
        AppendBytes8(msg, object.GetType());
        AppendBytes16(msg, object.GetData());
    }
}

void UnpackObjects(TRawMsg& msg, TarnCommon::DataObjectSet& set) {
    set.clear();
    const uint16_t count = msg.ReadShort();
    for (uint32_t i = 0; i < count; ++i) {
        std::string type = ReadBytes8(msg);
        std::string data = ReadBytes16(msg);
        set.insert(TarnCommon::DataObject(type, data));
    }
}

void PackTypes(TRawMsg& msg, const TarnCommon::DataObjectSet& set) {
    AppendCount(msg, set.size());
    for (const TarnCommon::DataObject& object : set) AppendBytes8(msg, object.GetType());
}

void UnpackTypes(TRawMsg& msg, TarnCommon::DataObjectSet& set) {
    set.clear();
    const uint16_t count = msg.ReadShort();
    for (uint32_t i = 0; i < count; ++i) set.insert(TarnCommon::DataObject(ReadBytes8(msg), std::string()));
}

void InitHeader(SmallMessage& msg, uint32_t messageType) {
    msg.SetServiceType(kServiceType);
    msg.SetMessageType(messageType);
}

void BeginPack(SmallMessage& msg, uint32_t messageType) {
    msg.MakeUnique();
    InitHeader(msg, messageType);
    msg.BaseMessage::Pack();
}

void CheckType(const BaseMessage& msg, bool accepted, int line, const char* file, const char* text) {
    if (msg.GetServiceType() != kServiceType || !accepted) throw BadMsgException(msg, line, file, text);
}

}  // namespace TarnMsg::DirWire
