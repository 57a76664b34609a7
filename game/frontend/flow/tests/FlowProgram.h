#pragma once
// A game folder for runs of the real game program: the generated data pack, test worlds (a raceable
// oval with its information chunk) in the tracks folder, settings of the test's choosing, and a
// helper that runs the program headless with an input script and reads back the event log.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "game/core/config/Config.h"
#include "game/core/config/ConfigRecord.h"
#include "game/frontend/profile/Profile.h"
#include "game/world/writer/WorldWriter.h"
#include "platform/bytes/ByteIO.h"
#include "platform/registry/RegistryStore.h"
#include "tools/contentgen/tests/DefaultContent.h"
#include "tools/contentgen/ContentGen.h"
#include "tools/packtool/PackWriter.h"
#include "tools/racelab/RaceWorld.h"

namespace kes::testing {

namespace fs = std::filesystem;
// The fixed frame time of the runs: long enough that a minute of racing takes few frames.
constexpr uint32_t kFrameMs = 40;

// Scripts are written in ticks of 10 ms of game time; the program runs frames of kFrameMs, so a
// long race takes few frames. Every event of a key press or click gets a frame of its own.
inline int FrameOf(int tick) { return tick * 10 / static_cast<int>(kFrameMs) + 1; }
inline std::string At(int frame, const std::string& event) { return std::to_string(frame) + " " + event + "\n"; }
inline std::string Key(int tick, int code, bool down) {
    return At(FrameOf(tick), "key " + std::to_string(code) + (down ? " down" : " up"));
}
inline std::string Press(int tick, int code) {
    const int f = FrameOf(tick);
    return At(f, "key " + std::to_string(code) + " down") + At(f + 1, "key " + std::to_string(code) + " up");
}
inline std::string Char(int tick, int code) { return At(FrameOf(tick), "char " + std::to_string(code)); }
// A click at (x, y) of the 640 x 480 menu: the pointer is first pushed into the top left corner.
inline std::string Click(int tick, int x, int y) {
    const int f = FrameOf(tick);
    return At(f, "move -1000 -1000") + At(f + 1, "move " + std::to_string(x) + " " + std::to_string(y)) +
           At(f + 2, "mouse 0 down") + At(f + 3, "mouse 0 up");
}

// The racing oval with an information chunk naming it as a world of the list.
inline std::vector<uint8_t> ListedRaceWorld(uint32_t identifier, uint32_t kind, const std::string& name,
                                            const std::string& description) {
    std::vector<uint8_t> world = tools::MakeRaceWorld();
    WorldWriter info;
    InfoData data;
    data.id = identifier;
    data.kind = kind;
    data.name = name;
    data.comments = description;
    info.Info(data);
    const std::vector<uint8_t> chunk = info.Finish();
    world.insert(world.end(), chunk.begin() + 8, chunk.end());
    plat::StoreU32(world.data() + 4, static_cast<uint32_t>(world.size() - 8));
    return world;
}

class FlowProgram : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::path(::testing::TempDir()) /
                  ("flow_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "_" +
                   std::to_string(getpid()));
        fs::remove_all(folder_);
        fs::create_directories(folder_ / "Tracks");
        std::string error;
        ASSERT_TRUE(tools::test::CopyDefaultDataPack(folder_ / "Kestrun.dat", &error)) << error;
        ASSERT_TRUE(tools::WritePack((folder_ / "Tracks.dat").string(), {{"readme.txt", {'h', 'i'}, false}}, &error))
            << error;
        fs::copy_file(fs::path(GRAVELON_BINARY_DIR) / "bin" / "Kestrun", folder_ / "Kestrun");
    }
    void TearDown() override {
        if (!HasFailure()) fs::remove_all(folder_);
    }

    // The default movies, for runs that play them (the three intro movies then start the run).
    void AddMoviePack() {
        fs::create_directories(folder_ / "kestrun");
        fs::copy_file(tools::test::DefaultMoviePack(), folder_ / "kestrun" / "Movies.dat");
    }

    // The default track pack in place of the empty one: its worlds, and the menus' own world on which
    // the profile pages show their display racer.
    void UseDefaultTrackPack() {
        fs::copy_file(tools::test::DefaultDataPack().parent_path() / "Tracks.dat", folder_ / "Tracks.dat",
                      fs::copy_options::overwrite_existing);
    }

    void AddWorld(const std::string& file, uint32_t identifier, uint32_t kind, const std::string& name,
                  const std::string& description = "A test world") {
        const std::vector<uint8_t> bytes = ListedRaceWorld(identifier, kind, name, description);
        std::ofstream(folder_ / "Tracks" / file, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    // Stores the settings the game starts with.
    void StoreSettings(const ConfigRecord& config) {
        plat::RegistryStore store((folder_ / "registry.store").string());
        const ConfigBytes bytes = SerializeConfigRecord(config);
        ASSERT_EQ(store.SetValue(plat::RegKeyPath(plat::kHKeyLocalMachine, kConfigKey), "Config", plat::REG_BINARY,
                                 std::span<const uint8_t>(bytes.data(), bytes.size())),
                  plat::RegStatus::Ok);
    }
    bool SettingsStored(ConfigRecord* out) {
        plat::RegistryStore store((folder_ / "registry.store").string());
        plat::RegValue value;
        if (store.QueryValue(plat::RegKeyPath(plat::kHKeyLocalMachine, kConfigKey), "Config", value) !=
            plat::RegStatus::Ok)
            return false;
        return ParseConfigRecord(value.data, *out);
    }

    // Runs the program with a script; the exit code, or -1 when it did not end by itself.
    int Run(const std::string& script, const std::string& arguments, uint32_t quitAfterFrames) {
        std::ofstream(folder_ / "input.txt") << script;
        fs::remove(folder_ / "events.txt");
        const std::string command =
            "GRAVELON_QUIT_AFTER_FRAMES=" + std::to_string(quitAfterFrames) +
            " GRAVELON_FRAME_MS=" + std::to_string(kFrameMs) + " GRAVELON_SEED=7 GRAVELON_HEADLESS=1 SDL_VIDEODRIVER=offscreen "
            "SDL_AUDIODRIVER=dummy ALSOFT_DRIVERS=null GRAVELON_INPUT='" +
            (folder_ / "input.txt").string() + "' GRAVELON_REGISTRY='" + (folder_ / "registry.store").string() +
            "' GRAVELON_EVENT_LOG='" + (folder_ / "events.txt").string() + "' timeout 900 '" +
            (folder_ / "Kestrun").string() + "' /NOCONFIG /WINDOW " + arguments + " > '" +
            (folder_ / "out.txt").string() + "' 2>&1";
        const int status = std::system(command.c_str());
        std::ifstream log(folder_ / "out.txt");
        output_.assign(std::istreambuf_iterator<char>(log), {});
        return WIFEXITED(status) && WEXITSTATUS(status) != 124 ? WEXITSTATUS(status) : -1;
    }

    std::vector<std::string> Events() const {
        std::vector<std::string> lines;
        std::ifstream in(folder_ / "events.txt");
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
    // The events of one kind ("page" or "phase") in order, as their numbers.
    std::vector<int> EventsOf(const std::string& kind) const {
        std::vector<int> out;
        for (const std::string& e : Events())
            if (e.rfind(kind + " ", 0) == 0) out.push_back(std::stoi(e.substr(kind.size() + 1)));
        return out;
    }
    std::string EventText() const {
        std::string all;
        for (const std::string& e : Events()) all += e + ", ";
        return all;
    }

    // The one profile file the run saved, read back.
    bool SavedProfile(Profile* out, std::string* name = nullptr) {
        for (const auto& entry : fs::directory_iterator(folder_ / "Profiles")) {
            if (entry.path().extension() != ".prf") continue;
            std::ifstream in(entry.path(), std::ios::binary);
            const std::vector<uint8_t> bytes(std::istreambuf_iterator<char>(in), {});
            if (name) *name = entry.path().filename().string();
            return DecodeProfile(bytes.data(), bytes.size(), out);
        }
        return false;
    }

    fs::path folder_;
    std::string output_;
};

}  // namespace kes::testing
