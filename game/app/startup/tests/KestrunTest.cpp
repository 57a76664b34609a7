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

class KestrunProgram : public testing_support::GameFolderFixture {};

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

}  // namespace
}  // namespace kes
