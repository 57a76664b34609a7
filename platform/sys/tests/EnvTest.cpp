#include <gtest/gtest.h>

#include <map>
#include <string>

#include "platform/sys/Env.h"

namespace {

std::map<std::string, std::string> g_vars;

const char* Lookup(const char* name) {
    auto it = g_vars.find(name);
    return it == g_vars.end() ? nullptr : it->second.c_str();
}

TEST(Env, NothingSetMeansNormalRun) {
    g_vars.clear();
    plat::EnvSettings s = plat::ParseEnv(Lookup);
    EXPECT_FALSE(s.registryFile);
    EXPECT_FALSE(s.headless);
    EXPECT_FALSE(s.quitAfterFrames);
    EXPECT_FALSE(s.frameMs);
    EXPECT_FALSE(s.inputScript);
}

TEST(Env, EveryVariableIsRead) {
    g_vars = {{"GRAVELON_REGISTRY", "/tmp/reg"},
              {"GRAVELON_HEADLESS", "1"},
              {"GRAVELON_QUIT_AFTER_FRAMES", "120"},
              {"GRAVELON_FRAME_MS", "16"},
              {"GRAVELON_INPUT", "in.txt"}};
    plat::EnvSettings s = plat::ParseEnv(Lookup);
    EXPECT_EQ(s.registryFile.value_or(""), "/tmp/reg");
    EXPECT_TRUE(s.headless);
    EXPECT_EQ(s.quitAfterFrames.value_or(-1), 120);
    EXPECT_EQ(s.frameMs.value_or(-1), 16);
    EXPECT_EQ(s.inputScript.value_or(""), "in.txt");
}

TEST(Env, BadNumbersAreIgnored) {
    struct Case {
        const char* text;
        int expected;  // -1: ignored
    } cases[] = {{"0", 0},   {"7 ", 7},  {"", -1},           {"abc", -1},         {"12x", -1},
                 {"-5", -1}, {"1e3", -1}, {"99999999999", -1}, {"2147483647", 2147483647}};
    for (const Case& c : cases) {
        g_vars = {{"GRAVELON_FRAME_MS", c.text}, {"GRAVELON_QUIT_AFTER_FRAMES", c.text}};
        plat::EnvSettings s = plat::ParseEnv(Lookup);
        EXPECT_EQ(s.frameMs.value_or(-1), c.expected) << '"' << c.text << '"';
        EXPECT_EQ(s.quitAfterFrames.value_or(-1), c.expected) << '"' << c.text << '"';
        // Every value that was not taken is listed, once per variable, so the program can refuse it.
        EXPECT_EQ(s.errors.size(), c.expected < 0 && *c.text ? 2u : 0u) << '"' << c.text << '"';
    }
    g_vars = {{"GRAVELON_QUIT_AFTER_FRAMES", "sixty"}};
    const plat::EnvSettings s = plat::ParseEnv(Lookup);
    ASSERT_EQ(s.errors.size(), 1u);
    EXPECT_NE(s.errors[0].find("GRAVELON_QUIT_AFTER_FRAMES=\"sixty\""), std::string::npos) << s.errors[0];
}

// Nobody can see a window on SDL's offscreen or dummy driver: dialogs there take their default answers
// as in headless runs.
TEST(Env, InvisibleVideoDriversAreHeadless) {
    const struct {
        const char* driver;
        bool headless;
    } cases[] = {{"offscreen", true}, {"dummy", true},  {"OFFSCREEN", true}, {"offscreen,dummy", true},
                 {"x11", false},      {"wayland", false}, {"x11,offscreen", false}, {"", false}};
    for (const auto& c : cases) {
        g_vars = {{"SDL_VIDEODRIVER", c.driver}, {"GRAVELON_HEADLESS", "0"}};
        EXPECT_EQ(plat::ParseEnv(Lookup).headless, c.headless) << c.driver;
    }
}

TEST(Env, HeadlessOnlyWhenSetAndNotZero) {
    for (auto [text, expected] : {std::pair{"1", true}, {"0", false}, {"", false}, {"yes", true}}) {
        g_vars = {{"GRAVELON_HEADLESS", text}};
        EXPECT_EQ(plat::ParseEnv(Lookup).headless, expected) << text;
    }
}

TEST(Env, TestRunsAreHeadless) { EXPECT_TRUE(plat::Env().headless); }

}  // namespace

namespace {

TEST(Env, NetworkEndpointsAreAddressAndPort) {
    const struct {
        const char* text;
        const char* address;  // null: refused
        int port;
    } cases[] = {{"127.0.0.1:27010", "127.0.0.1", 27010}, {"10.1.2.3:1", "10.1.2.3", 1},
                 {"127.0.0.1:65535", nullptr, 0},          {"127.0.0.1:0", nullptr, 0},
                 {"localhost:27010", nullptr, 0},          {"127.0.0.1", nullptr, 0},
                 {"127.0.0.1:27010x", nullptr, 0},         {"300.0.0.1:27010", nullptr, 0}};
    for (const auto& c : cases) {
        g_vars = {{"GRAVELON_NET", c.text}, {"GRAVELON_NET_SEARCH", c.text}};
        const plat::EnvSettings s = plat::ParseEnv(Lookup);
        for (const auto& endpoint : {s.netListen, s.netSearch}) {
            ASSERT_EQ(endpoint.has_value(), c.address != nullptr) << c.text;
            if (!endpoint) continue;
            EXPECT_EQ(endpoint->address, c.address);
            EXPECT_EQ(endpoint->port, c.port);
        }
        EXPECT_EQ(s.errors.size(), c.address ? 0u : 2u) << c.text;
    }
}

}  // namespace
