// The lines the game list and the game room show, in English from the default content's texts.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "game/core/config/ConfigRecord.h"
#include "game/core/config/Config.h"
#include "game/core/datapack/DataPack.h"
#include "game/core/text/TextTable.h"
#include "game/frontend/pages/lobby/LobbyText.h"
#include "game/frontend/session/RaceSession.h"
#include "tools/contentgen/tests/DefaultContent.h"

namespace kes {
namespace {

class LobbyText : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(MakeLoadCache(tools::test::DefaultDataPack().c_str()), 1);
        ASSERT_EQ(LoadTextTable(0), 0);
    }
    static void TearDownTestSuite() {
        FreeTextTable();
        FreeLoadCache();
    }
    void SetUp() override { g_Config = ConfigRecord{}; }
};

template <size_t N>
void Fill(char (&field)[N], const char* text) {
    std::memset(field, 0, N);
    std::memcpy(field, text, std::min(std::strlen(text), N));
}

TEST_F(LobbyText, PlayerLinesShowTheRoundTripOnlyOnceMeasured) {
    const struct {
        uint32_t slot;
        const char* name;
        uint32_t roundTrip;
        const char* line;
    } kCases[] = {
        {1, "Ann", 0, "(1) Ann             "},
        {2, "Bob", 37, "(2) Bob                 37 ms"},
        {8, "Cy", 12345, "(8) Cy                12345 ms"},
        // A name of 16 characters from the network without its terminator stays within its field.
        {3, "ABCDEFGHIJKLMNOPQRS", 5, "(3) ABCDEFGHIJKLMNOP     5 ms"},
    };
    for (const auto& c : kCases) {
        char name[16];
        Fill(name, c.name);
        EXPECT_EQ(PlayerLine(c.slot, name, c.roundTrip), c.line) << c.name;
    }
}

TEST_F(LobbyText, GameListLinesCutTheNameAtSixteen) {
    const struct {
        const char* name;
        uint32_t players, maxPlayers;
        const char* line;
    } kCases[] = {
        {"Vosk Server", 1, 8, "Vosk Server               1/8"},
        {"A very long game name indeed", 3, 8, "A very long game          3/8"},
        {"", 0, 0, "                          0/0"},
    };
    for (const auto& c : kCases) {
        ServerRecord game;
        Fill(game.name, c.name);
        game.players = c.players;
        game.maxPlayers = c.maxPlayers;
        EXPECT_EQ(GameListLine(game), c.line) << c.name;
    }
    // Numbers as large as a record can hold still give a line of at most 64 characters.
    ServerRecord huge;
    std::memset(huge.name, 'x', sizeof huge.name);
    huge.players = huge.maxPlayers = 0xFFFFFFFFu;
    EXPECT_LE(GameListLine(huge).size(), kLobbyLineChars);
}

TEST_F(LobbyText, SettingsLinesFollowTheModeAndTheWorldsKind) {
    WorldRecord lap, timed;
    lap.identifier = 101;
    lap.kind = 0;
    lap.nameText = "Loop@Vuelta@Boucle@Runde";
    timed = lap;
    timed.kind = 2;
    const struct {
        const WorldRecord* world;
        uint32_t mode, language;
        bool series;
        std::vector<std::string> lines;
    } kCases[] = {
        {&lap, 1, 0, false, {"TRACK : RACE ", "    LAPS : 4", "    Loop"}},
        {&lap, 1, 2, true, {"TRACK : RACE SERIES", "    LAPS : 4", "    Boucle"}},
        {&timed, 1, 3, false, {"TRACK : RACE ", "    TIME LIMIT : 7", "    Runde"}},
        {&lap, 2, 0, false, {"TRACK : CHECKPOINTS ", "    TARGET : 10", "    Loop"}},
        {&timed, 2, 1, true, {"TRACK : CHECKPOINTS SERIES", "    TARGET : 10", "    Vuelta"}},
        {nullptr, 1, 0, true, {"TRACK : ????", "    ????????", "    ????????"}},
    };
    for (const auto& c : kCases) {
        ConfigRecord config;
        config.gameMode = c.mode;
        config.language = c.language;
        g_Config.language = c.language;
        EXPECT_EQ(SettingsLines(c.world, config, c.series), c.lines) << c.mode << ' ' << c.language;
    }
}

NetPlayerInfo InfoWithParams(float p1, float p2, float p3, float p4) {
    NetPlayerInfo info;
    std::memcpy(&info.words[6], &p1, 4);
    std::memcpy(&info.words[4], &p2, 4);
    std::memcpy(&info.words[5], &p3, 4);
    std::memcpy(&info.words[3], &p4, 4);
    return info;
}

TEST_F(LobbyText, TheHostsBikeIsItsPresetClassOrItsFourNumbers) {
    constexpr float s = 0.01001f;  // how the bike set-up scales its whole numbers
    constexpr float nan = std::numeric_limits<float>::quiet_NaN();
    constexpr float inf = std::numeric_limits<float>::infinity();
    const struct {
        NetPlayerInfo info;
        uint32_t bikeClass;
        std::vector<std::string> lines;
    } kCases[] = {
        {InfoWithParams(64 * s, 48 * s, 25 * s, 12 * s), 0, {"BIKE : 125 CC"}},
        {InfoWithParams(23 * s, 41 * s, 39 * s, 21 * s), 1, {"BIKE : 250 CC"}},
        {InfoWithParams(11 * s, 36 * s, 59 * s, 44 * s), 2, {"BIKE : 500 CC"}},
        {InfoWithParams(100 * s, 100 * s, 100 * s, 100 * s), 3, {"BIKE : SPECIAL"}},
        {InfoWithParams(50 * s, 40 * s, 30 * s, 20 * s),
         4,
         {"BIKE", "AIR CONTROL    :  50", "ACCELERATION   :  40", "TOP SPEED      :  30", "ENGINE         :  20"}},
        // Whatever a peer sends stays a number from 0 to 100.
        {InfoWithParams(nan, inf, -5.0f, 1.0e30f),
         4,
         {"BIKE", "AIR CONTROL    :   0", "ACCELERATION   :   0", "TOP SPEED      :   0", "ENGINE         : 100"}},
    };
    for (const auto& c : kCases) {
        const HostBike bike = HostBikeFromInfo(c.info);
        EXPECT_EQ(bike.bikeClass, c.bikeClass) << c.lines[0];
        EXPECT_EQ(BikeLines(bike), c.lines) << c.lines[0];
    }
}

}  // namespace
}  // namespace kes
