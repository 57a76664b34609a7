#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "game/app/startup/tests/StartupFixture.h"
#include "platform/registry/RegistryStore.h"

namespace kes {
namespace {

namespace fs = std::filesystem;

class KestrunProgram : public testing_support::GameFolderFixture {
protected:
    struct Run {
        int status = -1;  // exit code, or -1 when the program did not exit by itself
        std::string output;
    };
    // Runs the copied program with the given variables and arguments; `timeout` ends a program that
    // would wait for ever, which counts as a failure.
    Run RunGame(const std::string& variables, const std::string& arguments) {
        const fs::path program = folder / "Kestrun";
        if (!fs::exists(program)) fs::copy_file(fs::path(GRAVELON_BINARY_DIR) / "bin" / "Kestrun", program);
        const std::string command = "env -u GRAVELON_HEADLESS SDL_AUDIODRIVER=dummy GRAVELON_REGISTRY='" +
                                    registry.string() + "' " + variables + " timeout 120 '" + program.string() +
                                    "' " + arguments + " > '" + (folder / "out.txt").string() + "' 2>&1";
        const int status = std::system(command.c_str());
        std::ifstream log(folder / "out.txt");
        Run r;
        r.output.assign((std::istreambuf_iterator<char>(log)), {});
        r.status = WIFEXITED(status) && WEXITSTATUS(status) != 124 ? WEXITSTATUS(status) : -1;
        return r;
    }
    static constexpr const char* kDataFileMessage = "Data File missing or corrupted !\nTry to reinstall the game";
};

// On the offscreen driver nobody can answer the set-up dialog: it takes its default answer, as with
// GRAVELON_HEADLESS=1, instead of waiting unseen for ever.
TEST_F(KestrunProgram, OffscreenDriverNeverWaitsForTheSetupDialog) {
    WritePack("Kestrun.dat");
    WritePack("Tracks.dat");
    const Run r = RunGame("SDL_VIDEODRIVER=offscreen GRAVELON_FRAME_MS=10 GRAVELON_QUIT_AFTER_FRAMES=20", "/WINDOW");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(fs::exists(registry)) << r.output;
}

// The failures a player must hear of: each shows its message and ends the run with a failure.
TEST_F(KestrunProgram, StartUpFailuresAreShownAndFailTheRun) {
    WritePack("Kestrun.dat");
    const std::string offscreen = "SDL_VIDEODRIVER=offscreen GRAVELON_FRAME_MS=10 GRAVELON_QUIT_AFTER_FRAMES=5 ";
    Run r = RunGame(offscreen, "/NOCONFIG /WINDOW");  // no Tracks.dat
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find(kDataFileMessage), std::string::npos) << r.output;

    WritePack("Tracks.dat");
    std::ofstream(folder / "blocker") << "a file where the settings folder should be";
    r = RunGame(offscreen + "GRAVELON_REGISTRY='" + (folder / "blocker" / "halvex" / "registry").string() + "'",
                "/NOCONFIG /WINDOW");
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find("The game's settings cannot be stored:"), std::string::npos) << r.output;

    for (const char* frames : {"sixty", "12x", "-1"}) {
        r = RunGame(std::string("SDL_VIDEODRIVER=offscreen GRAVELON_QUIT_AFTER_FRAMES=") + frames, "/NOCONFIG /WINDOW");
        EXPECT_EQ(r.status, 2) << frames << "\n" << r.output;
        EXPECT_NE(r.output.find("GRAVELON_QUIT_AFTER_FRAMES"), std::string::npos) << r.output;
    }
}

// /NOMENU asks for a world with the open-file chooser; nobody answers it in a run without a display,
// so it counts as cancelled and the game ends in order (without frames to quit after, a game that
// started would run until the timeout).
TEST_F(KestrunProgram, NoMenuWithoutAnAnswerEndsInOrder) {
    WritePack("Kestrun.dat");
    WritePack("Tracks.dat");
    const Run r = RunGame("SDL_VIDEODRIVER=offscreen", "/NOCONFIG /WINDOW /NOMENU");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(fs::exists(registry)) << r.output;  // the settings were saved on the way out
}

