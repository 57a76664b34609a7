// Feeds arbitrary bytes to every directory message class as a received message: each either reads
// its fields or throws BadMsgException, never reads outside the buffer, and never makes more entries
// than the bytes can hold.
#include <cstddef>
#include <cstdint>

#include "Tarn/common/EventLog.h"
#include "Tarn/msg/BadMsgException.h"
#include "Tarn/msg/Dir/SMsgDirG2Query.h"
#include "Tarn/msg/Dir/SMsgDirG2Update.h"

namespace {

template <class T>
void Try(const TarnMsg::SmallMessage& received) {
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
    const TarnMsg::SmallMessage received(static_cast<uint32_t>(size), data);
    using namespace TarnMsg;
    Try<SMsgDirG2StatusReply>(received);
    Try<SMsgDirG2SingleEntityReply>(received);
    Try<SMsgDirG2MultiEntityReply>(received);
    Try<SMsgDirG2GetDirectoryContentsReply>(received);
    Try<SMsgDirG2GetNumEntitiesReply>(received);
    Try<SMsgDirG2GetDirectoryContents>(received);
    Try<SMsgDirG2GetEntity>(received);
    Try<SMsgDirG2FindService>(received);
    Try<SMsgDirG2GetNumEntities>(received);
    Try<SMsgDirG2AddDirectory>(received);
    Try<SMsgDirG2AddService>(received);
    Try<SMsgDirG2ModifyDirectory>(received);
    Try<SMsgDirG2ModifyService>(received);
    Try<SMsgDirG2RenewEntity>(received);
    Try<SMsgDirG2NameEntity>(received);
    Try<SMsgDirG2RemoveEntity>(received);
    Try<SMsgDirG2SetDataObjects>(received);
    Try<SMsgDirG2ClearDataObjects>(received);
    return 0;
}
