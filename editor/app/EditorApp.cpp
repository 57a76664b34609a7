#include "editor/app/EditorApp.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "editor/app/Resources.h"
#include "platform/bytes/ByteIO.h"
#include "platform/dialogs/Modal.h"
#include "platform/registry/RegistryStore.h"

namespace qv {

// ---- the window layer the editor core talks to

class EditorApp::WindowUi final : public EditorUi {
public:
    explicit WindowUi(EditorApp* app) : app_(app) {}

    QvWnd CreatePluginDialog(QvModule module, QvResId dialogTemplate, QvDlgProc proc) override {
        Record("CreatePluginDialog", std::to_string(dialogTemplate));
        const plat::DialogTemplate* t = plat::FindDialogTemplate(module, dialogTemplate);
        if (!t) {
            std::fprintf(stderr, "QV: the plug-in has no dialog template %lu\n", static_cast<unsigned long>(dialogTemplate));
            return nullptr;
        }
        if (app_->panel) DestroyPanel();
        app_->panel = std::make_unique<plat::Dialog>(
            *t, [proc](plat::Dialog& d, uint32_t msg, uintptr_t w, intptr_t l) -> intptr_t {
                return proc ? proc(reinterpret_cast<QvWnd>(&d), msg, w, l) : 0;
            });
        app_->panel->Initialise(0);
        return reinterpret_cast<QvWnd>(app_->panel.get());
    }

    int32_t DestroyPluginDialog(QvWnd dialog) override {
        Record("DestroyPluginDialog");
        if (!dialog || reinterpret_cast<plat::Dialog*>(dialog) != app_->panel.get()) return Result(kResultBadIndex);
        DestroyPanel();
        return 0;
    }

    void SetStatusText(const std::string& text) override {
        Record("SetStatusText", text);
        app_->status.text = text;
    }

    QvWnd MainWindow() override { return reinterpret_cast<QvWnd>(app_); }

    std::vector<std::string> OpenFileDialog(int kind, const std::string& dialogTitle, bool multiple) override {
        Record("OpenFileDialog", std::to_string(kind) + ":" + dialogTitle);
        plat::FileRequest r;
        r.title = dialogTitle;
        r.multiple = multiple;
        switch (kind) {
            case 0:
            case 3: r.filters = {{"Bitmaps (*.bmp)", "*.BMP"}}; break;
            case 1: r.filters = {{"Worlds (*.wld)", "*.WLD"}}; break;
            case 2: r.filters = {{"Meshes (*.jm5)", "*.JM5"}}; break;
            case 4: r.filters = {{"Waves (*.wav)", "*.WAV"}}; break;
            default: break;
        }
        r.filters.push_back({"All Files (*.*)", "*.*"});
        return plat::OpenFileChooser(r);
    }

    std::string SaveFileDialog(const std::string& dialogTitle) override {
        Record("SaveFileDialog", dialogTitle);
        plat::FileRequest r;
        r.title = dialogTitle;
        r.filters = {{"Worlds (*.wld)", "*.WLD"}, {"All Files (*.*)", "*.*"}};
        r.mustExist = false;
        return plat::SaveFileChooser(r);
    }

    void SetTitle(const std::string& text) override {
        Record("SetTitle", text);
        app_->title = text;
    }

    void AddToolbarButton(uint32_t commandId, QvBitmap bitmap) override {
        Record("AddToolbarButton", std::to_string(commandId));
        // A plug-in without a bitmap of its own shows the editor's plug-in picture.
        const void* picture = bitmap ? static_cast<const void*>(bitmap) : &app_->defaultPluginBitmap_;
        app_->toolbar.AddBitmapButton(static_cast<int>(commandId), picture, true, true);
        EditorPlugin* p = app_->editor_ ? app_->editor_->Plugin(commandId - 8000) : nullptr;
        app_->toolbarLabels.push_back(p && p->GetName() ? p->GetName() : std::to_string(commandId));
    }

    void InvalidateViewports(int32_t pluginIndex) override {
        Record("InvalidateViewports", std::to_string(pluginIndex));
        if (app_->viewports_) app_->viewports_->InvalidatePlugin(pluginIndex);
    }

