// Reads arbitrary bytes the way a message socket reads its stream: the first byte picks the prefix
// width, then prefix, body, prefix, body... Each body becomes a message of the class its first byte
// names. Bad lengths must stop the stream before anything is allocated; bad messages must raise
// BadMsgException; nothing may be read outside the input.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "Tarn/api/TMsgSocket.h"
#include "Tarn/common/EventLog.h"
#include "Tarn/msg/BadMsgException.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool quiet = (TarnCommon::SetEventLogFolder("/nonexistent-tarn-fuzz-folder"), true);
    (void)quiet;
    if (size < 1) return 0;
    const uint8_t widths[] = {1, 2, 4};
    const uint8_t width = widths[data[0] % 3];
    size_t at = 1;
    while (at + width <= size) {
        const long body = TarnAPI::TMsgSocket::BodyLengthFor(width, data + at);
        at += width;
        if (body < 0) break;                                   // the stream closes
        if (body > 0 && static_cast<size_t>(body) > size - at) break;  // the peer closed mid-message
        try {
            std::unique_ptr<TarnMsg::BaseMessage> message(TarnAPI::TMsgSocket::MakeMessage(data + at, body));
            if (message) {
                (void)message->GetServiceType();
                (void)message->GetMessageType();
                (void)message->BytesLeftToRead();
            }
        } catch (TarnMsg::BadMsgException& e) {
            e.SetLogged(false);
            break;
        }
        at += static_cast<size_t>(body);
    }
    return 0;
}
