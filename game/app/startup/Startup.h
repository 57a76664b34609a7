#pragma once
// Start-up and shutdown of the game program: the command line, the game folder and the user
// folders, the data pack, the settings and the set-up dialog, the main window with input, display and
// the subsystems, the game flow, and ShutdownGame, which runs on every way out.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "game/app/startup/CommandLine.h"
#include "game/core/config/ConfigRecord.h"

namespace kes {

constexpr const char* kGameTitle = "Dovell' Gravelon";
constexpr const char* kDataPackMessage = "Data File missing or corrupted !\nTry to reinstall the game";
constexpr const char* kSettingsMessage = "The game's settings cannot be stored:\n";
constexpr size_t kUserFolderCount = 7;

struct StartupState {
    CommandLine commandLine;
    std::string gameFolder;   // on disk, ending in '/'
    std::string mediaRoot;    // where "Kestrun\\Movies.dat" and the fallback track pack are looked for
    std::string dataPackPath;
    std::string trackPackPath;
    std::string moviePackPath;
    std::array<std::string, kUserFolderCount> folders;  // on disk
    std::array<bool, kUserFolderCount> folderPresent{};
    std::string title;
    Guid displayDriver{};
    Guid device3D{};
    Guid soundDevice{};
    std::string chosenWorld;
    bool inputUp = false;
    bool displayUp = false;
    bool subsystemsUp = false;
    bool imageHeapUp = false;
};

StartupState& Startup();

// The whole run: start-up, the game flow, shutdown. The exit code: 0 after an orderly end or a
// cancelled set-up, 1 when start-up failed (data pack, track pack, language file, settings store or
// display); each of these failures shows a message first.
int GameMain(const std::vector<std::string>& tokens);

int InitApplication(const std::vector<std::string>& tokens);
int CreateMainWindow();
int InitSubsystems();
int ShutdownSubsystems();
int ShutdownGame();
// Opens the sound manager on the chosen device; when that fails it is destroyed and the game runs
// silent. 0 or the device's code.
int OpenSoundManager();

// The game flow that runs once the window is up; returns when the player leaves. Until the front end
// exists the default runs the run loop over an empty scene with a "Main Camera".
using GameFlowFn = int (*)(const char* worldFile);
GameFlowFn SetGameFlow(GameFlowFn flow);
int EmptySceneFlow(const char* worldFile);

// The world picker that /NOMENU shows: true with the chosen file, false when cancelled. The default
// is ChooseWorldFile; null counts every choice as cancelled.
using WorldPickerFn = bool (*)(const std::string& gameFolder, std::string* chosen);
WorldPickerFn SetWorldPicker(WorldPickerFn picker);
// The platform's open-file chooser for worlds ("*.WLD", or all files), starting in the game folder,
// titled with the window title. Headless it takes the scripted answer or is cancelled.
bool ChooseWorldFile(const std::string& gameFolder, std::string* chosen);

// The start-up steps in the order they ran (tests).
const std::vector<std::string>& StartupLog();

}  // namespace kes
