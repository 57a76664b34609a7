// bikelab driving a bike through a generated world with placed objects, a fence and a pond: the
// real program, run headless on a world file written under the build folder.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "game/world/objects/tests/ObjectsWorld.h"

namespace tools {
namespace {

using Layout = kes::test::ObjectsWorldLayout;

struct Row {
    double t;
    float x, y, z, speed;
    int riding;
};

struct Drive {
    std::vector<Row> rows;
    std::string summary;  // what the program reports on standard error
    float maxY = -1e9f;
    bool everDown = false;
};

std::string Slurp(const std::string& path) {
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

class BikeWorldTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const std::vector<uint8_t> world = kes::test::ObjectsWorld();
        std::ofstream out(WorldPath(), std::ios::binary);
        out.write(reinterpret_cast<const char*>(world.data()), static_cast<std::streamsize>(world.size()));
    }
    static std::string Dir() { return std::string(GRAVELON_BINARY_DIR) + "/tests"; }
    // Every test process has files of its own: ctest runs the tests of this suite side by side.
    static std::string Own(const std::string& name) { return Dir() + "/" + name + "_" + std::to_string(::getpid()); }
    static std::string WorldPath() { return Own("bikelab_objects_world") + ".qv"; }

    // Full throttle straight ahead (+y) from (x, 100) for the given seconds.
    static Drive DriveLane(float x, double seconds) {
        const std::string tag = std::to_string(static_cast<int>(x));
        const std::string script = Own("bikelab_lane_" + tag) + ".txt";
        {
            std::ofstream out(script);
            out << "world " << WorldPath() << "\nstart " << x << " 100 3 0\nend " << seconds << "\nat 0 throttle\n";
        }
        const std::string csv = Own("bikelab_lane_" + tag) + ".csv", err = Own("bikelab_lane_" + tag) + ".err";
        const std::string cmd = std::string(GRAVELON_BINARY_DIR) + "/bin/bikelab " + script + " --every 10 > " + csv +
                                " 2> " + err;
        EXPECT_EQ(std::system(cmd.c_str()), 0) << Slurp(err);
        Drive d;
        d.summary = Slurp(err);
        std::istringstream in(Slurp(csv));
        std::string line;
        std::getline(in, line);
        while (std::getline(in, line)) {
            Row r{};
            unsigned contact;
            if (std::sscanf(line.c_str(), "%lf,%f,%f,%f,%f,%d,%u", &r.t, &r.x, &r.y, &r.z, &r.speed, &r.riding, &contact) != 7)
                continue;
            d.rows.push_back(r);
            d.maxY = std::max(d.maxY, r.y);
            if (!r.riding) d.everDown = true;
        }
        EXPECT_FALSE(d.rows.empty());
        return d;
    }
};

TEST_F(BikeWorldTest, OpenLaneRunsOnWhileTheCrateStopsTheBike) {
    const Drive open = DriveLane(Layout::kOpenLaneX, 5);
    EXPECT_GT(open.maxY, Layout::kGemY + 50.0f);
    EXPECT_NE(open.summary.find("world contacts 0,"), std::string::npos) << open.summary;
    // The gem on the open lane is collected once, over the frames the bike's spheres overlap it.
    EXPECT_NE(open.summary.find("pickups collected 1 (points 25)"), std::string::npos) << open.summary;
    EXPECT_NE(open.summary.find("25 EXTRA POINTS"), std::string::npos) << open.summary;
    const Drive crate = DriveLane(Layout::kLaneCrateX, 5);
    EXPECT_LT(crate.maxY, Layout::kLaneCrateY - 4.0f);  // never past the crate's near face
    EXPECT_GT(crate.maxY, Layout::kLaneCrateY - 12.0f);  // but it got there
    EXPECT_EQ(crate.summary.find("world contacts 0,"), std::string::npos) << crate.summary;
    EXPECT_NE(crate.summary.find("pickups collected 0"), std::string::npos) << crate.summary;
}

TEST_F(BikeWorldTest, SolidPanelsStopTheBikeAndBreakablePanelsBreak) {
    const Drive solid = DriveLane(Layout::kSolidLaneX, 5);
    EXPECT_LT(solid.maxY, Layout::kFenceY);
    EXPECT_GT(solid.maxY, Layout::kFenceY - 8.0f);
    EXPECT_NE(solid.summary.find("fence panels broken 0"), std::string::npos) << solid.summary;
    const Drive glass = DriveLane(Layout::kBreakableLaneX, 5);
    EXPECT_GT(glass.maxY, Layout::kFenceY + 10.0f);
    EXPECT_EQ(glass.summary.find("fence panels broken 0"), std::string::npos) << glass.summary;
}

TEST_F(BikeWorldTest, TheBikeSinksInThePond) {
    const Drive pond = DriveLane(290, 5);
    const Drive open = DriveLane(100, 5);
    EXPECT_TRUE(pond.everDown);  // the rider goes down in the water
    EXPECT_FALSE(open.everDown);
    EXPECT_LT(pond.maxY, Layout::kPondMaxY);
    EXPECT_LT(pond.maxY, open.maxY);
}

}  // namespace
}  // namespace tools
