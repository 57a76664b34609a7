#include "tools/contentgen/demos/ShippedDemos.h"

#include <filesystem>
#include <fstream>
#include <ostream>

#include "game/core/datapack/PackDirectory.h"
#include "game/core/pack/PackFile.h"
#include "platform/bytes/AsciiCase.h"
#include "tools/racelab/RaceRun.h"

namespace tools {

namespace fs = std::filesystem;

namespace {

// Simulated seconds of each demo: long enough to show the rider at speed and in the turns, short
// enough that the six are recorded in a few seconds.
constexpr double kDemoSeconds = 30.0;
constexpr uint32_t kFrameMs = 10;

// A world to race on: the menus' own world ("_select.wld", the ground of their display bike) is none.
bool IsRaceWorldName(const std::string& name) {
    return name.size() > 4 && plat::EqualNoCase(name.substr(name.size() - 4), ".wld") && name[0] != '_';
}

// The rider's input: the throttle held from the first frame; steering taps whose length and side
// change with the slot, so that the six demos do not ride alike. Frames are the race's 10 ms frames.
std::string RiderScript(uint32_t slot) {
    constexpr uint32_t kThrottle = 0x1E, kLeft = 0xCB, kRight = 0xCD, kBack = 0xC8;
    std::string s = "# the shipped demo " + std::to_string(slot) + "\n1 key " + std::to_string(kThrottle) + " down\n";
    const uint32_t frames = static_cast<uint32_t>(kDemoSeconds * 1000.0) / kFrameMs;
    const uint32_t every = 150 + 40 * slot, hold = 12 + 6 * (slot % 3);
    uint32_t turn = 0;
    for (uint32_t f = 100; f + hold < frames; f += every, ++turn) {
        const uint32_t key = ((turn + slot) % 3 == 0) ? kRight : kLeft;
        s += std::to_string(f) + " key " + std::to_string(key) + " down\n";
        s += std::to_string(f + hold) + " key " + std::to_string(key) + " up\n";
    }
    // A wheelie late in the run.
    s += std::to_string(frames - 600) + " key " + std::to_string(kBack) + " down\n";
    s += std::to_string(frames - 480) + " key " + std::to_string(kBack) + " up\n";
    return s;
}

}  // namespace

bool ShippedDemoWorlds(const std::string& trackPack, std::vector<DemoWorld>* worlds, std::string* error) {
    worlds->clear();
    kes::PackFile pack(trackPack.c_str(), "rb", 0);
    if (!pack.IsOpen()) {
        *error = "cannot open " + trackPack;
        return false;
    }
    std::vector<kes::PackDirectoryEntry> entries;
    std::string why;
    if (!kes::ReadPackDirectory(pack, kes::kDataPackNameCapacity, &entries, &why)) {
        *error = trackPack + ": " + why;
        return false;
    }
    std::vector<DemoWorld> all;
    for (const kes::PackDirectoryEntry& e : entries)
        if (IsRaceWorldName(e.name)) all.push_back({e.name, e.offset, e.StoredSize()});
    if (all.empty()) {
        *error = trackPack + " holds no world";
        return false;
    }
    for (uint32_t i = 0; i < kShippedDemoCount; ++i) worlds->push_back(all[i % all.size()]);
    return true;
}

std::string ShippedDemoPath(const std::string& gameFolder, uint32_t slot) {
    return (fs::path(gameFolder) / "Replay" / (std::to_string(slot) + ".dem")).string();
}

bool ShippedDemosPresent(const std::string& gameFolder) {
    std::error_code ec;
    for (uint32_t slot = 1; slot <= kShippedDemoCount; ++slot)
        if (!fs::is_regular_file(ShippedDemoPath(gameFolder, slot), ec)) return false;
    return true;
}

bool MakeShippedDemos(const std::string& gameFolder, std::ostream& log, std::string* error) {
    const std::string trackPack = (fs::path(gameFolder) / "Tracks.dat").string();
    std::vector<DemoWorld> worlds;
    if (!ShippedDemoWorlds(trackPack, &worlds, error)) return false;
    std::error_code ec;
    fs::create_directories(fs::path(gameFolder) / "Replay", ec);
    const fs::path script = fs::path(gameFolder) / "Replay" / "demo_rider.txt";
    bool ok = true;
    for (uint32_t slot = 1; slot <= kShippedDemoCount && ok; ++slot) {
        const DemoWorld& world = worlds[slot - 1];
        std::ofstream(script) << RiderScript(slot);
        RaceRunOptions options;
        options.worldPath = world.name;
        options.worldPack = trackPack;
        options.worldOffset = world.offset;
        options.worldSize = world.size;
        options.computers = 0;
        options.local = true;
        options.inputScript = script.string();
        options.frameMs = {kFrameMs};
        options.maxSeconds = kDemoSeconds;
        options.camera = false;
        options.seed = slot;
        options.recordDemo = ShippedDemoPath(gameFolder, slot);
        const RaceOutcome outcome = RunRace(options);
        if (!outcome.loaded || !outcome.demoDone) {
            *error = "demo " + std::to_string(slot) + " on " + world.name + ": " +
                     (outcome.demoError.empty() ? std::string("the world cannot be raced") : outcome.demoError);
            ok = false;
            break;
        }
        log << "contentgen: wrote " << options.recordDemo << " (" << world.name << ", " << outcome.demoKeyFrames
            << " key frames)\n";
    }
    fs::remove(script, ec);
    return ok;
}

}  // namespace tools
