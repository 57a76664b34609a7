#pragma once
// The six demos that come with the game: "1.dem" to "6.dem" in the replay folder, loaded by the
// replay screen's load key on the world each was recorded on. Each is a race of a scripted rider on
// one of the default worlds of the track pack, recorded through the game's own replay recorder.
// The rider, the script and the clock are fixed, so every generation gives the same bytes.
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

namespace tools {

constexpr uint32_t kShippedDemoCount = 6;

// A world of the track pack a demo is recorded on.
struct DemoWorld {
    std::string name;     // its entry name in the pack
    uint32_t offset = 0;  // of its bytes in the pack
    uint32_t size = 0;    // bytes stored in the pack
};

// The world of each demo slot 1-6 (index 0-5): the pack's race worlds in their directory order, taken
// in turn. False (with *error) when the pack cannot be read or holds no world.
bool ShippedDemoWorlds(const std::string& trackPack, std::vector<DemoWorld>* worlds, std::string* error);

// The replay folder under a game folder, and a demo's file in it.
std::string ShippedDemoPath(const std::string& gameFolder, uint32_t slot);

// Records the six demos from the track pack in gameFolder into its replay folder. False (with
// *error) when a world cannot be raced or a demo cannot be written.
bool MakeShippedDemos(const std::string& gameFolder, std::ostream& log, std::string* error);

// True when all six demo files exist.
bool ShippedDemosPresent(const std::string& gameFolder);

}  // namespace tools
