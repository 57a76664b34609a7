// The tarn-server program with its key set and an account: a login and an authenticated directory
// request against it, as a player's game would make them.
#include <gtest/gtest.h>

#include <sstream>

#include "Tarn/dir/DirectoryClient.h"
#include "Tarn/identity/tests/AuthFixture.h"
#include "game/net/tests/DriverProcess.h"

namespace {

using namespace TarnAPI;

class TarnServerProgram : public tarntest::AuthFixture {};

TEST_F(TarnServerProgram, LogsInAndServesAuthenticatedRequests) {
    Identity::SetClock({});  // the program keeps the real time
    kes::test::DriverProcess server(
        "tarn-server",
        {"--bind", "127.0.0.1", "--dir-port", "0", "--auth-port", "0", "--keys",
         std::string(GRAVELON_SOURCE_DIR) + "/Tarn/crypt/tests/keys", "--account", "carol:pass:Caz",
         "--until-stdin-closes"},
        "directory ");
    ASSERT_TRUE(server.Started()) << server.FirstLine();
    std::istringstream line(server.FirstLine());
    std::string word;
    unsigned dirPort = 0, authPort = 0;
    line >> word >> dirPort >> word >> authPort;
    ASSERT_NE(authPort, 0u);

    Identity carol(u"carol", u"pass", {tarntest::Loopback(static_cast<uint16_t>(authPort))});
    ASSERT_EQ(carol.Authenticate(false, false, 10000, false, {}), kAuthOk);
    EXPECT_EQ(carol.GetNickname(), u"Caz");
    Identity wrong(u"carol", u"nope", {tarntest::Loopback(static_cast<uint16_t>(authPort))});
    EXPECT_EQ(wrong.Authenticate(false, false, 10000, false, {}), kAuthBadPassword);

    const sockaddr_in directory = tarntest::Loopback(static_cast<uint16_t>(dirPort));
    const char address[] = {0x30, 0x39, 127, 0, 0, 1};
    EXPECT_EQ(DirAddEntityA(&carol, &directory, 1, nullptr, "/Gravelon/Dir_4", "Kestrun", "Carol's race", address, 6,
                            120, 1, 0, {}, 10000, false, {}),
              kDirOk);
    std::vector<TarnMsg::DirEntity> list;
    EXPECT_EQ(DirQueryA(nullptr, &directory, 1, nullptr, "/Gravelon/Dir_4", &list, 0x07030F72, {}, nullptr, 10000,
                        false, {}),
              kDirOk);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].displayName, u"Carol's race");
}

}  // namespace
