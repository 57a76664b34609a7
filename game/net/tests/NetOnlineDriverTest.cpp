// An online game between processes as they run for real: tarn-server as the directory, one netdriver
// hosting and publishing its game, another finding it through the directory and joining it by the
// published address.
#include <gtest/gtest.h>

#include <string>

#include "game/net/tests/DriverProcess.h"

namespace kes {
namespace {

using test::DriverProcess;

bool StartsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

TEST(OnlineDrivers, PublishFindJoinAndRemoveOnQuit) {
    DriverProcess directory("tarn-server", {"--bind", "127.0.0.1", "--dir-port", "0", "--until-stdin-closes"},
                            "directory ");
    ASSERT_TRUE(directory.Started()) << directory.FirstLine();
    const std::string servers = "127.0.0.1:" + directory.FirstLine().substr(10);
    // Three servers as the game has them; the first is closed, so every request fails over.
    const std::string online = "online 127.0.0.1:1," + servers + "," + servers + " 100 5000";

    DriverProcess host;
    DriverProcess guest;
    ASSERT_TRUE(host.Started() && guest.Started());
    ASSERT_EQ(host.Command(online), "ok");
    ASSERT_EQ(guest.Command(online), "ok");
    const std::string hosted = host.Command("host Host Sunday");
    ASSERT_TRUE(StartsWith(hosted, "port ")) << hosted;
    const std::string port = hosted.substr(5, hosted.find(' ', 5) - 5);

    auto search = [&](const std::string& expected) {
        return guest.WaitFor("found", [&](const std::string& reply) {
            if (StartsWith(reply, "found 0")) return false;  // still running
            if (reply == expected) return true;
            guest.Command("search");  // ended with another answer: ask again
            return false;
        });
    };
    ASSERT_EQ(guest.Command("search"), "ok");
    EXPECT_EQ(search("found 1 1 Sunday/1/8/" + port), "found 1 1 Sunday/1/8/" + port);

    ASSERT_EQ(guest.Command("joinfound Guest 0"), "joined 2");
    EXPECT_EQ(host.WaitForEqual("slots", "slots 1 1:Host,2:Guest,"), "slots 1 1:Host,2:Guest,");
    // The host's refresh thread publishes the new player count.
    ASSERT_EQ(guest.Command("search"), "ok");
    EXPECT_EQ(search("found 1 1 Sunday/2/8/" + port), "found 1 1 Sunday/2/8/" + port);

    // The host quits: its entry leaves the directory.
    EXPECT_EQ(host.Command("leave"), "left");
    ASSERT_EQ(guest.Command("search"), "ok");
    EXPECT_EQ(search("found 1 0"), "found 1 0");
}

}  // namespace
}  // namespace kes
