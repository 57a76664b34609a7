#pragma once
// The authentication stack's test bench: our authentication server with two accounts on loopback, the
// test key set, a registry store of the test's own holding (or not yet holding) the verifier key, and
// one clock for the servers and the library.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "Tarn/api/WSSocket.h"
#include "Tarn/common/EventLog.h"
#include "Tarn/common/RegKey.h"
#include "Tarn/identity/Identity.h"
#include "platform/registry/RegistryStore.h"
#include "platform/sys/Env.h"
#include "tools/tarn-server/AuthServer.h"

namespace tarntest {

inline TarnCrypt::Bytes KeyFile(const std::string& name) {
    std::ifstream in(std::string(GRAVELON_SOURCE_DIR) + "/Tarn/crypt/tests/keys/" + name, std::ios::binary);
    return TarnCrypt::Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline sockaddr_in Loopback(uint16_t port) { return TarnAPI::IPSocket::MakeAddress(0x7F000001u, port); }

inline uint16_t ClosedPort() {
    tools::LoopbackServer probe;
    const uint16_t port = probe.Port();
    probe.Stop();
    return port;
}

inline std::atomic<int64_t>& TestNow() {
    static std::atomic<int64_t> now{static_cast<int64_t>(std::time(nullptr))};
    return now;
}

class AuthFixture : public ::testing::Test {
protected:
    void SetUp() override {
        TarnCommon::SetEventLogFolder("/nonexistent-folder-for-tests");
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        registry_ = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + "/" + info->test_suite_name() +
                    "_" + info->name() + "_" + std::to_string(getpid()) + ".reg";
        std::filesystem::remove(registry_);
        setenv("GRAVELON_REGISTRY", registry_.c_str(), 1);
        plat::ReloadEnv();  // no other thread runs yet
        TarnAPI::Identity::ResetModule();
        TarnAPI::Identity::SetClock([] { return TestNow().load(); });
        ASSERT_TRUE(keys.Load(std::string(GRAVELON_SOURCE_DIR) + "/Tarn/crypt/tests/keys"));
        auth = MakeAuthServer();
        StoreVerifierKey();
    }
    void TearDown() override {
        TarnAPI::Identity::WaitForLogins();
        TarnAPI::Identity::SetClock({});
        TarnAPI::Identity::ResetModule();
        std::filesystem::remove(registry_);
        unsetenv("GRAVELON_REGISTRY");
        TarnCommon::SetEventLogFolder("");
    }

    std::unique_ptr<tarnserver::AuthServer> MakeAuthServer() {
        auto server = std::make_unique<tarnserver::AuthServer>(keys, [] { return TestNow().load(); });
        const TarnCrypt::Bytes alice = KeyFile("user1.der"), bob = KeyFile("user2.der");
        server->AddAccount(u"alice", u"secret", u"Ally",
                           TarnCrypt::EGPrivateKey(static_cast<uint16_t>(alice.size()), alice.data()));
        server->AddAccount(u"bob", u"pw", u"", TarnCrypt::EGPrivateKey(static_cast<uint16_t>(bob.size()), bob.data()));
        return server;
    }

    void StoreVerifierKey() {
        const TarnCrypt::Bytes verifier = KeyFile("verifier.pub.der");
        ASSERT_EQ(plat::RegistryStore(registry_).SetValue(
                      plat::RegKeyPath(TarnCommon::kHKeyLocalMachine, TarnCommon::RegPlatformKey()),
                      TarnCommon::kRegAuthVerifierKey, plat::REG_BINARY, verifier),
                  plat::RegStatus::Ok);
    }
    void ClearRegistry() { std::filesystem::remove(registry_); }

    std::unique_ptr<TarnAPI::Identity> Alice(std::vector<sockaddr_in> servers = {}) {
        if (servers.empty()) servers = {Loopback(auth->Port())};
        return std::make_unique<TarnAPI::Identity>(u"alice", u"secret", servers);
    }

    tarnserver::ServerKeys keys;
    std::unique_ptr<tarnserver::AuthServer> auth;
    std::string registry_;
};

}  // namespace tarntest
