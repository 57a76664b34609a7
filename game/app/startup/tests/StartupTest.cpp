#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "game/app/startup/Startup.h"
#include "game/core/audio/AudioSystem.h"
#include "game/core/cdaudio/CdAudio.h"
#include "game/core/config/Config.h"
#include "game/app/loop/FrameLoop.h"
#include "game/app/startup/tests/StartupFixture.h"
#include "platform/dialogs/Modal.h"
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

TEST_F(StartupTest, MissingTrackPackShowsTheDataFileMessageWithoutSaving) {
    WritePack("Kestrun.dat");
    EXPECT_EQ(GameMain({"Kestrun", "/NOCONFIG", "/WINDOW"}), 1);
    EXPECT_EQ(boxes, std::vector<std::string>{"Dovell' Gravelon: Data File missing or corrupted !\nTry to reinstall the game"});
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
    SetWorldPicker(ChooseWorldFile);
}

// /NOMENU asks the platform's open-file chooser for a world, in the game folder, titled with the
// window title, worlds first; headless it takes the scripted answer, and without one it is cancelled.
TEST_F(StartupTest, NoMenuChoosesTheWorldWithTheOpenFileChooser) {
    WritePack("Kestrun.dat");
    WritePack("Tracks.dat");
    const std::string world = (folder / "Canyon.wld").string();
    std::ofstream(world) << "world";
    plat::ClearScripts();
    plat::ScriptNextFiles({world});
    EXPECT_EQ(GameMain({"Kestrun", "/NOCONFIG", "/NOMENU", "/WINDOW"}), 0);
    EXPECT_EQ(flowRuns, 1);
    EXPECT_EQ(flowWorld, world);

    // The chooser as a dialog: its title, its first folder and its filters.
    std::string title, start;
    std::vector<std::string> filters;
    plat::ScriptNextDialog([&](plat::Dialog& d) {
        title = d.Title();
        start = d.Text(plat::chooser::kFolderText);
        for (int i = 0; i < d.Count(plat::chooser::kFilter); ++i) filters.push_back(d.ItemText(plat::chooser::kFilter, i));
        d.End(plat::kIdCancel);
    });
    EXPECT_EQ(GameMain({"Kestrun", "/NOCONFIG", "/NOMENU", "/WINDOW"}), 0);
    EXPECT_EQ(flowRuns, 1);  // cancelled: no game
    EXPECT_EQ(title, "Dovell' Gravelon");
    EXPECT_NE(start.find(folder.filename().string()), std::string::npos) << start;
    EXPECT_EQ(filters, (std::vector<std::string>{"Worlds (*.wld)", "All Files (*.*)"}));
    EXPECT_TRUE(Logged("SaveConfig"));

    // Nobody to answer: cancelled, the settings saved, no window.
    EXPECT_EQ(GameMain({"Kestrun", "/NOCONFIG", "/NOMENU", "/WINDOW"}), 0);
    EXPECT_EQ(flowRuns, 1);
    EXPECT_FALSE(Logged("CreateMainWindow"));
    EXPECT_EQ(plat::PendingScripts(), 0u);
}

// The settings file's folder cannot be made (a file stands in its way): the player is told and the
// run fails, instead of ending at once with success.
TEST_F(StartupTest, SettingsThatCannotBeStoredAreAVisibleFailure) {
    WritePack("Kestrun.dat");
    WritePack("Tracks.dat");
    std::ofstream(folder / "blocker") << "a file, not a folder";
    setenv("GRAVELON_REGISTRY", (folder / "blocker" / "halvex" / "registry").c_str(), 1);
    plat::ReloadEnv();
    EXPECT_EQ(GameMain({"Kestrun", "/NOCONFIG", "/WINDOW"}), 1);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].rfind("Dovell' Gravelon: The game's settings cannot be stored:\n", 0), 0u) << boxes[0];
    EXPECT_TRUE(Logged("SettingsUnavailable"));
    EXPECT_FALSE(Logged("SetupCancelled"));
    EXPECT_EQ(flowRuns, 0);
}

// A language file the pack lists but cannot unpack: the data-file message, and the game stops.
TEST_F(StartupTest, DamagedLanguageFileIsTheDataFileMessage) {
    std::vector<tools::PackInput> files = {{"LOCALIZE\\FRANCAIS.TXT", {}, true}};
    uint32_t seed = 7;
    for (int i = 0; i < 16000; ++i) {
        seed = seed * 1103515245u + 12345u;
        files[0].data.push_back(i % 40 == 39 ? '\r' : static_cast<uint8_t>('a' + (seed >> 16) % 16));
    }
    std::vector<uint8_t> pack;
    std::string error;
    ASSERT_TRUE(tools::BuildPack(files, &pack, &error)) << error;
    // The packed bytes follow the pack's header; spoil the middle of the file's container.
    ASSERT_GT(pack.size(), 4000u);
    ASSERT_LT(pack.size(), 15000u);  // stored packed
    for (size_t i = pack.size() / 2 - 40; i < pack.size() / 2 + 40; ++i) pack[i] ^= 0x5A;
    ASSERT_TRUE(tools::WriteFileAtomically((folder / "Kestrun.dat").string(), pack, &error)) << error;
    WritePack("Tracks.dat");
    EXPECT_EQ(GameMain({"Kestrun", "/NOCONFIG", "/WINDOW"}), 1);
    EXPECT_TRUE(Logged("TextsDamaged"));
    EXPECT_EQ(boxes, std::vector<std::string>{"Dovell' Gravelon: Data File missing or corrupted !\nTry to reinstall the game"});
    EXPECT_EQ(flowRuns, 0);
}

}  // namespace
}  // namespace kes
