#include "platform/session/SessionFrames.h"

#include <gtest/gtest.h>

namespace plat::frames {
namespace {

TEST(SessionFrames, WhatIsWrittenReadsBack) {
    SessionGuid app{};
    app[3] = 7;
    uint8_t data[56];
    for (int i = 0; i < 56; ++i) data[i] = static_cast<uint8_t>(i);
    Frame f;
    auto hello = Hello(app, "A very long player name", data, 56);
    ASSERT_TRUE(Decode(hello.data(), hello.size(), f));
    EXPECT_EQ(f.kind, kHello);
    EXPECT_EQ(f.application, app);
    EXPECT_EQ(f.name, "A very long pla") << "15 characters kept";
    EXPECT_EQ(f.length, 56u);
    EXPECT_EQ(f.bytes[55], 55);

    auto assign = Assign(4);
    ASSERT_TRUE(Decode(assign.data(), assign.size(), f));
    EXPECT_EQ(f.slot, 4);
    uint8_t msg[8] = {8, 29, 2, 0, 5, 0, 0, 0};
    auto game = Game(2, 0, msg, 8);
    ASSERT_TRUE(Decode(game.data(), game.size(), f));
    EXPECT_EQ(f.slot, 2);
    EXPECT_EQ(f.target, 0);
    EXPECT_EQ(f.length, 8u);
}

TEST(SessionFrames, DamagedFramesAreRefused) {
    SessionGuid app{};
    uint8_t data[4] = {1, 2, 3, 4};
    auto hello = Hello(app, "Ann", data, 4);
    auto roster = Roster(2, "Bob", data, 4);
    auto dataFrame = Data(2, data, 4);
    std::vector<uint8_t> bigGame(3 + 513, 0);
    bigGame[0] = kGame;
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"empty", {}},
        {"unknown kind", {99, 0, 0, 0}},
        {"hello cut short", std::vector<uint8_t>(hello.begin(), hello.end() - 1)},
        {"hello with a byte too many", [&] { auto v = hello; v.push_back(0); return v; }()},
        {"hello data length beyond 56", [&] { auto v = hello; v[34] = 200; return v; }()},
        {"roster cut short", std::vector<uint8_t>(roster.begin(), roster.end() - 1)},
        {"data length wrong", [&] { auto v = dataFrame; v[2] = 9; return v; }()},
        {"assign with slot 9", Assign(9)},
        {"assign not a 144", [] { auto v = Assign(2); v[2] = 145; return v; }()},
        {"left too long", {kLeft, 2, 0}},
        {"game message under 4 bytes", {kGame, 2, 0, 8, 13, 2}},
        {"game message over 512 bytes", bigGame},
    };
    for (const Case& c : cases) {
        Frame f;
        EXPECT_FALSE(Decode(c.bytes.data(), c.bytes.size(), f)) << c.what;
    }
}

}  // namespace
}  // namespace plat::frames
