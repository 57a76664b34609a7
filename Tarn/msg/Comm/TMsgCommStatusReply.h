#pragma once
// The comm status reply: a server's answer carrying one status instead of the message the client
// waited for. A TMessage of service type 1, message type 15, then the status as a short (10 bytes).
#include <cstdint>

#include "Tarn/msg/Messages.h"

namespace TarnMsg {

class TMsgCommStatusReply : public TMessage {
public:
    static constexpr uint32_t kServiceType = 1;
    static constexpr uint32_t kMessageType = 15;

    TMsgCommStatusReply() = default;
    // Shares the received message's bytes and reads it at once; another message type throws.
    explicit TMsgCommStatusReply(const TMessage& received);
    TMsgCommStatusReply(const TMsgCommStatusReply& other) = default;
    ~TMsgCommStatusReply() override = default;

    TMsgCommStatusReply* Duplicate() const override { return new TMsgCommStatusReply(*this); }
    void Unpack() override;
    const uint8_t* Pack() override;

    int32_t GetStatus() const { return status_; }
    void SetStatus(int32_t value) { status_ = value; }

private:
    int32_t status_ = 0;
};

}  // namespace TarnMsg
