#pragma once
// The editor program without its display: the main window's menu, toolbar and status bar, the plug-in
// panel, the four viewports, the commands of menus, toolbar and keys, and the editor's own dialogs
// (world size, editor settings, Scale Z, fog, welcome). The display loop (AppDisplay) draws this and
// feeds it input; tests drive it directly.
#include <memory>
#include <string>
#include <vector>

#include "editor/app/Layout.h"
#include "editor/core/Editor.h"
#include "editor/input/MouseInput.h"
#include "editor/render/RenderLayer.h"
#include "editor/viewport/EditorViewport.h"
#include "platform/dialogs/Dialog.h"
#include "platform/dialogs/Menu.h"

namespace qv {

// Main menu commands.
enum : int32_t {
    kCmdReset = 40001,
    kCmdOpen = 40015,
    kCmdSave = 40016,
    kCmdExit = 40018,
    kCmdWorldSize = 40043,
    kCmdEditorSettings = 40044,
    kCmdSaveAs = 40094,
    kCmdScaleZ = 40096,
    kCmdFogOn = 40098,
    kCmdFogSetting = 40099,
    kCmdHelp = 40101,
    kCmdVersion = 40111,
    kCmdShowAll = 7000,  // 7001-7004 maximise viewport 0-3
};

// Where the help pages live.
inline constexpr const char* kHelpAddress = "https://gravelon.example.org/qv/help/";
inline constexpr const char* kWebSiteAddress = "https://gravelon.example.org/qv/";
inline constexpr const char* kEditorKey = "Software\\Halvex\\Gravelon\\Editor";

class EditorApp {
public:
    // Draws through `device` (the GL device, or a recording one in tests).
    EditorApp(RenderDevice* device, int32_t width, int32_t height);
    ~EditorApp();
    EditorApp(const EditorApp&) = delete;
    EditorApp& operator=(const EditorApp&) = delete;

    // Start-up after the window exists: plug-ins of the folder, viewports, an empty world, the welcome
    // dialog unless "DialogOnce" is set. False when no plug-in could be loaded (the editor ends).
    bool Start(const std::string& pluginFolder);
    // Start-up with plug-ins already registered (tests register them in the process).
    bool StartWithRegistered();
    // Leaves in order: locked views destroyed, world reset, plug-ins detached and unloaded, viewports.
    void Shutdown();

    void OnCommand(int32_t id);
    // F1..F6 (1..6): the navigation tools.
    void OnFunctionKey(int n);
    void Resize(int32_t width, int32_t height, int32_t top, int32_t bottom);
    // Paints the viewports that wait for it; the number painted.
    int PaintViewports();

    bool QuitRequested() const { return quit_; }
    // Exit (the menu or the window's close box): asks first when the world has changes that are not
    // saved; true when the editor is to end.
    bool ConfirmExit();
    // True when a save now would write other bytes than the world last saved, opened or made new.
    bool WorldModified();
    void RequestQuit() { quit_ = true; }

    Editor& editor() { return *editor_; }
    ViewportSet& viewports() { return *viewports_; }
    RenderLayer& render() { return *render_; }
    MouseDevice& mouse() { return mouse_; }
    KeyState& keys() { return keys_; }
    const EditorLayout& layout() const { return layout_; }

    plat::Menu menu;
    plat::Toolbar toolbar;
    std::vector<std::string> toolbarLabels;
    plat::StatusBar status;
    std::string title;
    std::unique_ptr<plat::Dialog> panel;  // the active plug-in's dialog
    const plat::Bitmap& DefaultToolbarPicture() const { return defaultPluginBitmap_; }
    // The cursor over a window point: a navigation cursor id (190...) over a viewport, -1 where a locked
    // view shows its own (given in *view when asked for), 0 for the arrow.
    int CursorAt(int32_t x, int32_t y, uint32_t shift, uint32_t control, QvCursor* view = nullptr);

    // The editor's dialogs (also reached through OnCommand).
    void WorldSizeDialog();
    void EditorSettingsDialog();
    void ScaleZDialog();
    void FogDialog();
    void WelcomeDialog();
    // Reads "DialogOnce"; true when the welcome dialog is to be shown.
    static bool WelcomeWanted();

private:
    class WindowUi;
    void BuildMenu();
    void BuildToolbar();
    void Layout();
    void ChooseTool(int32_t tool);
    void Maximise(int index);

    plat::Bitmap defaultPluginBitmap_;
    std::unique_ptr<Editor> editor_;
    std::unique_ptr<RenderLayer> render_;
    std::unique_ptr<ViewportSet> viewports_;
    MouseDevice mouse_;
    KeyState keys_;
    EditorLayout layout_{};
    int32_t width_, height_, top_ = 0, bottom_ = 0;
    bool quit_ = false;
    std::vector<uint8_t> newWorldImage_;  // the world as the last New left it
    bool started_ = false;
};

}  // namespace qv
