// Feeds arbitrary bytes to the status reply as a received message: it either reads a status or
// throws BadMsgException, and never reads outside the buffer.
#include <cstddef>
#include <cstdint>

#include "Tarn/common/EventLog.h"
#include "Tarn/msg/BadMsgException.h"
#include "Tarn/msg/Comm/TMsgCommStatusReply.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool quiet = (TarnCommon::SetEventLogFolder("/nonexistent-tarn-fuzz-folder"), true);
    (void)quiet;
    if (size > TarnMsg::kMaxMessageLength) return 0;
    TarnMsg::TMessage received(static_cast<uint32_t>(size), data);
    try {
        TarnMsg::TMsgCommStatusReply reply(received);
        (void)reply.GetStatus();
        reply.Pack();
    } catch (TarnMsg::BadMsgException& e) {
        e.SetLogged(false);
    }
    return 0;
}
