// Feeds arbitrary bytes to the four peer authentication messages: each reads its fields or throws
// BadMsgException, and packs again what it read.
#include <cstddef>
#include <cstdint>

#include "Tarn/common/EventLog.h"
#include "Tarn/msg/Auth/TMsgAuth1PeerToPeer.h"
#include "Tarn/msg/BadMsgException.h"

namespace {
template <class T>
void Try(const TarnMsg::TMessage& received) {
    try {
        T msg(received);
        msg.Pack();
    } catch (TarnMsg::BadMsgException& e) {
        e.SetLogged(false);
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool quiet = (TarnCommon::SetEventLogFolder("/nonexistent-tarn-fuzz-folder"), true);
    (void)quiet;
    if (size > TarnMsg::kMaxMessageLength) return 0;
    const TarnMsg::TMessage received(static_cast<uint32_t>(size), data);
    Try<TarnMsg::TMsgAuth1Request>(received);
    Try<TarnMsg::TMsgAuth1Challenge1>(received);
    Try<TarnMsg::TMsgAuth1Challenge2>(received);
    Try<TarnMsg::TMsgAuth1Complete>(received);
    return 0;
}
