// The game program's start-up order, failure paths and shutdown.
#include "game/app/startup/Startup.h"

#include <SDL.h>

#include <cstdio>

#include "game/core/audio/AudioSystem.h"
#include "game/core/camera/Camera.h"
#include "game/core/cdaudio/CdAudio.h"
#include "game/core/cdaudio/MusicPlayer.h"
#include "game/core/config/Config.h"
#include "game/core/datapack/DataPack.h"
#include "game/core/display/Display.h"
#include "game/app/loop/FrameLoop.h"
#include "game/app/movie/MoviePlayer.h"
#include "game/core/input/Input.h"
#include "game/core/input/InputScript.h"
#include "game/core/maths/FastMath.h"
#include "game/core/objects/Objects.h"
#include "game/core/text/TextTable.h"
#include "game/net/NetGame.h"
#include "game/world/sounds/SoundEffects.h"
#include "platform/dialogs/Modal.h"
#include "platform/fs/Paths.h"
#include "platform/sys/Clock.h"
#include "platform/sys/CrtRand.h"
#include "platform/sys/Env.h"
#include "platform/sys/MessageBox.h"
#include "platform/sys/Winprintf.h"

namespace kes {
namespace {

// Automated runs put the network game on an address and ports of their own, so that two copies of
// the game can meet on one machine without the default ports.
void ApplyNetEnvironment() {
    const plat::EnvSettings& env = plat::Env();
    if (env.netListen) {
        plat::SessionOptions options;
        options.bindAddress = env.netListen->address;
        options.gamePort = env.netListen->port;
        options.discoveryPort = static_cast<uint16_t>(env.netListen->port + 1);
        NetSetSessionOptions(options);
    }
    if (env.netSearch) NetSetSearchTargets({{env.netSearch->address, env.netSearch->port}});
}

constexpr const char* kFolderNames[kUserFolderCount] = {"Tracks\\", "Replay\\", "Profiles\\", "Skins\\",
                                                        "Skins\\Rider\\", "Skins\\Bike\\", "Grabs\\"};
constexpr size_t kGrabsFolder = 6;

StartupState g_startup;
GameFlowFn g_gameFlow = EmptySceneFlow;
WorldPickerFn g_worldPicker = ChooseWorldFile;
std::vector<std::string> g_log;

void ListenerFollowsCamera(const Matrix4* camera) {
    if (AudioSystem* audio = TheAudioSystem()) audio->SetListenerMatrix(camera);
}

void UpdateSound() {
    if (AudioSystem* audio = TheAudioSystem()) audio->Update();
}

void DestroySoundManager() {
    SetFrameSoundHooks(FrameSoundHooks{});
    delete TheAudioSystem();
    SetTheAudioSystem(nullptr);
}

void Log(const char* step) {
    g_log.push_back(step);
}

std::string OnDisk(const std::string& name) {
    return plat::ResolvePath(name);
}

bool CanOpen(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    std::fclose(f);
    return true;
}

}  // namespace

StartupState& Startup() {
    return g_startup;
}

const std::vector<std::string>& StartupLog() {
    return g_log;
}

GameFlowFn SetGameFlow(GameFlowFn flow) {
    GameFlowFn old = g_gameFlow;
    g_gameFlow = flow ? flow : EmptySceneFlow;
    return old;
}

WorldPickerFn SetWorldPicker(WorldPickerFn picker) {
    WorldPickerFn old = g_worldPicker;
    g_worldPicker = picker;
    return old;
}


bool ChooseWorldFile(const std::string& gameFolder, std::string* chosen) {
    plat::FileRequest request;
    request.title = g_startup.title.empty() ? kGameTitle : g_startup.title;
    request.filters = {{"Worlds (*.wld)", "*.WLD"}, {"All Files (*.*)", "*.*"}};
    request.folder = gameFolder;
    request.mustExist = true;
    const std::vector<std::string> files = plat::OpenFileChooser(request);
    if (files.empty()) return false;
    *chosen = files.front();
    return true;
}

int InitApplication(const std::vector<std::string>& tokens) {
    g_startup = StartupState{};
    g_log.clear();
    Log("InitApplication");
    g_startup.commandLine = ParseCommandTokens(tokens);
    DestroySoundManager();
    SetTheAudioSystem(new AudioSystem);
    // The game folder is the program's own; the process's working directory is never changed, the
    // file layer keeps the current folder instead.
    g_startup.gameFolder = plat::GameFolder();
    if (g_startup.gameFolder.empty() || g_startup.gameFolder.back() != '/') g_startup.gameFolder += '/';
    plat::SetCurrentFolder(g_startup.gameFolder);
    g_startup.mediaRoot = g_startup.gameFolder;
    g_startup.dataPackPath = OnDisk(g_startup.gameFolder + "Kestrun.dat");
    g_startup.trackPackPath = OnDisk(g_startup.gameFolder + "Tracks.dat");
    const CommandLine& c = g_startup.commandLine;
    for (size_t i = 0; i < kUserFolderCount; ++i) {
        std::string name = kFolderNames[i];
        if (i == 0 && !c.trackFolder.empty()) name = c.trackFolder;
        // A track folder given as an absolute path stays as given.
        const bool absolute = !name.empty() && (name[0] == '/' || name[0] == '\\');
        const std::string full = absolute ? name : g_startup.gameFolder + name;
        g_startup.folderPresent[i] = plat::EnterOrCreateFolder(full);
        g_startup.folders[i] = OnDisk(full);
    }
    plat::SetCurrentFolder(g_startup.gameFolder);
    g_startup.title = kGameTitle;
    // Music comes from the track files in the game's "Music" folder.
    SetMusicFolder(OnDisk(g_startup.gameFolder + "Music\\"));
    InstallMusicPlayer();
    ClearProgramQuit();
    // Cancel in a diagnostic box leaves the game in order, as closing the window does.
    plat::SetQuitHandler([] { RequestProgramQuit(); });
    return 0;
}

int InitSubsystems() {
    Log("InitSubsystems");
    if (LoadTextTable(static_cast<int>(g_Config.language)) == kTextTableDamaged) {
        // Without its texts the game cannot show a single page: the player is told, as for a damaged pack.
        Log("TextsDamaged");
        plat::MessageBox(kDataPackMessage, g_startup.title, plat::MB_OK);
        return 1;
    }
    const float box[6] = {-4100.0f, -4100.0f, -2000.0f, 8100.0f, 8100.0f, 7000.0f};
    if (InitObjects(0, 1, 1, 1, box) != 0) return 1;
    CdOpen();
    CdStop();
    g_startup.subsystemsUp = true;
    return 0;
}

int ShutdownSubsystems() {
    Log("ShutdownSubsystems");
    if (!g_startup.subsystemsUp) return 0;
    CdClose();
    FreeTextTable();
    FreeObjects();
    g_startup.subsystemsUp = false;
    return 0;
}

int CreateMainWindow() {
    Log("CreateMainWindow");
    g_startup.imageHeapUp = true;
    InputInit(nullptr, nullptr);
    g_startup.inputUp = true;
    if (plat::Env().inputScript) LoadInputScript(*plat::Env().inputScript);
    if (!CanOpen(g_startup.trackPackPath)) {
        Log("TrackPackMissing");
        return 1;
    }
    uint32_t flags = g_startup.commandLine.windowed ? 0u : kDeviceFullScreen;
    if (plat::Env().headless) flags |= kDeviceHidden;
    if (plat::Env().frameMs) flags |= kDeviceNoVsync;
    if (DisplayInit(flags) != 0) {
        Log("DisplayFailed");
        return -1;
    }
    g_startup.displayUp = true;
    // The machine must not suspend or blank the screen under a running game.
    SDL_DisableScreenSaver();
    InitTrigTables();
    // A missing or damaged movie pack leaves none open: every movie then counts as ended.
    if (!g_startup.moviePackPath.empty() && OpenMoviePack(g_startup.moviePackPath.c_str()) == 0) Log("MoviePackOpened");
    if (InitSubsystems() != 0) return -1;
    ApplyNetEnvironment();
    CheckWindowFocus();
    // A fixed seed makes an automated run repeat itself exactly (GRAVELON_SEED).
    const uint32_t seed = plat::Env().seed ? static_cast<uint32_t>(*plat::Env().seed) : plat::WallClockSeconds();
    plat::CrtSrand(seed);
    plat::SimSrand(seed);
    return 0;
}

int OpenSoundManager() {
    AudioSystem* audio = TheAudioSystem();
    if (!audio) return -1;
    const int32_t result = audio->Open(&g_startup.soundDevice, g_Config.hardware3DSound, kPrimaryFormat22k16Stereo);
    if (result != 0) {
        // No device: the game runs silent.
        Log("SoundSilent");
        DestroySoundManager();
        return result;
    }
    Log("SoundOpened");
    SetFrameSoundHooks(FrameSoundHooks{ListenerFollowsCamera, UpdateSound});
    // The world's solids, fences and pickups sound through the effect bank from now on.
    InstallWorldSoundHooks();
    return 0;
}

int ShutdownGame() {
    Log("ShutdownGame");
    CdStop();
    NetShutdown();
    if (g_startup.displayUp) DeviceShutdown();
    ShutdownSubsystems();
    CloseMoviePack();
    DestroySoundManager();
    if (g_startup.displayUp) DisplayShutdown();
    g_startup.displayUp = false;
    if (g_startup.inputUp) {
        UnloadInputScript();
        InputShutdown();
    }
    g_startup.inputUp = false;
    g_startup.imageHeapUp = false;
    plat::SetQuitHandler(nullptr);
    return 0;
}

int GameMain(const std::vector<std::string>& tokens) {
    // The auto-run policy of the original, page pinning and the process priority have no equivalent
    // here and are left out.
    InitApplication(tokens);
    int exitCode = 0;
    bool saveAtEnd = false;
    if (!MakeLoadCache(g_startup.dataPackPath.c_str())) {
        Log("DataPackMissing");
        plat::MessageBox(kDataPackMessage, g_startup.title, plat::MB_OK);
        exitCode = 1;
    } else if (!LoadConfigAndShowSetup(g_startup.title.c_str(), &g_startup.displayDriver, &g_startup.device3D,
                                       &g_startup.soundDevice, g_startup.commandLine.noConfig ? 0 : 1)) {
        if (!ConfigStoreError().empty()) {
            // The settings cannot be kept anywhere: a failure the player must see, not a quiet end.
            Log("SettingsUnavailable");
            plat::MessageBox(std::string(kSettingsMessage) + ConfigStoreError(), g_startup.title,
                             plat::MB_OK | plat::MB_ICONEXCLAMATION);
            exitCode = 1;
        } else {
            Log("SetupCancelled");
        }
        FreeLoadCache();
    } else {
        Log("SettingsLoaded");
        g_startup.moviePackPath = OnDisk(g_startup.mediaRoot + "Kestrun\\Movies.dat");
        if (!CanOpen(g_startup.trackPackPath))
            g_startup.trackPackPath = OnDisk(g_startup.mediaRoot + "Kestrun\\Tracks.dat");
        plat::SetCurrentFolder(g_startup.gameFolder);
        g_startup.chosenWorld.clear();
        bool runGame = true;
        if (g_startup.commandLine.noMenu) {
            std::string chosen;
            if (g_worldPicker && g_worldPicker(g_startup.gameFolder, &chosen)) g_startup.chosenWorld = chosen;
            else runGame = false;
        }
        saveAtEnd = true;
        if (runGame) {
            plat::SetCurrentFolder(g_startup.gameFolder);
            const int window = CreateMainWindow();
            if (window != 0) {
                // The track pack or the display is missing: straight to the exit path.
                saveAtEnd = false;
                exitCode = 1;
                if (window == 1) plat::MessageBox(kDataPackMessage, g_startup.title, plat::MB_OK);
                FreeLoadCache();
            } else {
                OpenSoundManager();
                SetGrabsFolder(g_startup.folderPresent[kGrabsFolder] ? g_startup.folders[kGrabsFolder] : "");
                plat::SetCurrentFolder(g_startup.gameFolder);
                const std::string& world = !g_startup.commandLine.worldFile.empty() ? g_startup.commandLine.worldFile
                                                                                    : g_startup.chosenWorld;
                Log("GameFlow");
                g_gameFlow(world.empty() ? nullptr : world.c_str());
            }
        }
        if (saveAtEnd) {
            FreeLoadCache();
            Log("SaveConfig");
            SaveConfig();
        }
    }
    ShutdownGame();
    return exitCode;
}

int EmptySceneFlow(const char*) {
    SceneCamera* camera = nullptr;
    CreateCamera(&camera, "Main Camera", nullptr);
    // The pause and screen-grab keys, as the front end binds them by default (C and F12).
    const InputBinding pause{kBindWord | kBindOnDown, PauseRequestFlag(), 46, nullptr};
    const InputBinding grab{kBindWord | kBindOnDown, GrabRequestFlag(), 88, nullptr};
    InputAddBinding(&pause);
    InputAddBinding(&grab);
    RunLoop();
    InputRemoveBinding(&grab);
    InputRemoveBinding(&pause);
    DestroyCamera(camera);
    return 0;
}

}  // namespace kes
