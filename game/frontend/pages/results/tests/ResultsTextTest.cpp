// The results pages' texts: time text, the row formats of each block and the world heading.
#include <gtest/gtest.h>

#include "game/frontend/pages/results/ResultsText.h"

namespace kes {
namespace {

TEST(ResultsText, TimeText) {
    const struct {
        uint32_t ms;
        const char* text;
    } cases[] = {
        {61234, " 1'01\"23"}, {0, "--'--\"--"}, {3599999, "59'59\"99"}, {6000000, "100'00\"00"}, {9, " 0'00\"00"},
        {10, " 0'00\"01"},
    };
    for (const auto& c : cases) EXPECT_EQ(ResultTimeText(c.ms), c.text) << c.ms;
}

class ResultsBlockTest : public ::testing::Test {
protected:
    void SetUp() override {
        flow_.racerCount = 3;
        flow_.raceResults[0] = {2, 60, 61234, 500, nullptr};
        flow_.raceResults[3] = {1, 100, 0, 900, "ZOE"};
        flow_.raceResults[5] = {3, 30, 5000, 200, "MAX"};
        flow_.resultOrder[0] = 3;
        flow_.resultOrder[1] = 0;
        flow_.resultOrder[2] = 5;
    }
    GameFlowState flow_;
};

TEST_F(ResultsBlockTest, TimesRowsListPlaceNamePointsAndTime) {
    EXPECT_EQ(ResultsBlockText(ResultsBlock::kTimes, "RESULTS", flow_, "ME"),
              "RESULTS@@"
              " 1  ZOE                10   --'--\"--@@"
              " 2  ME                  6    1'01\"23@@"
              " 3  MAX                 3    0'05\"00@@");
}

TEST_F(ResultsBlockTest, ScorePageShowsDashesFromThePlayersRowOn) {
    EXPECT_EQ(ResultsBlockText(ResultsBlock::kScore, "T", flow_, "ME"),
              "T@@"
              "ZOE                      900  10.0@@"
              "ME                 ---------   -.-@@"
              "MAX                ---------   -.-@@");
    EXPECT_EQ(ResultsBlockText(ResultsBlock::kPoints, "T", flow_, "ME"),
              "T@@"
              "ZOE                      900  10.0@@"
              "ME                       500   6.0@@"
              "MAX                      200   3.0@@");
}

TEST_F(ResultsBlockTest, StandingsTakeNamesFromTheCupTableAndPointsFromTheSeason) {
    flow_.cupResults[3].name = "ZOE";
    flow_.cupResults[5].name = "MAX";
    flow_.seasonResults[3].points = 123;
    flow_.seasonResults[0].points = 45;
    flow_.cupResults[3].points = 50;
    flow_.cupResults[0].points = 100;
    EXPECT_EQ(ResultsBlockText(ResultsBlock::kChampionship, "S", flow_, "ME"),
              "S@@"
              "ZOE                 12.3      ??@@"
              "ME                   4.5      ??@@"
              "MAX                  0.0      ??@@");
    EXPECT_EQ(ResultsBlockText(ResultsBlock::kCupStandings, "S", flow_, "ME"),
              "S@@"
              "ZOE                 12.3       5@@"
              "ME                   4.5      10@@"
              "MAX                  0.0       0@@");
}

TEST_F(ResultsBlockTest, DamagedOrderAndCountStayInsideTheTables) {
    flow_.racerCount = 50;
    flow_.resultOrder[1] = 9;  // not a row: left out
    const std::string text = ResultsBlockText(ResultsBlock::kTimes, "", flow_, nullptr);
    EXPECT_EQ(text.find(" 2  ME"), std::string::npos);
    EXPECT_NE(text.find(" 1  ZOE"), std::string::npos);
}

TEST(ResultsText, WorldNameInTheLanguageAndTheHeading) {
    EXPECT_EQ(WorldNameIn("Hill@Colina@Colline@Huegel", 2), "Colline");
    EXPECT_EQ(WorldNameIn("Hill@Colina@Colline@Huegel", 0), "Hill");
    EXPECT_EQ(WorldNameIn("Hill", 3), "Hill");
    EXPECT_EQ(WorldNameIn("Hill@@", 2), "Hill");
    EXPECT_EQ(ResultsHeading("Colline", "RESULTATS"), "\"Colline\" RESULTATS");
}

}  // namespace
}  // namespace kes
