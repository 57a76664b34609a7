#include "Tarn/msg/Messages.h"

#include <string>

#include "Tarn/msg/BadMsgException.h"
#include "platform/bytes/ByteIO.h"

namespace TarnMsg {

const uint8_t* BaseMessage::Pack() {
    // Rewind the writer to the buffer start, then step over the header.
    RewindWrite();
    SkipWrite(GetHeaderLength());
    return GetDataPtr();
}

void BaseMessage::UnpackHeader() {
    RewindRead();
    ReadBytes(GetHeaderLength());
}

void BaseMessage::ResetBuffer() {
    MakeUnique();
    AllocateBuffer(GetHeaderLength());
}

void BaseMessage::ReserveBody(uint32_t total) {
    if (total < GetHeaderLength() || total > kMaxMessageLength) {
        const std::string text = "MsgLen=" + std::to_string(total);
        throw BadMsgException(kBadMsgCode, 0, kFramingSource, text.c_str());
    }
    MakeUnique();
    ReserveWrite(total - GetHeaderLength(), false, true);
}

uint32_t BaseMessage::LoadField(uint32_t offset, uint32_t width) const {
    const uint8_t* bytes = GetDataPtr();
    if (!bytes || offset + width > GetCapacity()) return 0;
    switch (width) {
        case 1: return bytes[offset];
        case 2: return plat::LoadU16(bytes + offset);
        default: return plat::LoadU32(bytes + offset);
    }
}

void BaseMessage::StoreField(uint32_t offset, uint32_t width, uint32_t value) {
    EnsureCapacity(GetHeaderLength());
    uint8_t* bytes = GetDataPtr();
    switch (width) {
        case 1: bytes[offset] = static_cast<uint8_t>(value); break;
        case 2: plat::StoreU16(bytes + offset, static_cast<uint16_t>(value)); break;
        default: plat::StoreU32(bytes + offset, value); break;
    }
}

void BaseMessage::DumpAs(std::ostream& out, const char* title, bool withHeaderType) const {
    out << title << std::endl;
    out << "  Data Size: " << GetDataLen() << std::endl;
    if (withHeaderType) out << "  HeaderType: " << LoadField(0, 1) << std::endl;
    out << "  ServiceType: " << GetServiceType() << std::endl;
    out << "  MessageType: " << GetMessageType() << std::endl;
}

TMessage::TMessage() : BaseMessage(kTMessage) {
    ResetBuffer();
    SetServiceType(0);
    SetMessageType(0);
}

MiniMessage::MiniMessage() : TypedHeaderMessage(kMiniMessage) {
    ResetBuffer();
    StoreField(0, 1, 3);
    SetServiceType(0);
    SetMessageType(0);
}

SmallMessage::SmallMessage() : TypedHeaderMessage(kSmallMessage) {
    ResetBuffer();
    StoreField(0, 1, 5);
    SetServiceType(0);
    SetMessageType(0);
}

LargeMessage::LargeMessage() : TypedHeaderMessage(kLargeMessage) {
    ResetBuffer();
    StoreField(0, 1, 7);
    SetServiceType(0);
    SetMessageType(0);
}

}  // namespace TarnMsg