    void SetFogMenuCheck(bool on) override {
        Record("SetFogMenuCheck", on ? "1" : "0");
        app_->menu.CheckItem(kCmdFogOn, on);
    }

    void WorldReset() override {
        Record("WorldReset");
        app_->menu.CheckItem(kCmdFogOn, false);
    }

private:
    void DestroyPanel() {
        std::unique_ptr<plat::Dialog> gone = std::move(app_->panel);
        gone->Destroy();
    }
    EditorApp* app_;
};

// ---- start and end

EditorApp::EditorApp(RenderDevice* device, int32_t width, int32_t height)
    : defaultPluginBitmap_(qv::DefaultPluginBitmap()),
      editor_(std::make_unique<Editor>(std::make_unique<WindowUi>(this))),
      render_(std::make_unique<RenderLayer>(device, width, height)),
      width_(width),
      height_(height) {
    BuildMenu();
    BuildToolbar();
    editor_->render = render_.get();
    mouse_.Create();
}

EditorApp::~EditorApp() { Shutdown(); }

bool EditorApp::Start(const std::string& pluginFolder) {
    if (editor_->LoadPlugins(pluginFolder) == 0) {
        std::fprintf(stderr, "QV: no plug-in could be loaded from %s\n", pluginFolder.c_str());
        return false;
    }
    return StartWithRegistered();
}

bool EditorApp::StartWithRegistered() {
    if (editor_->PluginCount() == 0) return false;
    viewports_ = std::make_unique<ViewportSet>(editor_.get(), render_.get(), &mouse_);
    viewports_->onToolChosen = [this](int32_t tool) { toolbar.Check(tool, true); };
    viewports_->onMaximise = [this](int) { Layout(); };
    editor_->world.Reset(true, false);
    newWorldImage_ = editor_->world.Image();
    Layout();
    started_ = true;
    if (WelcomeWanted()) WelcomeDialog();
    return true;
}

void EditorApp::Shutdown() {
    if (!editor_) return;
    // The world is reset once, by the editor core's own end below.
    started_ = false;
    // Locked views are destroyed while their libraries are still loaded.
    if (viewports_) viewports_->UnlockAll();
    if (panel) {
        std::unique_ptr<plat::Dialog> gone = std::move(panel);
        gone->Destroy();
    }
    editor_->Shutdown();
    viewports_.reset();
    mouse_.Release();
}

// ---- menus and toolbar

void EditorApp::BuildMenu() {
    plat::Menu& file = menu.AppendSubmenu("File");
    file.Append(kCmdReset, "&Reset");
    file.Append(kCmdOpen, "&Open");
    file.Append(kCmdSave, "&Save");
    file.Append(kCmdSaveAs, "Save &as");
    file.AppendSeparator();
    file.Append(kCmdExit, "&Exit");
    plat::Menu& settings = menu.AppendSubmenu("Settings");
    settings.Append(kCmdEditorSettings, "Change Editor Settings");
    settings.Append(kCmdWorldSize, "Change World Size");
    settings.Append(kCmdScaleZ, "Scale Z");
    settings.Append(kCmdFogOn, "Fog on");
    settings.Append(kCmdFogSetting, "Fog Setting");
    plat::Menu& help = menu.AppendSubmenu("Help");
    help.Append(kCmdHelp, "On Line Help");
    menu.Append(65535, "| | | | | | | | | ").inert = true;
    menu.Append(kCmdVersion, "QV v1.03").inert = true;
}

void EditorApp::BuildToolbar() {
    toolbar.SetImageStrip(ToolbarStrip(), kToolbarImageSize);
    toolbar.AddButton(kCmdShowAll, 0, true, true);
    for (int i = 0; i < 4; ++i) toolbar.AddButton(kCmdShowAll + 1 + i, 1 + i, true, true);
    toolbar.AddSeparator();
    const int32_t tools[] = {kToolMove, kToolForward, kToolRotate, kToolTilt, kToolFieldOfView, kToolSelect};
    for (int i = 0; i < 6; ++i) toolbar.AddButton(tools[i], 6 + i, true, true);
    toolbar.AddSeparator();
    toolbarLabels = {"All", "1", "2", "3", "4", "", "Move", "Zoom", "Rotate", "Tilt", "FOV", "Select", ""};
}

int EditorApp::CursorAt(int32_t x, int32_t y, uint32_t shift, uint32_t control, QvCursor* view) {
    if (view) *view = nullptr;
    if (!viewports_) return 0;
    for (int i = 0; i < 4; ++i) {
        const PixelRect& r = layout_.viewports[i];
        if (x < r.left || x >= r.right || y < r.top || y >= r.bottom) continue;
        return (*viewports_)[i].CursorFor(x - r.left, y - r.top, shift, control, view);
    }
    return 0;
}

void EditorApp::Resize(int32_t width, int32_t height, int32_t top, int32_t bottom) {
    width_ = width;
    height_ = height;
    top_ = top;
    bottom_ = bottom;
    render_->SetSize(width, height);
    Layout();
}

void EditorApp::Layout() {
    layout_ = ComputeLayout(width_, top_, bottom_ > top_ ? bottom_ : height_, viewports_ ? viewports_->maximised : -1);
    if (!viewports_) return;
    for (int i = 0; i < 4; ++i) {
        const PixelRect& r = layout_.viewports[i];
        (*viewports_)[i].Place(r.left, r.top, r.right - r.left, r.bottom - r.top);
    }
}

int EditorApp::PaintViewports() { return viewports_ ? viewports_->PaintPending() : 0; }

void EditorApp::ChooseTool(int32_t tool) {
    if (viewports_) viewports_->ChooseTool(tool);
    toolbar.Check(tool, true);
}

void EditorApp::Maximise(int index) {
    if (!viewports_) return;
    if (viewports_->maximised >= 0) {
        // Pressing 7000 releases the other buttons of its group; then it is released itself.
        toolbar.Check(kCmdShowAll, true);
        viewports_->ToggleMaximise(viewports_->maximised);
        toolbar.Check(kCmdShowAll, false);
    } else if (index >= 0) {
        viewports_->ToggleMaximise(index);
        toolbar.Check(kCmdShowAll + 1 + index, true);
    }
}

void EditorApp::OnFunctionKey(int n) {
    static const int32_t kKeys[6] = {kToolMove, kToolForward, kToolRotate, kToolTilt, kToolFieldOfView, kToolSelect};
    if (n >= 1 && n <= 6) ChooseTool(kKeys[n - 1]);
}

void EditorApp::OnCommand(int32_t id) {
    WorldDocument& world = editor_->world;
    if (id >= 8000 && id < 8000 + static_cast<int32_t>(editor_->PluginCount())) {
        editor_->OnPluginCommand(static_cast<uint32_t>(id));
        return;
    }
    if (id >= kToolMove && id <= kToolFieldOfView) {
        ChooseTool(id);
        return;
    }
    if (id == kCmdShowAll) {
        if (viewports_ && viewports_->maximised >= 0) Maximise(-1);
        toolbar.Check(kCmdShowAll, false);
        return;
    }
    if (id > kCmdShowAll && id <= kCmdShowAll + 4) {
        if (viewports_ && viewports_->maximised >= 0) Maximise(-1);
        else Maximise(id - kCmdShowAll - 1);
        return;
    }
    switch (id) {
        case kCmdReset:
            if (world.Reset(false, false)) newWorldImage_ = world.Image();
            break;
        case kCmdOpen: world.OpenWithDialog(); break;
        case kCmdSave: world.SaveCommand(); break;
        case kCmdSaveAs: world.SaveAs(); break;
        case kCmdExit: quit_ = ConfirmExit(); break;
        case kCmdEditorSettings: EditorSettingsDialog(); break;
        case kCmdWorldSize: WorldSizeDialog(); break;
        case kCmdScaleZ: ScaleZDialog(); break;
        case kCmdFogOn:
            world.fog.on = world.fog.on ? 0 : 1;
            menu.CheckItem(kCmdFogOn, world.fog.on != 0);
            if (viewports_) viewports_->InvalidatePlugin(-1);
            break;
        case kCmdFogSetting: FogDialog(); break;
        case kCmdHelp: plat::OpenAddress(kHelpAddress); break;
        default: break;
    }
}

bool EditorApp::WorldModified() {
    WorldDocument& world = editor_->world;
    const std::vector<uint8_t> now = world.Image();
    if (world.path.empty()) return now != newWorldImage_;
    std::ifstream saved(world.path, std::ios::binary);
    const std::vector<uint8_t> onDisk((std::istreambuf_iterator<char>(saved)), std::istreambuf_iterator<char>());
    return now != onDisk;
}

bool EditorApp::ConfirmExit() {
    if (!started_ || !WorldModified()) return true;
    return plat::ShowMessageBox("The world has changes that are not saved.\nQuit anyway ?", "QV",
                                plat::MB_YESNO | plat::MB_ICONWARNING) == plat::IDYES;
}

// ---- the editor's dialogs

namespace {

using plat::ControlKind;

const char* const kNoteLine1 = "Be carefull with values you will enter,";
const char* const kNoteLine2 = "there's no check for the moment.";

plat::DialogTemplate NumbersDialog(const char* title, const std::vector<std::pair<int, const char*>>& fields) {
    plat::DialogTemplate t;
    t.title = title;
    t.width = 320;
    int y = 8;
    for (const auto& [id, label] : fields) {
        t.controls.push_back({ControlKind::Static, -1, label, 8, y + 2, 200, 16});
        t.controls.push_back({ControlKind::Edit, id, "", 210, y, 100, 20});
        y += 26;
    }
    t.controls.push_back({ControlKind::Static, -1, kNoteLine1, 8, y + 4, 300, 16});
    t.controls.push_back({ControlKind::Static, -1, kNoteLine2, 8, y + 20, 300, 16});
    t.controls.push_back({ControlKind::Button, plat::kIdOk, "OK", 150, y + 44, 76, 22, plat::kStyleDefault});
    t.controls.push_back({ControlKind::Button, plat::kIdCancel, "Cancel", 234, y + 44, 76, 22});
    t.height = y + 74;
    return t;
}

// Reads the non-empty fields as numbers; false (with a message naming the field) when one is not.
bool ReadNumbers(plat::Dialog& d, const std::vector<std::pair<int, const char*>>& fields, std::vector<float*> into) {
    std::vector<float> values;
    for (size_t i = 0; i < fields.size(); ++i) {
        const std::string text = d.Text(fields[i].first);
        if (text.find_first_not_of(" \t") == std::string::npos) {
            values.push_back(*into[i]);  // an empty field keeps its value
            continue;
        }
        bool ok = false;
        const double v = d.Float(fields[i].first, &ok);
        if (!ok || std::fabs(v) > 1e30) {
            plat::ShowMessageBox(std::string("Not a number: ") + fields[i].second + " " + text, d.Title(),
                                 plat::MB_OK | plat::MB_ICONWARNING);
            return false;
        }
        values.push_back(static_cast<float>(v));
    }
    for (size_t i = 0; i < into.size(); ++i) *into[i] = values[i];
    return true;
}

uint32_t FloatBits(float f) {
    uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}

}  // namespace

void EditorApp::WorldSizeDialog() {
    WorldDocument& world = editor_->world;
    const std::vector<std::pair<int, const char*>> fields = {{1013, "X_Min :"}, {1014, "Y_Min :"}, {1015, "Z_Min :"},
                                                             {1016, "X_Max :"}, {1017, "Y_Max :"}, {1018, "Z_Max :"}};
    plat::DialogTemplate t = NumbersDialog("Change World Size", fields);
    plat::RunModal(t, [&](plat::Dialog& d, uint32_t msg, uintptr_t w, intptr_t) -> intptr_t {
        if (msg == plat::WM_INITDIALOG) {
            for (int i = 0; i < 6; ++i) d.SetFloat(1013 + i, world.bounds[i]);
            return 1;
        }
        if (msg != plat::WM_COMMAND) return 0;
        if (plat::LowWord(w) == plat::kIdOk) {
            float b[6];
            std::copy_n(world.bounds, 6, b);
            if (!ReadNumbers(d, fields, {&b[0], &b[1], &b[2], &b[3], &b[4], &b[5]})) return 1;
            // A world needs room on every axis: the views and the plug-ins divide by its extents.
            for (int axis = 0; axis < 3; ++axis)
                if (!(b[axis + 3] > b[axis])) {
                    plat::ShowMessageBox("Every maximum must be greater than its minimum.", d.Title(),
                                         plat::MB_OK | plat::MB_ICONWARNING);
                    return 1;
                }
            world.SetWorldBounds(b);
            d.End(plat::kIdOk);
        } else if (plat::LowWord(w) == plat::kIdCancel) {
            d.End(plat::kIdCancel);
        }
        return 1;
    });
}

void EditorApp::EditorSettingsDialog() {
    WorldDocument& world = editor_->world;
    const std::vector<std::pair<int, const char*>> fields = {{1013, "Translational Mouse Sensitivity :"},
                                                             {1014, "Rotational Mouse Sensitivity :"}};
    plat::RunModal(NumbersDialog("Change Editor Settings", fields),
                   [&](plat::Dialog& d, uint32_t msg, uintptr_t w, intptr_t) -> intptr_t {
                       if (msg == plat::WM_INITDIALOG) {
                           d.SetFloat(1013, world.translationalSensitivity);
                           d.SetFloat(1014, world.rotationalSensitivity);
                           return 1;
                       }
                       if (msg != plat::WM_COMMAND) return 0;
                       if (plat::LowWord(w) == plat::kIdOk) {
                           float t = world.translationalSensitivity, r = world.rotationalSensitivity;
                           if (!ReadNumbers(d, fields, {&t, &r})) return 1;
                           world.translationalSensitivity = t;
                           world.rotationalSensitivity = r;
                           d.End(plat::kIdOk);
                       } else if (plat::LowWord(w) == plat::kIdCancel) {
                           d.End(plat::kIdCancel);
                       }
                       return 1;
                   });
}

void EditorApp::ScaleZDialog() {
    plat::DialogTemplate t;
    t.title = "Scale Z";
    t.width = 300;
    t.height = 90;
    t.controls = {{ControlKind::Static, -1, "Scale all Z value in the world by", 8, 10, 200, 16},
                  {ControlKind::Edit, 1020, "", 210, 8, 80, 20},
                  {ControlKind::Button, plat::kIdOk, "OK", 130, 50, 76, 22, plat::kStyleDefault},
                  {ControlKind::Button, plat::kIdCancel, "Cancel", 214, 50, 76, 22}};
    plat::RunModal(t, [&](plat::Dialog& d, uint32_t msg, uintptr_t w, intptr_t) -> intptr_t {
        if (msg == plat::WM_INITDIALOG) {
            d.SetFloat(1020, 1.0);
            return 1;
        }
        if (msg != plat::WM_COMMAND) return 0;
        if (plat::LowWord(w) == plat::kIdOk) {
            const std::string text = d.Text(1020);
            if (text.find_first_not_of(" \t") != std::string::npos) {
                bool ok = false;
                const float scale = static_cast<float>(d.Float(1020, &ok));
                // A mistyped factor would flatten every height of every plug-in for good.
                if (!ok) {
                    plat::ShowMessageBox("Not a number: " + text, "Scale Z", plat::MB_OK | plat::MB_ICONWARNING);
                    return 1;
                }
                if (scale == 0.0f &&
                    plat::ShowMessageBox("A scale of 0 flattens every height of the world.\nScale by 0 ?", "Scale Z",
                                         plat::MB_YESNO | plat::MB_ICONWARNING | plat::MB_DEFBUTTON2) != plat::IDYES)
                    return 1;
                editor_->bus.Broadcast(&editor_->mainPort, kKindWorld, kMsgHeightScaleChanged, FloatBits(scale), 0);
            }
            d.End(plat::kIdOk);
        } else if (plat::LowWord(w) == plat::kIdCancel) {
            d.End(plat::kIdCancel);
        }
        return 1;
    });
}

void EditorApp::FogDialog() {
    WorldDocument& world = editor_->world;
    FogRecord copy = world.fog;
    plat::DialogTemplate t;
    t.title = "Fog Setting";
    t.width = 330;
    t.height = 170;
    t.controls = {{ControlKind::Static, -1, "Front Plane", 8, 8, 100, 16},
                  {ControlKind::Static, -1, "Start", 8, 28, 50, 16},
                  {ControlKind::Trackbar, 1022, "", 60, 26, 250, 20},
                  {ControlKind::Static, -1, "Back Plane", 8, 54, 100, 16},
                  {ControlKind::Static, -1, "End", 8, 74, 50, 16},
                  {ControlKind::Trackbar, 1023, "", 60, 72, 250, 20},
                  {ControlKind::Static, -1, "Color", 8, 106, 50, 16},
                  {ControlKind::Picture, 1021, "", 60, 100, 40, 28},
                  {ControlKind::Button, plat::kIdOk, "OK", 160, 140, 76, 22, plat::kStyleDefault},
                  {ControlKind::Button, plat::kIdCancel, "Cancel", 244, 140, 76, 22}};
    const intptr_t result = plat::RunModal(t, [&](plat::Dialog& d, uint32_t msg, uintptr_t w, intptr_t l) -> intptr_t {
        switch (msg) {
            case plat::WM_INITDIALOG:
                for (int id : {1022, 1023}) {
                    d.SetRange(id, 0, 3000);
                    d.SetTick(id, 2000);
                }
                d.SetPosition(1022, copy.start);
                d.SetPosition(1023, copy.end);
                d.SetColour(1021, copy.colour);
                return 1;
            case plat::WM_HSCROLL:
                copy.start = d.Position(1022);
                copy.end = d.Position(1023);
                (void)l;
                return 1;
            case plat::WM_COMMAND:
                if (plat::LowWord(w) == 1021 && plat::HighWord(w) == plat::STN_CLICKED) {
                    uint32_t colour = copy.colour & 0xFFFFFF;
                    if (plat::ChooseColour(colour, copy.customColours)) {
                        copy.colour = colour;
                        d.SetColour(1021, colour);
                    }
                } else if (plat::LowWord(w) == plat::kIdOk) {
                    d.End(plat::kIdOk);
                } else if (plat::LowWord(w) == plat::kIdCancel) {
                    d.End(plat::kIdCancel);
                }
                return 1;
            default:
                return 0;
        }
    });
    if (result == plat::kIdOk) world.fog = copy;
    if (viewports_) viewports_->InvalidatePlugin(-1);
}

bool EditorApp::WelcomeWanted() {
    plat::RegistryStore store = plat::RegistryStore::Default();
    const std::string key = plat::RegKeyPath(plat::kHKeyLocalMachine, kEditorKey);
    store.CreateKey(key);
    plat::RegValue value;
    if (store.QueryValue(key, "DialogOnce", value) != plat::RegStatus::Ok) return true;
    if (value.data.size() < 4) return true;
    return plat::LoadU32(value.data.data()) == 0;
}

void EditorApp::WelcomeDialog() {
    plat::DialogTemplate t;
    t.title = "Welcome to QV";
    t.width = 380;
    t.height = 170;
    t.controls = {
        {ControlKind::Static, -1,
         "QV edits the worlds of Gravelon.\n\nEach plug-in button of the toolbar opens the panel of one part of the "
         "world; the four viewports show the world, and F1 to F6 choose how the mouse moves them.",
         8, 8, 364, 80},
        {ControlKind::CheckBox, 1023, "Dont display this box again.", 8, 100, 260, 20},
        {ControlKind::Button, 1027, "WEB Site", 8, 136, 90, 22},
        {ControlKind::Button, 2, "OK", 290, 136, 80, 22, plat::kStyleDefault},
    };
    bool never = false;
    plat::RunModal(t, [&](plat::Dialog& d, uint32_t msg, uintptr_t w, intptr_t) -> intptr_t {
        if (msg == plat::WM_CLOSE) {
            d.End(2);
            return 1;
        }
        if (msg != plat::WM_COMMAND) return 0;
        if (plat::LowWord(w) == 1027) plat::OpenAddress(kWebSiteAddress);
        if (plat::LowWord(w) == 2) {
            never = d.IsChecked(1023);
            d.End(2);
        }
        return 1;
    });
    if (!never) return;
    plat::RegistryStore store = plat::RegistryStore::Default();
    uint8_t one[4];
    plat::StoreU32(one, 1);
    if (store.SetValue(plat::RegKeyPath(plat::kHKeyLocalMachine, kEditorKey), "DialogOnce", plat::REG_DWORD, one) !=
        plat::RegStatus::Ok)
        std::fprintf(stderr, "QV: the welcome setting could not be stored: %s\n", store.LastError().c_str());
}

}  // namespace qv
