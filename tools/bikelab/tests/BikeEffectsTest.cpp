// bikelab with its effects: a bike accelerating on dirt throws up dust and runs up through its
// engine bank, heard louder and higher as the engine level rises. The real program, run headless
// on the generated race sounds.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/contentgen/worldfx/WorldFxSounds.h"
#include "tools/packtool/PackWriter.h"

namespace tools {
namespace {

std::string Own(const std::string& name) {
    return std::string(GRAVELON_BINARY_DIR) + "/tests/" + name + "_" + std::to_string(::getpid());
}

std::string Slurp(const std::string& path) {
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

struct Engine {
    int voice;
    double from, level, pitch;
};

// Runs bikelab on full throttle over flat ground; returns what it said on standard error.
std::string RunOnDirt(const std::string& extra) {
    const std::string script = Own("bikelab_effects") + ".txt", err = Own("bikelab_effects") + ".err";
    {
        std::ofstream out(script);
        out << "ground flat\nstart 0 0 3 0\nend 6\nat 0 throttle\n";
    }
    const std::string cmd = std::string(GRAVELON_BINARY_DIR) + "/bin/bikelab " + script + " --every 100 --effects " +
                            extra + " > /dev/null 2> " + err;
    EXPECT_EQ(std::system(cmd.c_str()), 0) << Slurp(err);
    const std::string said = Slurp(err);
    std::remove(script.c_str());
    std::remove(err.c_str());
    return said;
}

TEST(BikeEffects, AcceleratingBikeThrowsDustAndRunsUpThroughItsEngineBank) {
    PackContent content;
    std::string error;
    ASSERT_TRUE(AddRaceSounds(content, &error)) << error;
    const std::string pack = Own("bikelab_sounds") + ".dat";
    ASSERT_TRUE(WritePack(pack, content.Entries(), &error)) << error;
    const std::string said = RunOnDirt("--sounds " + pack);
    std::remove(pack.c_str());

    unsigned dust = 0, exhaust = 0;
    std::vector<Engine> engine;
    std::istringstream lines(said);
    std::string line;
    while (std::getline(lines, line)) {
        Engine e{};
        if (std::sscanf(line.c_str(), "bikelab: particles dust %u, exhaust %u", &dust, &exhaust) == 2) continue;
        if (std::sscanf(line.c_str(), "bikelab: engine Constant%d from %lf s, level %lf, pitch %lf", &e.voice, &e.from,
                        &e.level, &e.pitch) == 4)
            engine.push_back(e);
    }
    EXPECT_GT(dust, 20u) << said;
    EXPECT_GT(exhaust, 0u) << said;
    ASSERT_EQ(engine.size(), 4u) << said;
    for (size_t i = 0; i < engine.size(); ++i) {
        EXPECT_EQ(engine[i].voice, static_cast<int>(i) + 1) << said;
        if (i == 0) continue;
        EXPECT_GT(engine[i].from, engine[i - 1].from) << said;
        EXPECT_GT(engine[i].level, engine[i - 1].level) << said;
        EXPECT_GT(engine[i].pitch, engine[i - 1].pitch * 1.15) << said;
    }
}

TEST(BikeEffects, WithoutSoundsOnlyTheParticlesAreReported) {
    const std::string said = RunOnDirt("");
    EXPECT_NE(said.find("bikelab: particles dust "), std::string::npos) << said;
    EXPECT_EQ(said.find("engine"), std::string::npos) << said;
}

}  // namespace
}  // namespace tools
