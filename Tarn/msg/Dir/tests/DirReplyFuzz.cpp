// Feeds arbitrary bytes to every directory message class as a received message: each either reads
// its fields or throws BadMsgException, never reads outside the buffer, and never makes more entries
// than the bytes can hold.
#include <cstddef>
#include <cstdint>

#include "Tarn/common/EventLog.h"
#include "Tarn/msg/BadMsgException.h"
#include "Tarn/msg/Dir/SMsgDirG2Query.h"
#include "Tarn/msg/Dir/SMsgDirG2Update.h"
#include "Tarn/msg/tests/ReceiveSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool quiet = (TarnCommon::SetEventLogFolder("/nonexistent-tarn-fuzz-folder"), true);
    (void)quiet;
    if (size > TarnMsg::kMaxMessageLength) return 0;
    const TarnMsg::SmallMessage received(static_cast<uint32_t>(size), data);
    using namespace TarnMsg;
    using test::TryRead;
    TryRead<SMsgDirG2StatusReply>(received);
    TryRead<SMsgDirG2SingleEntityReply>(received);
    TryRead<SMsgDirG2MultiEntityReply>(received);
    TryRead<SMsgDirG2GetDirectoryContentsReply>(received);
    TryRead<SMsgDirG2GetNumEntitiesReply>(received);
    TryRead<SMsgDirG2GetDirectoryContents>(received);
    TryRead<SMsgDirG2GetEntity>(received);
    TryRead<SMsgDirG2FindService>(received);
    TryRead<SMsgDirG2GetNumEntities>(received);
    TryRead<SMsgDirG2AddDirectory>(received);
    TryRead<SMsgDirG2AddService>(received);
    TryRead<SMsgDirG2ModifyDirectory>(received);
    TryRead<SMsgDirG2ModifyService>(received);
    TryRead<SMsgDirG2RenewEntity>(received);
    TryRead<SMsgDirG2NameEntity>(received);
    TryRead<SMsgDirG2RemoveEntity>(received);
    TryRead<SMsgDirG2SetDataObjects>(received);
    TryRead<SMsgDirG2ClearDataObjects>(received);
    return 0;
}
