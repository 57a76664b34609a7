// Feeds arbitrary bytes to the four peer authentication messages: each reads its fields or throws
// BadMsgException, and packs again what it read.
#include <cstddef>
#include <cstdint>

#include "Tarn/common/EventLog.h"
#include "Tarn/msg/Auth/TMsgAuth1PeerToPeer.h"
#include "Tarn/msg/tests/ReceiveSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool quiet = (TarnCommon::SetEventLogFolder("/nonexistent-tarn-fuzz-folder"), true);
    (void)quiet;
    if (size > TarnMsg::kMaxMessageLength) return 0;
    const TarnMsg::TMessage received(static_cast<uint32_t>(size), data);
    TarnMsg::test::TryRead<TarnMsg::TMsgAuth1Request>(received);
    TarnMsg::test::TryRead<TarnMsg::TMsgAuth1Challenge1>(received);
    TarnMsg::test::TryRead<TarnMsg::TMsgAuth1Challenge2>(received);
    TarnMsg::test::TryRead<TarnMsg::TMsgAuth1Complete>(received);
    return 0;
}
