// The directory on loopback and the authenticated session's exchange.
//   tarn.directory_queries_per_s   synchronous queries of a directory holding 1,000 games, each on a
//                                  connection of its own, answered by our directory server
//   tarn.auth_handshake_ms_1024    one exchange of the authenticated socket (connect included) with
//                                  1024-bit keys on both sides, the identity already logged in
// With --figures prints the figures; otherwise runs as Google Benchmark.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "Tarn/api/WSSocket.h"
#include "Tarn/authsocket/AuthSocket.h"
#include "Tarn/common/EventLog.h"
#include "Tarn/dir/DirectoryClient.h"
#include "Tarn/identity/Identity.h"
#include "Tarn/msg/Dir/SMsgDirG2Update.h"
#include "bench/common/BenchMain.h"
#include "tools/tarn-server/AuthServer.h"
#include "tools/tarn-server/DirectoryServer.h"

namespace {

using Clock = std::chrono::steady_clock;

sockaddr_in Loopback(uint16_t port) { return TarnAPI::IPSocket::MakeAddress(0x7F000001u, port); }

// A directory server holding 1,000 games in /Gravelon/Dir_1.
struct FullDirectory {
    FullDirectory() {
        for (int i = 0; i < 1000; ++i) {
            TarnMsg::SMsgDirG2AddService add(true);
            add.SetPath(u"/Gravelon/Dir_1");
            add.SetName(u"Kestrun");
            const char address[] = {0x65, static_cast<char>(0x9A), 10, 0, static_cast<char>(i >> 8), static_cast<char>(i)};
            add.SetNetAddress(std::string(address, 6));
            add.SetDisplayName(u"Sunday race " + std::u16string(1, char16_t(u'A' + i % 26)));
            TarnCommon::DataObjectSet objects;
            objects.insert(TarnCommon::DataObject("MaxPlayers", std::string(1, '\x08')));
            objects.insert(TarnCommon::DataObject("NbPlayers", std::string(1, '\x03')));
            add.SetDataObjects(objects);
            const uint8_t* at = add.Pack();
            store.Handle(at, add.GetDataLen());
        }
    }
    size_t QueryOnce() {
        const sockaddr_in address = Loopback(server.Port());
        std::vector<TarnMsg::DirEntity> list;
        TarnAPI::DirQueryA(nullptr, &address, 1, nullptr, "/Gravelon/Dir_1", &list, 0x07030F72, {}, nullptr, 20000,
                           false, {});
        return list.size();
    }
    TarnAPI::SocketContextHold threads;  // as the game's query thread holds them
    tarnserver::DirectoryStore store;
    tarnserver::DirectoryServer server{store};
};

// Servers and an identity whose keys are all 1024 bits.
struct SecureBench {
    SecureBench() {
        std::ifstream in(std::string(GRAVELON_SOURCE_DIR) + "/Tarn/crypt/tests/keys/verifier.der", std::ios::binary);
        const TarnCrypt::Bytes verifier((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        keys.verifier = TarnCrypt::EGPrivateKey(verifier);
        keys.auth1.Create(128);
        keys.auth2.Create(128);
        keys.directory.Create(128);
        TarnCrypt::EGPrivateKey user;
        user.Create(128);
        TarnAPI::Identity::SetVerifierKey(*keys.verifier.GetPublicKey());
        auth = std::make_unique<tarnserver::AuthServer>(keys);
        auth->AddAccount(u"bench", u"pw", u"", user);
        directory.EnableSecure(keys);
        identity = std::make_unique<TarnAPI::Identity>(u"bench", u"pw", std::vector<sockaddr_in>{Loopback(auth->Port())});
        ok = identity->Authenticate(false, false, 20000, false, {}) == 0;
    }
    bool HandshakeOnce() {
        TarnAPI::AuthSocket socket(identity.get(), new TarnAPI::TCPSocket(Loopback(directory.Port())), true, 4, true,
                                   true, false, true);
        return socket.Open(true, 20000, false, {}) == 0;
    }
    TarnAPI::SocketContextHold threads;
    tarnserver::ServerKeys keys;
    std::unique_ptr<tarnserver::AuthServer> auth;
    tarnserver::DirectoryStore store;
    tarnserver::DirectoryServer directory{store};
    std::unique_ptr<TarnAPI::Identity> identity;
    bool ok = false;
};

int Figures() {
    TarnCommon::SetEventLogFolder("/nonexistent-tarn-bench-folder");
    FullDirectory full;
    if (full.QueryOnce() != 1000) return 1;
    std::vector<double> rates;
    for (int round = 0; round < 5; ++round) {
        const auto t0 = Clock::now();
        int count = 0;
        while (std::chrono::duration<double>(Clock::now() - t0).count() < 0.3) {
            full.QueryOnce();
            ++count;
        }
        rates.push_back(count / std::chrono::duration<double>(Clock::now() - t0).count());
    }
    SecureBench secure;
    if (!secure.ok) return 1;
    std::vector<double> times;
    for (int i = 0; i < 20; ++i) {
        const auto t0 = Clock::now();
        if (!secure.HandshakeOnce()) return 1;
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    std::sort(times.begin(), times.end());
    std::printf("tarn.directory_queries_per_s: %.0f\n", *std::max_element(rates.begin(), rates.end()));
    std::printf("tarn.auth_handshake_ms_1024: %.2f\n", times[times.size() / 2]);
    return 0;
}

void BM_DirectoryQuery1000(benchmark::State& state) {
    FullDirectory full;
    for (auto _ : state) benchmark::DoNotOptimize(full.QueryOnce());
}
BENCHMARK(BM_DirectoryQuery1000)->Unit(benchmark::kMicrosecond);

void BM_AuthHandshake1024(benchmark::State& state) {
    SecureBench secure;
    for (auto _ : state) benchmark::DoNotOptimize(secure.HandshakeOnce());
}
BENCHMARK(BM_AuthHandshake1024)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return bench::RunBenchmarkProgram(argc, argv, Figures); }
