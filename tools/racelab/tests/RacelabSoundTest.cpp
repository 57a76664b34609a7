// racelab with the racers' sounds and particles on the generated race sounds: the race runs exactly
// as without them (they draw only cosmetic random numbers), every racer's engine plays, and a rider
// who gives up and falls cries out.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <string>

#include "tools/contentgen/worldfx/WorldFxSounds.h"
#include "tools/packtool/PackWriter.h"
#include "tools/racelab/RaceWorld.h"
#include "tools/racelab/tests/RacelabRun.h"

namespace tools {
namespace {

using test::LabRun;
using test::Racelab;

std::string Own(const std::string& name) { return test::OwnPath("racelab_sound_", name); }

// Every line but the sound summary: the hashes, the laps and crashes, the totals.
std::string RaceLines(const std::string& out) { return std::regex_replace(out, std::regex("sound engines=.*\n"), ""); }

class RacelabSound : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        world_ = Own("world") + ".wld";
        ASSERT_TRUE(SaveRaceWorld(world_));
        PackContent content;
        std::string error;
        ASSERT_TRUE(AddRaceSounds(content, &error)) << error;
        pack_ = Own("sounds") + ".dat";
        ASSERT_TRUE(WritePack(pack_, content.Entries(), &error)) << error;
    }
    static void TearDownTestSuite() {
        std::remove(world_.c_str());
        std::remove(pack_.c_str());
    }
    static inline std::string world_, pack_;
};

TEST_F(RacelabSound, SoundsAndParticlesLeaveTheRaceAloneAndEveryEnginePlays) {
    const std::string args = world_ + " --computers 6 --laps 1 --max-seconds 60";
    const LabRun quiet = Racelab(args);
    const LabRun loud = Racelab(args + " --sounds " + pack_);
    ASSERT_EQ(quiet.exitCode, loud.exitCode) << loud.out;
    EXPECT_EQ(quiet.out.find("sound engines="), std::string::npos) << quiet.out;
    EXPECT_EQ(RaceLines(loud.out), quiet.out);
    std::smatch m;
    ASSERT_TRUE(std::regex_search(loud.out, m, std::regex("sound engines=([0-9]+) crash_cries=([0-9]+)"))) << loud.out;
    EXPECT_EQ(std::stoi(m[1].str()), 6) << loud.out;
}

TEST_F(RacelabSound, ARiderWhoGivesUpCriesOut) {
    const std::string script = Own("give_up") + ".txt";
    {
        std::ofstream s(script);
        s << "# full throttle, then give up (G) at speed\n1 key 30 down\n150 key 34 down\n160 key 34 up\n";
    }
    const std::string args = world_ + " --computers 1 --local --laps 1 --max-seconds 6 --input " + script;
    const LabRun quiet = Racelab(args);
    const LabRun loud = Racelab(args + " --sounds " + pack_);
    std::remove(script.c_str());
    EXPECT_NE(quiet.out.find("racer 0 local laps=0 crashes=1"), std::string::npos) << quiet.out;
    EXPECT_EQ(RaceLines(loud.out), quiet.out);
    std::smatch m;
    ASSERT_TRUE(std::regex_search(loud.out, m, std::regex("sound engines=([0-9]+) crash_cries=([0-9]+)"))) << loud.out;
    EXPECT_EQ(std::stoi(m[1].str()), 2) << loud.out;
    EXPECT_GE(std::stoi(m[2].str()), 1) << loud.out;
}

}  // namespace
}  // namespace tools
