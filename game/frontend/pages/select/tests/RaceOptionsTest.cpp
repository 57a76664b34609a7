#include "game/frontend/pages/select/RaceOptions.h"

#include <gtest/gtest.h>

#include "game/core/config/ConfigRecord.h"

namespace kes {
namespace {

struct ClampCase {
    const char* what;
    uint32_t ConfigRecord::*field;
    uint32_t stored, worldPage, championship;
};

const ClampCase kClamps[] = {
    {"laps 2", &ConfigRecord::raceOption2, 2, 8, 8},
    {"laps 3", &ConfigRecord::raceOption2, 3, 3, 3},
    {"laps 1 (the championship slider cannot show it)", &ConfigRecord::raceOption2, 1, 8, 8},
    {"laps 8", &ConfigRecord::raceOption2, 8, 8, 8},
    {"laps 9", &ConfigRecord::raceOption2, 9, 8, 8},
    {"time 0", &ConfigRecord::raceOption4, 0, 20, 20},
    {"time 1", &ConfigRecord::raceOption4, 1, 1, 1},
    {"time 20", &ConfigRecord::raceOption4, 20, 20, 20},
    {"time 21", &ConfigRecord::raceOption4, 21, 20, 20},
    {"points 4", &ConfigRecord::raceOption3, 4, 10, 10},
    {"points 5", &ConfigRecord::raceOption3, 5, 5, 5},
    {"points 40", &ConfigRecord::raceOption3, 40, 40, 40},
    {"points 41", &ConfigRecord::raceOption3, 41, 10, 10},
    {"riders 0", &ConfigRecord::raceOption1, 0, 0, 7},
    {"riders 3", &ConfigRecord::raceOption1, 3, 3, 3},
    {"riders 7", &ConfigRecord::raceOption1, 7, 7, 7},
    {"riders 900", &ConfigRecord::raceOption1, 900, 7, 7},
    {"game mode 2", &ConfigRecord::gameMode, 2, 2, 2},
    {"game mode 5", &ConfigRecord::gameMode, 5, 1, 5},
};

TEST(RaceOptions, StoredValuesAreBroughtIntoTheSlidersRanges) {
    for (const ClampCase& c : kClamps) {
        ConfigRecord world, championship;
        world.*c.field = c.stored;
        championship.*c.field = c.stored;
        ClampWorldPageOptions(world);
        ClampChampionshipOptions(championship);
        EXPECT_EQ(world.*c.field, c.worldPage) << c.what;
        EXPECT_EQ(championship.*c.field, c.championship) << c.what;
    }
}

TEST(RaceOptions, TheOptionSliderFollowsFamilyAndGameMode) {
    struct Case {
        uint32_t family, mode;
        OptionSlider meaning;
        uint32_t label;
        float maximum, value;
    } const cases[] = {
        {1, 1, OptionSlider::Laps, 44, 5.5f, 4 - 3},
        {2, 0, OptionSlider::Laps, 44, 5.5f, 4 - 3},
        {3, 1, OptionSlider::TimeLimit, 116, 19.5f, 7 - 1},
        {1, 2, OptionSlider::Points, 191, 35.5f, 10 - 5},
        {3, 2, OptionSlider::Points, 191, 35.5f, 10 - 5},
    };
    for (const Case& c : cases) {
        ConfigRecord config;  // laps 4, time 7, points 10
        config.gameMode = c.mode;
        const OptionSliderSetup s = OptionSliderFor(config, c.family);
        EXPECT_EQ(s.meaning, c.meaning) << c.family << "/" << c.mode;
        EXPECT_EQ(s.label, c.label);
        EXPECT_EQ(s.maximum, c.maximum);
        EXPECT_EQ(s.value, c.value);
    }
}

TEST(RaceOptions, TheSlidersWholeValueGoesBackWithItsCaption) {
    ConfigRecord config;
    EXPECT_EQ(StoreOptionSlider(config, OptionSlider::Laps, 5.4f), 8u);
    EXPECT_EQ(config.raceOption2, 8u);
    EXPECT_EQ(StoreOptionSlider(config, OptionSlider::TimeLimit, 0.9f), 1u);
    EXPECT_EQ(config.raceOption4, 1u);
    EXPECT_EQ(StoreOptionSlider(config, OptionSlider::Points, 35.5f), 40u);
    EXPECT_EQ(config.raceOption3, 40u);
    EXPECT_EQ(OptionCaption(OptionSlider::Laps, 8), "  8");
    EXPECT_EQ(OptionCaption(OptionSlider::TimeLimit, 7), "  7");
    EXPECT_EQ(OptionCaption(OptionSlider::TimeLimit, 15), " 15");
}

}  // namespace
}  // namespace kes
