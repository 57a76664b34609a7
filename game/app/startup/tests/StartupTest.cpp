#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "game/app/startup/Startup.h"
#include "game/core/audio/AudioSystem.h"
#include "game/core/cdaudio/CdAudio.h"
#include "game/core/config/Config.h"
#include "game/app/loop/FrameLoop.h"
#include "game/app/startup/tests/StartupFixture.h"
#include "platform/fs/Paths.h"
#include "platform/registry/RegistryStore.h"
#include "platform/sys/MessageBox.h"
#include "platform/sys/Winprintf.h"

namespace kes {
namespace {

class StartupTest : public testing_support::GameFolderFixture {
protected:
    void SetUp() override {
        GameFolderFixture::SetUp();
        plat::SetGameFolder(folder.string());
        plat::SetMessageBoxHook([this](const plat::MessageBoxCall& call) {
            boxes.push_back(call.caption + ": " + call.text);
            return plat::IDOK;
        });
        SetSetupSteps(nullptr);
        flowRuns = 0;
        SetGameFlow([](const char* world) {
            ++flowRuns;
            flowWorld = world ? world : "";
            return 0;
        });
    }
    void TearDown() override {
        SetGameFlow(nullptr);
        SetSetupSteps(nullptr);
        plat::SetMessageBoxHook(nullptr);
        GameFolderFixture::TearDown();
    }
    bool Logged(const char* step) const {
        const auto& log = StartupLog();
        return std::find(log.begin(), log.end(), step) != log.end();
    }
    bool ConfigStored() const {
        plat::RegistryStore store = plat::RegistryStore::Default();
        plat::RegValue value;
        return store.QueryValue(plat::RegKeyPath(plat::kHKeyLocalMachine, kConfigKey), kConfigValueName, value) ==
               plat::RegStatus::Ok;
    }
    std::vector<std::string> boxes;
    static inline int flowRuns = 0;
    static inline std::string flowWorld;
};

TEST_F(StartupTest, MissingDataPackShowsTheMessageAndTakesTheExitPath) {
    EXPECT_EQ(GameMain({"Kestrun", "/NOCONFIG"}), 1);
    EXPECT_EQ(boxes, std::vector<std::string>{"Dovell' Gravelon: Data File missing or corrupted !\nTry to reinstall the game"});
    EXPECT_EQ(flowRuns, 0);
    EXPECT_TRUE(Logged("ShutdownGame"));
    EXPECT_FALSE(Logged("SaveConfig"));
    EXPECT_FALSE(ConfigStored());
}

TEST_F(StartupTest, MissingTrackPackEndsQuietlyWithoutSaving) {
    WritePack("Kestrun.dat");
    EXPECT_EQ(GameMain({"Kestrun", "/NOCONFIG", "/WINDOW"}), 1);
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(Logged("TrackPackMissing"));
    EXPECT_FALSE(Logged("SaveConfig"));
    EXPECT_EQ(flowRuns, 0);
    EXPECT_EQ(StartupLog().back(), "ShutdownSubsystems");
}

TEST_F(StartupTest, CancelledSetupEndsWithoutSaving) {
    WritePack("Kestrun.dat");
    WritePack("Tracks.dat");
    SetSetupSteps([](const char*, Guid*, Guid*, Guid*, int show) { return show ? 0 : 1; });
    EXPECT_EQ(GameMain({"Kestrun"}), 0);
    EXPECT_TRUE(Logged("SetupCancelled"));
    EXPECT_FALSE(Logged("SaveConfig"));
    EXPECT_FALSE(Logged("CreateMainWindow"));
    EXPECT_EQ(flowRuns, 0);
}

TEST_F(StartupTest, FullStartUpRunsInOrderAndSavesTheSettings) {
    WritePack("Kestrun.dat");
    WritePack("Tracks.dat");
    EXPECT_EQ(GameMain({"Kestrun", "/NOCONFIG", "/WINDOW", "/TRACKFOLDER", "My Tracks", "a.wld", "b.wld"}), 0);
    const std::vector<std::string> expected = {"InitApplication", "SettingsLoaded", "CreateMainWindow", "InitSubsystems",
                                               "SoundSilent", "GameFlow", "SaveConfig", "ShutdownGame", "ShutdownSubsystems"};
    // Without set-up steps the stored device is kept: none was ever chosen, so the game runs silent.
    EXPECT_EQ(StartupLog(), expected);
    EXPECT_EQ(flowRuns, 1);
    EXPECT_EQ(flowWorld, "b.wld");
    for (const char* name : {"My Tracks", "Replay", "Profiles", "Skins", "Skins/Rider", "Skins/Bike", "Grabs"})
        EXPECT_TRUE(std::filesystem::is_directory(folder / name)) << name;
    EXPECT_FALSE(std::filesystem::exists(folder / "Tracks"));
    EXPECT_TRUE(ConfigStored());
    EXPECT_EQ(g_Config.language, 2u);
    EXPECT_EQ(CdOpenCount(), 0);
}

// The sound manager is open while the game flow runs and gone after shutdown; a device that does not
// open leaves a silent game that runs all the same.
TEST_F(StartupTest, SoundManagerOpensOrTheGameRunsSilent) {
    WritePack("Kestrun.dat");
    WritePack("Tracks.dat");
    static bool openDuringFlow = false;
    SetGameFlow([](const char*) {
        openDuringFlow = TheAudioSystem() && TheAudioSystem()->IsOpen();
        return 0;
    });
    // The default device (all-zero identifier), as the set-up steps give it.
    SetSetupSteps([](const char*, Guid*, Guid*, Guid* sound, int) {
        *sound = Guid{};
        return 1;
    });
    EXPECT_EQ(GameMain({"Kestrun", "/NOCONFIG", "/WINDOW"}), 0);
    EXPECT_TRUE(Logged("SoundOpened"));
    EXPECT_TRUE(openDuringFlow);
    EXPECT_EQ(TheAudioSystem(), nullptr);

    SetSetupSteps([](const char*, Guid*, Guid*, Guid* sound, int) {
        *sound = Guid{0x42};
        return 1;
    });
    EXPECT_EQ(GameMain({"Kestrun", "/NOCONFIG", "/WINDOW"}), 0);
    EXPECT_TRUE(Logged("SoundSilent"));
    EXPECT_TRUE(Logged("SaveConfig"));
    EXPECT_FALSE(openDuringFlow);
}

TEST_F(StartupTest, CancelInADiagnosticBoxLeavesTheGameInOrder) {
    WritePack("Kestrun.dat");
    WritePack("Tracks.dat");
    // The flow stands for a screen whose loop a diagnostic box's Cancel ends.
    SetGameFlow([](const char*) {
        plat::SetMessageBoxHook([](const plat::MessageBoxCall&) { return plat::IDCANCEL; });
        Winprintf("trouble %d", 1);
        ++flowRuns;
        return RunLoop();
    });
    EXPECT_EQ(GameMain({"Kestrun", "/NOCONFIG", "/WINDOW"}), 0);
    EXPECT_EQ(flowRuns, 1);
    EXPECT_TRUE(ProgramQuitRequested());
    EXPECT_TRUE(Logged("SaveConfig"));
    EXPECT_TRUE(ConfigStored());
    EXPECT_EQ(StartupLog().back(), "ShutdownSubsystems");
}

TEST_F(StartupTest, CancelledWorldPickerSavesAndLeaves) {
    WritePack("Kestrun.dat");
    WritePack("Tracks.dat");
    SetWorldPicker(nullptr);
    EXPECT_EQ(GameMain({"Kestrun", "/NOCONFIG", "/NOMENU", "x.wld"}), 0);
    EXPECT_EQ(flowRuns, 0);
    EXPECT_FALSE(Logged("CreateMainWindow"));
    EXPECT_TRUE(Logged("SaveConfig"));
    // Confirmed, the command-line world wins over the picked one.
    SetWorldPicker([](const std::string&, std::string* chosen) {
        *chosen = "picked.wld";
        return true;
    });
    EXPECT_EQ(GameMain({"Kestrun", "/NOCONFIG", "/NOMENU", "x.wld"}), 0);
    EXPECT_EQ(flowRuns, 1);
    EXPECT_EQ(flowWorld, "x.wld");
    SetWorldPicker(nullptr);
}

}  // namespace
}  // namespace kes
