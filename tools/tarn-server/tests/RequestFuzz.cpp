// Feeds arbitrary bytes to the directory server as one request: every body gets replies that a
// client can read, never a crash, a read outside the body or a reply beyond the largest message.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "Tarn/common/EventLog.h"
#include "Tarn/msg/RawMsg.h"
#include "tools/tarn-server/DirectoryStore.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool quiet = (TarnCommon::SetEventLogFolder("/nonexistent-tarn-fuzz-folder"), true);
    (void)quiet;
    static tarnserver::DirectoryStore store([] { return int64_t{1000}; });
    if (size > TarnMsg::kMaxMessageLength) return 0;
    for (const auto& reply : store.Handle(data, size))
        if (reply.empty() || reply.size() > TarnMsg::kMaxMessageLength) std::abort();
    return 0;
}
