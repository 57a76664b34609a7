// Feeds arbitrary bytes to the session body decoder as a stream and as a datagram: each decodes or is
// refused, never reading outside the body.
#include <cstddef>
#include <cstdint>

#include "Tarn/authsocket/SecureChannel.h"
#include "Tarn/common/EventLog.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool quiet = (TarnCommon::SetEventLogFolder("/nonexistent-tarn-fuzz-folder"), true);
    (void)quiet;
    static const uint8_t key[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    for (bool datagram : {false, true}) {
        TarnAPI::SecureChannel channel;
        channel.key.CopyKey(sizeof key, key);
        channel.sessionId = 1;
        TarnAPI::Bytes out;
        channel.Decode(data, size, datagram, out);
    }
    return 0;
}
