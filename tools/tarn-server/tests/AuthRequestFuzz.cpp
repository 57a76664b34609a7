// Feeds arbitrary bytes to the authentication server as one request: a reply or a closed connection,
// never a crash or a read outside the bytes.
#include <cstddef>
#include <cstdint>

#include "Tarn/common/EventLog.h"
#include "tools/tarn-server/AuthServer.h"

namespace {

tarnserver::ServerKeys& Keys() {
    static tarnserver::ServerKeys keys = [] {
        tarnserver::ServerKeys k;
        k.verifier.Create(64);
        k.auth1.Create(64);
        k.auth2.Create(64);
        k.directory.Create(64);
        return k;
    }();
    return keys;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool quiet = (TarnCommon::SetEventLogFolder("/nonexistent-tarn-fuzz-folder"), true);
    (void)quiet;
    static tarnserver::AuthServer server(Keys(), [] { return int64_t{1000000000}; });
    static bool account = (server.AddAccount(u"alice", u"secret", u"Ally"), true);
    (void)account;
    server.Handle(data, size);
    return 0;
}
