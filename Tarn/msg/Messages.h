#pragma once
// The framed messages: a fixed header naming the service and the message type, then a body that each
// message class packs and unpacks. Header fields are read and written in place in the message bytes.
//
//   class         header  layout                                              class type codes
//   TMessage      8       u32 service, u32 message                            service type / 2
//   MiniMessage   3       u8 header type, u8 service, u8 message              3 / 4
//   SmallMessage  5       u8 header type, u16 service, u16 message            5 / 6
//   LargeMessage  9       u8 header type, u32 service, u32 message            7 / 8
#include <cstdint>
#include <ostream>

#include "Tarn/msg/RawMsg.h"

namespace TarnMsg {

class BaseMessage : public TRawMsg {
public:
    enum MessageClass : uint32_t { kTMessage = 0, kMiniMessage = 1, kSmallMessage = 2, kLargeMessage = 3 };

    explicit BaseMessage(MessageClass messageClass) : messageClass_(messageClass) {}
    BaseMessage(MessageClass messageClass, uint32_t length, const void* bytes)
        : TRawMsg(length, bytes), messageClass_(messageClass) {}
    BaseMessage(const BaseMessage& other) = default;
    ~BaseMessage() override = default;

    BaseMessage* Duplicate() const override = 0;
    void Unpack() override { UnpackHeader(); }
    // Write position to just after the header; every class's own Pack calls this first.
    const uint8_t* Pack() override;
    virtual void UnpackHeader();
    // Detaches and replaces the buffer by a header-only one.
    virtual void ResetBuffer();
    // Prepares the message to receive a total length straight into its buffer; a length outside
    // header length .. kMaxMessageLength throws BadMsgException "MsgLen=<total>".
    virtual void ReserveBody(uint32_t total);
    // The bytes after the header; none when the buffer does not hold a whole header.
    virtual const uint8_t* GetBodyPtr() const {
        return GetDataPtr() && GetCapacity() >= GetHeaderLength() ? GetDataPtr() + GetHeaderLength() : nullptr;
    }
    virtual uint8_t* GetBodyPtr() {
        return GetDataPtr() && GetCapacity() >= GetHeaderLength() ? GetDataPtr() + GetHeaderLength() : nullptr;
    }
    virtual uint32_t GetHeaderLength() const = 0;
    virtual uint32_t GetHeaderType() const = 0;
    virtual uint32_t GetClassHeaderType() const = 0;
    virtual uint32_t GetAltHeaderType() const = 0;
    virtual uint32_t GetServiceType() const = 0;
    virtual uint32_t GetMessageType() const = 0;
    virtual void SetServiceType(uint32_t value) = 0;
    virtual void SetMessageType(uint32_t value) = 0;
    virtual void Dump(std::ostream& out) const { (void)out; }

    MessageClass GetMessageClass() const { return messageClass_; }

protected:
    // Header fields: a field that the buffer does not hold whole reads as 0; a setter first makes the
    // buffer long enough for the header.
    uint32_t LoadField(uint32_t offset, uint32_t width) const;
    void StoreField(uint32_t offset, uint32_t width, uint32_t value);
    void DumpAs(std::ostream& out, const char* title, bool withHeaderType) const;

private:
    MessageClass messageClass_;
};

class TMessage : public BaseMessage {
public:
    TMessage();  // header only: service 0, message 0
    TMessage(uint32_t length, const void* bytes) : BaseMessage(kTMessage, length, bytes) {}
    TMessage(const TMessage& other) = default;
    ~TMessage() override = default;
    TMessage* Duplicate() const override { return new TMessage(*this); }
    uint32_t GetHeaderLength() const override { return 8; }
    uint32_t GetHeaderType() const override { return GetServiceType(); }
    uint32_t GetClassHeaderType() const override { return GetHeaderType(); }
    uint32_t GetAltHeaderType() const override { return 2; }
    uint32_t GetServiceType() const override { return LoadField(0, 4); }
    uint32_t GetMessageType() const override { return LoadField(4, 4); }
    void SetServiceType(uint32_t value) override { StoreField(0, 4, value); }
    void SetMessageType(uint32_t value) override { StoreField(4, 4, value); }
    void Dump(std::ostream& out) const override { DumpAs(out, "TMessage Dump:", false); }
};

// The three classes whose first byte names the header type.
class TypedHeaderMessage : public BaseMessage {
public:
    using BaseMessage::BaseMessage;
    uint32_t GetHeaderType() const override { return LoadField(0, 1); }
};

class MiniMessage : public TypedHeaderMessage {
public:
    MiniMessage();  // header type 3, service 0, message 0
    MiniMessage(uint32_t length, const void* bytes) : TypedHeaderMessage(kMiniMessage, length, bytes) {}
    MiniMessage(const MiniMessage& other) = default;
    ~MiniMessage() override = default;
    MiniMessage* Duplicate() const override { return new MiniMessage(*this); }
    uint32_t GetHeaderLength() const override { return 3; }
    uint32_t GetClassHeaderType() const override { return 3; }
    uint32_t GetAltHeaderType() const override { return 4; }
    uint32_t GetServiceType() const override { return LoadField(1, 1); }
    uint32_t GetMessageType() const override { return LoadField(2, 1); }
    void SetServiceType(uint32_t value) override { StoreField(1, 1, value); }
    void SetMessageType(uint32_t value) override { StoreField(2, 1, value); }
    void Dump(std::ostream& out) const override { DumpAs(out, "MiniMessage Dump:", true); }
};

class SmallMessage : public TypedHeaderMessage {
public:
    SmallMessage();  // header type 5, service 0, message 0
    SmallMessage(uint32_t length, const void* bytes) : TypedHeaderMessage(kSmallMessage, length, bytes) {}
    SmallMessage(const SmallMessage& other) = default;
    ~SmallMessage() override = default;
    SmallMessage* Duplicate() const override { return new SmallMessage(*this); }
    uint32_t GetHeaderLength() const override { return 5; }
    uint32_t GetClassHeaderType() const override { return 5; }
    uint32_t GetAltHeaderType() const override { return 6; }
    uint32_t GetServiceType() const override { return LoadField(1, 2); }
    uint32_t GetMessageType() const override { return LoadField(3, 2); }
    void SetServiceType(uint32_t value) override { StoreField(1, 2, value); }
    void SetMessageType(uint32_t value) override { StoreField(3, 2, value); }
    void Dump(std::ostream& out) const override { DumpAs(out, "SmallMessage Dump:", true); }
};

class LargeMessage : public TypedHeaderMessage {
public:
    LargeMessage();  // header type 7, service 0, message 0
    LargeMessage(uint32_t length, const void* bytes) : TypedHeaderMessage(kLargeMessage, length, bytes) {}
    LargeMessage(const LargeMessage& other) = default;
    ~LargeMessage() override = default;
    LargeMessage* Duplicate() const override { return new LargeMessage(*this); }
    uint32_t GetHeaderLength() const override { return 9; }
    uint32_t GetClassHeaderType() const override { return 7; }
    uint32_t GetAltHeaderType() const override { return 8; }
    uint32_t GetServiceType() const override { return LoadField(1, 4); }
    uint32_t GetMessageType() const override { return LoadField(5, 4); }
    void SetServiceType(uint32_t value) override { StoreField(1, 4, value); }
    void SetMessageType(uint32_t value) override { StoreField(5, 4, value); }
    void Dump(std::ostream& out) const override { DumpAs(out, "LargeMessage Dump:", true); }
};

}  // namespace TarnMsg