// A mistyped /TRACKFOLDER makes no tree of folders: only a last folder whose parent exists is made.
TEST_F(KestrunProgram, TrackFolderCreatesOnlyItsLastLevel) {
    WritePack("Kestrun.dat");
    WritePack("Tracks.dat");
    const std::string offscreen = "SDL_VIDEODRIVER=offscreen GRAVELON_FRAME_MS=10 GRAVELON_QUIT_AFTER_FRAMES=3 ";
    Run r = RunGame(offscreen, "/NOCONFIG /WINDOW /TRACKFOLDER '" + (folder / "typo" / "deeper" / "Tracks").string() + "'");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_FALSE(fs::exists(folder / "typo")) << r.output;
    r = RunGame(offscreen, "/NOCONFIG /WINDOW /TRACKFOLDER '" + (folder / "My Tracks").string() + "'");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(fs::is_directory(folder / "My Tracks")) << r.output;
}

// The real program, headless, in a game folder of its own (a copy of the binary: the game folder is
// the program's folder).
TEST_F(KestrunProgram, RunsSixtyFramesGrabsTheScreenAndSavesTheSettings) {
    WritePack("Kestrun.dat");
    WritePack("Tracks.dat");
    const fs::path program = folder / "Kestrun";
    fs::copy_file(fs::path(GRAVELON_BINARY_DIR) / "bin" / "Kestrun", program);
    const fs::path script = folder / "input.txt";
    std::ofstream(script) << "# the grab key\n10 key F12 down\n12 key F12 up\n";
    const std::string command = "GRAVELON_QUIT_AFTER_FRAMES=60 GRAVELON_FRAME_MS=10 GRAVELON_HEADLESS=1 "
                                "SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy GRAVELON_INPUT='" +
                                script.string() + "' GRAVELON_REGISTRY='" + registry.string() + "' '" +
                                program.string() + "' /NOCONFIG /WINDOW > '" + (folder / "out.txt").string() +
                                "' 2>&1";
    const int status = std::system(command.c_str());
    std::ifstream log(folder / "out.txt");
    const std::string output((std::istreambuf_iterator<char>(log)), {});
    ASSERT_TRUE(WIFEXITED(status)) << output;
    EXPECT_EQ(WEXITSTATUS(status), 0) << output;
    // Headless the null output device is there: no "no audio device" message.
    EXPECT_EQ(output.find("Can't find any audio device"), std::string::npos) << output;
    const fs::path grab = folder / "Grabs" / "PIC0000.BMP";
    ASSERT_TRUE(fs::exists(grab)) << output;
    EXPECT_EQ(fs::file_size(grab), 54u + 480u * 640u * 3u);
    EXPECT_FALSE(fs::exists(folder / "Grabs" / "PIC0001.BMP"));
    std::ifstream bmp(grab, std::ios::binary);
    char magic[2] = {};
    bmp.read(magic, 2);
    EXPECT_EQ(std::string(magic, 2), "BM");
    setenv("GRAVELON_REGISTRY", registry.c_str(), 1);
    plat::ReloadEnv();
    plat::RegistryStore store = plat::RegistryStore::Default();
    plat::RegValue value;
    ASSERT_EQ(store.QueryValue(plat::RegKeyPath(plat::kHKeyLocalMachine, "Software\\Halvex\\Gravelon"), "Config", value),
              plat::RegStatus::Ok);
    ASSERT_EQ(value.data.size(), 320u);
    EXPECT_EQ(value.data[4], 2);  // the language of this run
}

// scripts/play on a machine without a display says so plainly at once and fails, before it installs
// or builds anything, instead of starting a game no one can see. A headless run needs an input script
// to end it, so GRAVELON_HEADLESS (set by the test script) alone does not make it run.
TEST(PlayScript, SaysPlainlyThatThereIsNoDisplay) {
    const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u GRAVELON_QUIT_AFTER_FRAMES -u GRAVELON_INPUT timeout 60 '" +
                                std::string(GRAVELON_SOURCE_DIR) + "/scripts/play' 2>&1";
    FILE* p = popen(command.c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string output;
    char buffer[1024];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, p)) > 0) output.append(buffer, n);
    const int status = pclose(p);
    ASSERT_TRUE(WIFEXITED(status)) << output;
    EXPECT_EQ(WEXITSTATUS(status), 1) << output;
    EXPECT_NE(output.find("there is no display to show the game on"), std::string::npos) << output;
}

}  // namespace
}  // namespace kes
