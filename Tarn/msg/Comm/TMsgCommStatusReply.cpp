#include "Tarn/msg/Comm/TMsgCommStatusReply.h"

#include "Tarn/msg/BadMsgException.h"

namespace TarnMsg {

TMsgCommStatusReply::TMsgCommStatusReply(const TMessage& received) : TMessage(received) { Unpack(); }

const uint8_t* TMsgCommStatusReply::Pack() {
    SetServiceType(kServiceType);
    SetMessageType(kMessageType);
    BaseMessage::Pack();
    MakeUnique();
    AppendShort(static_cast<uint16_t>(status_));
    return GetDataPtr();
}

void TMsgCommStatusReply::Unpack() {
    BaseMessage::Unpack();
    if (GetServiceType() != kServiceType || GetMessageType() != kMessageType)
        throw BadMsgException(*this, 96, "Tarn\\msg\\Comm\\TMsgCommStatusReply", "Not a CommStatusReply message.");
    status_ = static_cast<int16_t>(ReadShort());
}

}  // namespace TarnMsg
