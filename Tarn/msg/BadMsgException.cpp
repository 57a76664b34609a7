#include "Tarn/msg/BadMsgException.h"

#include "Tarn/msg/Messages.h"

namespace TarnMsg {

BadMsgException::BadMsgException(const BaseMessage& message, int line, const char* file, const char* text)
    : TarnException(kBadMsgCode, line, file) {
    std::ostringstream& out = TextStream();
    const uint32_t length = message.GetDataLen();
    if (length < message.GetHeaderLength()) {
        out << "Message header is corrupt!";
    } else {
        out << "MessageClass=" << message.GetHeaderType() << "  MessageType=" << message.GetMessageType()
            << "  ServiceType=" << message.GetServiceType();
    }
    out << "  DataLength=" << length;
    if (text) out << "  " << text;
}

}  // namespace TarnMsg
