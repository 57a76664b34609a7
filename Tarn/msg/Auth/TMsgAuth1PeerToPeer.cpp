#include "Tarn/msg/Auth/TMsgAuth1PeerToPeer.h"

#include "Tarn/msg/BadMsgException.h"

namespace TarnMsg {

namespace {
constexpr const char* kSource = "Tarn\\msg\\Auth\\TMsgAuth1PeerToPeer";
}

// ---- AuthRawBytes

void AuthRawBytes::Set(const uint8_t* bytes, uint16_t length, bool copy) {
    length_ = length;
    if (!copy) {
        owned_.clear();
        data_ = bytes;
    } else if (bytes && length) {
        std::string copyOf(reinterpret_cast<const char*>(bytes), length);  // bytes may lie in owned_
        owned_.swap(copyOf);
        data_ = reinterpret_cast<const uint8_t*>(owned_.data());
    } else {
        owned_.clear();
        data_ = nullptr;
    }
}

void AuthRawBytes::Own() {
    if (data_ && data_ != reinterpret_cast<const uint8_t*>(owned_.data())) Set(data_, length_, true);
}

void AuthRawBytes::Pack(TRawMsg& msg) {
    const uint16_t length = data_ ? length_ : 0;
    msg.AppendShort(length);
    if (length) msg.AppendBytes(length, data_);
}

void AuthRawBytes::Unpack(TRawMsg& msg) {
    const uint16_t length = msg.ReadShort();
    if (length == 0) {
        Clear();
        return;
    }
    Set(msg.ReadBytes(length), length, false);
}

// ---- TMsgAuthRawBufferBase

TMsgAuthRawBufferBase::TMsgAuthRawBufferBase() { SetServiceType(kServiceType); }

TMsgAuthRawBufferBase::TMsgAuthRawBufferBase(uint32_t messageType) {
    SetServiceType(kServiceType);
    SetMessageType(messageType);
}

TMsgAuthRawBufferBase::TMsgAuthRawBufferBase(const TMessage& received) : TMessage(received) { Unpack(); }

void TMsgAuthRawBufferBase::BeginPack(uint32_t messageType) {
    raw_.Own();  // the buffer may point into the bytes about to be rewritten
    MakeUnique();
    SetServiceType(kServiceType);
    SetMessageType(messageType);
    BaseMessage::Pack();
}

void TMsgAuthRawBufferBase::CheckType(uint32_t messageType, const char* text) const {
    if (GetServiceType() != kServiceType || GetMessageType() != messageType)
        throw BadMsgException(*this, 0, kSource, text);
}

// ---- TMsgAuth1Request

TMsgAuth1Request::TMsgAuth1Request() : TMsgAuthRawBufferBase(kType) {}
TMsgAuth1Request::TMsgAuth1Request(const TMessage& received) : TMsgAuthRawBufferBase(received) { Unpack(); }

const uint8_t* TMsgAuth1Request::Pack() {
    BeginPack(kType);
    AppendByte(static_cast<uint8_t>(authMode_));
    AppendByte(static_cast<uint8_t>(encryptMode_));
    AppendShort(encryptFlags_);
    raw_.Pack(*this);
    return GetDataPtr();
}

void TMsgAuth1Request::Unpack() {
    BaseMessage::Unpack();
    CheckType(kType, "Not a Auth1Request message.");
    authMode_ = ReadByte();
    encryptMode_ = ReadByte();
    encryptFlags_ = ReadShort();
    raw_.Unpack(*this);
}

// ---- TMsgAuth1Challenge1

TMsgAuth1Challenge1::TMsgAuth1Challenge1() : TMsgAuthRawBufferBase(kType) {}
TMsgAuth1Challenge1::TMsgAuth1Challenge1(const TMessage& received) : TMsgAuthRawBufferBase(received) { Unpack(); }

const uint8_t* TMsgAuth1Challenge1::Pack() {
    secret_.Own();
    BeginPack(kType);
    secret_.Pack(*this);
    raw_.Pack(*this);
    return GetDataPtr();
}

void TMsgAuth1Challenge1::Unpack() {
    BaseMessage::Unpack();
    CheckType(kType, "Not a Auth1Challenge1 message.");
    secret_.Unpack(*this);
    raw_.Unpack(*this);
}

// ---- TMsgAuth1Challenge2

TMsgAuth1Challenge2::TMsgAuth1Challenge2() : TMsgAuthRawBufferBase(kType) {}
TMsgAuth1Challenge2::TMsgAuth1Challenge2(const TMessage& received) : TMsgAuthRawBufferBase(received) { Unpack(); }

const uint8_t* TMsgAuth1Challenge2::Pack() {
    BeginPack(kType);
    raw_.Pack(*this);
    return GetDataPtr();
}

void TMsgAuth1Challenge2::Unpack() {
    BaseMessage::Unpack();
    CheckType(kType, "Not a Auth1Challenge2 message.");
    raw_.Unpack(*this);
}

// ---- TMsgAuth1Complete

TMsgAuth1Complete::TMsgAuth1Complete() : TMsgAuthRawBufferBase(kType) {}
TMsgAuth1Complete::TMsgAuth1Complete(const TMessage& received) : TMsgAuthRawBufferBase(received) { Unpack(); }

const uint8_t* TMsgAuth1Complete::Pack() {
    BeginPack(kType);
    AppendShort(static_cast<uint16_t>(status_));
    if (status_ >= 0) {
        raw_.Pack(*this);
        if (sessionId_ != 0) AppendShort(sessionId_);
    } else {
        if (errors_.size() > 0xFFFF) throw BadMsgException(kBadMsgCode, 0, kSource, "Too many error texts!");
        AppendShort(static_cast<uint16_t>(errors_.size()));
        for (const std::string& text : errors_) AppendString(text);
    }
    return GetDataPtr();
}

void TMsgAuth1Complete::Unpack() {
    BaseMessage::Unpack();
    CheckType(kType, "Not a Auth1Complete message.");
    status_ = static_cast<int16_t>(ReadShort());
    errors_.clear();
    if (status_ >= 0) {
        raw_.Unpack(*this);
        sessionId_ = BytesLeftToRead() > 0 ? ReadShort() : 0;
        return;
    }
    raw_.Clear();
    sessionId_ = 0;
    const uint16_t count = ReadShort();
    for (uint32_t i = 0; i < count; ++i) errors_.push_back(ReadString());
}

}  // namespace TarnMsg
