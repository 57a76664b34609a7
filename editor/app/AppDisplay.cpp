#include "editor/app/AppDisplay.h"

#include <SDL.h>
#include <backends/imgui_impl_opengl3.h>
#include <backends/imgui_impl_sdl.h>
#include <imgui.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string_view>

#include "editor/app/EditorApp.h"
#include "editor/app/Resources.h"
#include "editor/render/Framework.h"
#include "editor/render/GfxRenderDevice.h"
#include "platform/bytes/ByteIO.h"
#include "platform/dialogs/ImGuiDialogs.h"
#include "platform/dialogs/Modal.h"
#include "platform/input/ScriptSyntax.h"
#include "editor/msgbox/EditorMessageBox.h"
#include "platform/sys/Env.h"

namespace qv {

namespace {

// Draws nothing: the editor runs on when no GL context can be had.
class NullDevice final : public RenderDevice {
public:
    void SetRenderState(uint32_t, uint32_t) override {}
    void SetTexture(uint32_t) override {}
    void SetStageTexture(uint32_t, uint32_t) override {}
    void DrawIndexed(uint32_t, const ScreenVertex*, uint32_t, const uint16_t*, uint32_t) override {}
    void SetClip(const PixelRect&) override {}
    void Clear(const PixelRect&) override {}
    void BeginScene() override {}
    void EndScene() override {}
};

constexpr float kToolbarHeight = 28.0f;
constexpr float kStatusHeight = 22.0f;

class Display {
public:
    Display(const AppOptions& options) : options_(options) {}
    ~Display() { Close(); }

    bool Open() {
        plat::GfxConfig config;
        config.title = "QV";
        config.windowWidth = config.renderWidth = options_.width;
        config.windowHeight = config.renderHeight = options_.height;
        config.hidden = options_.hidden;
        config.swapInterval = 0;
        config.keepAspect = false;  // the render target follows the window's size
        std::string error;
        gfx_ = plat::GfxDevice::Create(config, &error);
        if (!gfx_) {
            std::fprintf(stderr, "QV: no display (%s); the editor runs without drawing\n", error.c_str());
            ShowFrameworkError(FrameworkCodeFor(error), 0);
            return false;
        }
        window_ = SDL_GL_GetCurrentWindow();
        ImGui::CreateContext();
        ImGui::GetIO().IniFilename = nullptr;
        ImGui::GetIO().ConfigFlags |= ImGuiConfigFlags_NoMouseCursorChange;
        ImGui::StyleColorsClassic();
        ImGui_ImplSDL2_InitForOpenGL(window_, SDL_GL_GetCurrentContext());
        ImGui_ImplOpenGL3_Init("#version 330 core");
        imgui_ = true;
        return true;
    }

    void Close() {
        for (auto& [id, cursor] : cursors_) SDL_FreeCursor(cursor);
        cursors_.clear();
        if (viewCursor_) SDL_FreeCursor(viewCursor_);
        viewCursor_ = nullptr;
        if (imgui_) {
            plat::SetModalRunner(nullptr);
            plat::SetPopupRunner(nullptr);
            ImGui_ImplOpenGL3_Shutdown();
            ImGui_ImplSDL2_Shutdown();
            ImGui::DestroyContext();
            imgui_ = false;
        }
    }

    plat::GfxDevice* gfx() { return gfx_.get(); }

    void Attach(EditorApp* app) {
        app_ = app;
        if (!imgui_) return;
        plat::SetModalRunner([this](plat::Dialog& d) {
            ++modalDepth_;
            while (!d.Ended() && !app_->QuitRequested()) Frame([&] { plat::gui::DrawDialogWindow(d, 120, 100); });
            --modalDepth_;
        });
        plat::SetPopupRunner([this](plat::Menu& menu) {
            int chosen = 0;
            bool opened = false, done = false;
            while (!done && !app_->QuitRequested()) {
                Frame([&] {
                    if (!opened) {
                        ImGui::OpenPopup("##viewportpopup");
                        opened = true;
                    }
                    if (ImGui::BeginPopup("##viewportpopup")) {
                        chosen = plat::gui::DrawMenuItems(menu);
                        if (chosen) ImGui::CloseCurrentPopup();
                        ImGui::EndPopup();
                    } else {
                        done = true;
                    }
                    if (chosen) done = true;
                });
            }
            return chosen;
        });
    }

    // One frame: input, the editor's windows, viewports, and the overlay (a modal dialog or popup).
    template <class Overlay>
    void Frame(Overlay&& overlay) {
        PollEvents();
        const int painted = [&] {
            if (overlayShown_) app_->viewports().InvalidatePlugin(-1);  // wipe what the overlay left
            app_->viewports().Tick();
            return app_->PaintViewports();
        }();
        (void)painted;
        if (imgui_) {
            ImGui_ImplOpenGL3_NewFrame();
            ImGui_ImplSDL2_NewFrame();
            ImGuiIO& io = ImGui::GetIO();
            io.DisplaySize = ImVec2(static_cast<float>(options_.width), static_cast<float>(options_.height));
            io.DisplayFramebufferScale = ImVec2(1, 1);
            ImGui::NewFrame();
            DrawWindows();
            overlay();
            overlayShown_ = ImGui::IsPopupOpen("", ImGuiPopupFlags_AnyPopupId) || modalDepth_ > 0;
            ImGui::Render();
            // Into the render target, over the viewports; the back end keeps its own GL state.
            gfx_->Flush();
            ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
        }
        if (gfx_) gfx_->Present();
        ++frames_;
    }

    int Frames() const { return frames_; }
    int modalDepth_ = 0;

private:
    void DrawWindows() {
        float menuHeight = 0;
        if (int c = plat::gui::DrawMenuBar(app_->menu, &menuHeight)) pending_.push_back(c);
        if (int c = plat::gui::DrawToolbar(app_->toolbar, app_->toolbarLabels, 0, menuHeight, kToolbarHeight))
            pending_.push_back(c);
        const int top = static_cast<int>(menuHeight + kToolbarHeight);
        const int bottom = options_.height - static_cast<int>(kStatusHeight);
        if (top != top_ || bottom != bottom_) {
            top_ = top;
            bottom_ = bottom;
            app_->Resize(options_.width, options_.height, top, bottom);
        }
        plat::gui::DrawStatusBar(app_->status, 0, static_cast<float>(bottom), static_cast<float>(options_.width),
                                 kStatusHeight);
        const PixelRect& p = app_->layout().panel;
        ImGui::SetNextWindowPos(ImVec2(static_cast<float>(p.left), static_cast<float>(p.top)));
        ImGui::SetNextWindowSize(ImVec2(static_cast<float>(p.right - p.left), static_cast<float>(p.bottom - p.top)));
        const ImGuiWindowFlags flags = ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove |
                                       ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoBringToFrontOnFocus;
        if (ImGui::Begin("##panel", nullptr, flags)) {
            if (app_->panel) plat::gui::DrawControls(*app_->panel);
        }
        ImGui::End();
    }

    // The render target takes the window's new size; the next frame lays the bars, the viewports and
    // the panel out again.
    void WindowResized(int width, int height) {
        if (width <= 0 || height <= 0 || (width == options_.width && height == options_.height)) return;
        options_.width = width;
        options_.height = height;
        if (gfx_) gfx_->SetRenderSize(width, height);
        top_ = bottom_ = -1;
    }

    void PollEvents() {
        SDL_Event e;
        while (SDL_PollEvent(&e)) {
            if (imgui_) ImGui_ImplSDL2_ProcessEvent(&e);
            switch (e.type) {
                case SDL_QUIT:
                    pending_.push_back(kCmdExit);  // the close box asks as Exit does
                    break;
                case SDL_KEYDOWN:
                    // The accelerators: taken here and given to nothing else.
                    if (e.key.keysym.scancode >= SDL_SCANCODE_F1 && e.key.keysym.scancode <= SDL_SCANCODE_F6)
                        pending_.push_back(-(1 + (e.key.keysym.scancode - SDL_SCANCODE_F1)));
                    app_->keys().KeyDown(e.key.keysym.scancode & 0xFF);
                    break;
                case SDL_KEYUP:
                    app_->keys().KeyUp(e.key.keysym.scancode & 0xFF);
                    break;
                case SDL_WINDOWEVENT:
                    if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) app_->mouse().LoseInput();
                    if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) WindowResized(e.window.data1, e.window.data2);
                    break;
                case SDL_MOUSEMOTION:
                    app_->mouse().AddMotion(e.motion.xrel, e.motion.yrel);
                    ShowCursorAt(e.motion.x, e.motion.y);
                    break;
                case SDL_MOUSEBUTTONDOWN:
                case SDL_MOUSEBUTTONUP: {
                    const bool down = e.type == SDL_MOUSEBUTTONDOWN;
                    const int index = e.button.button == SDL_BUTTON_LEFT ? 0 : e.button.button == SDL_BUTTON_RIGHT ? 1 : 2;
                    app_->mouse().SetButton(index, down);
                    if (!down || (imgui_ && ImGui::GetIO().WantCaptureMouse)) break;
                    for (int i = 0; i < 4; ++i) {
                        const PixelRect& r = app_->layout().viewports[i];
                        if (e.button.x < r.left || e.button.x >= r.right || e.button.y < r.top || e.button.y >= r.bottom)
                            continue;
                        const SDL_Keymod mod = SDL_GetModState();
                        if (index == 0) {
                            SDL_CaptureMouse(SDL_TRUE);
                            app_->viewports()[i].MouseDown(e.button.x - r.left, e.button.y - r.top,
                                                           (mod & KMOD_SHIFT) ? 4 : 0, (mod & KMOD_CTRL) ? 8 : 0);
                        } else if (index == 1) {
                            popupFor_ = i;
                        }
                        break;
                    }
                    break;
                }
                default:
                    break;
            }
        }
    }

    static SDL_Cursor* MakeCursor(const plat::Cursor& c) {
        if (c.image.Empty()) return nullptr;
        SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint8_t*>(c.image.rgba.data()), c.image.width,
                                                                  c.image.height, 32, c.image.width * 4,
                                                                  SDL_PIXELFORMAT_RGBA32);
        SDL_Cursor* made = surface ? SDL_CreateColorCursor(surface, c.hotX, c.hotY) : nullptr;
        if (surface) SDL_FreeSurface(surface);
        return made;
    }

    // The navigation cursor of the tool over a viewport, a locked view's own cursor over its viewport,
    // the arrow elsewhere. ImGui leaves the cursor alone (ImGuiConfigFlags_NoMouseCursorChange) so that
    // the choice made here stays.
    void ShowCursorAt(int x, int y) {
        if (!imgui_) return;
        const SDL_Keymod mod = SDL_GetModState();
        QvCursor view = nullptr;
        const int id = ImGui::GetIO().WantCaptureMouse
                           ? 0
                           : app_->CursorAt(x, y, (mod & KMOD_SHIFT) ? 4 : 0, (mod & KMOD_CTRL) ? 8 : 0, &view);
        if (id == shownCursor_ && view == shownView_) return;
        shownCursor_ = id;
        shownView_ = view;
        SDL_Cursor* cursor = nullptr;
        SDL_Cursor* previousView = viewCursor_;
        viewCursor_ = nullptr;
        if (view) {
            // The view's cursor is made each time it is shown: the view owns the picture and may change it.
            viewCursor_ = MakeCursor(*reinterpret_cast<const plat::Cursor*>(view));
            cursor = viewCursor_;
        } else if (id > 0) {
            auto found = cursors_.find(id);
            if (found == cursors_.end()) found = cursors_.emplace(id, MakeCursor(NavigationCursor(id))).first;
            cursor = found->second;
        }
        SDL_SetCursor(cursor ? cursor : SDL_GetDefaultCursor());
        if (previousView) SDL_FreeCursor(previousView);  // no longer the current one
    }

public:
    // The events of a script due by this frame, applied as the user's own: commands wait for the
    // end of the frame like menu choices, the panel's controls are used by id, answers are queued for
    // the next chooser, box, popup or modal dialog.
    void PlayScript(const std::vector<plat::ScriptEvent>& events, size_t* next, int frame) {
        using Kind = plat::ScriptEvent::Kind;
        std::vector<std::function<void(plat::Dialog&)>> steps;
        auto flushDialog = [&] {
            if (steps.empty()) return;
            plat::ScriptNextDialog([taken = std::move(steps)](plat::Dialog& d) {
                for (const auto& step : taken) step(d);
            });
            steps.clear();
        };
        while (*next < events.size() && events[*next].frame <= static_cast<uint32_t>(frame)) {
            const plat::ScriptEvent& e = events[(*next)++];
            plat::Dialog* panel = app_->panel.get();
            switch (e.kind) {
                case Kind::Key:
                    if (e.a && e.index >= 0x3B && e.index <= 0x40) pending_.push_back(-static_cast<int>(e.index - 0x3B + 1));
                    if (e.a) app_->keys().KeyDown(static_cast<uint8_t>(e.index));
                    else app_->keys().KeyUp(static_cast<uint8_t>(e.index));
                    break;
                case Kind::At:
                    pointerX_ = e.a;
                    pointerY_ = e.b;
                    break;
                case Kind::MouseMove: app_->mouse().AddMotion(e.a, e.b); break;
                case Kind::MouseButton:
                    app_->mouse().SetButton(static_cast<int>(e.index), e.a != 0);
                    if (e.a && e.index == 0) PressAt(pointerX_, pointerY_);
                    if (e.a && e.index == 1) popupFor_ = ViewportAt(pointerX_, pointerY_);
                    break;
                case Kind::Command: pending_.push_back(static_cast<int>(e.index)); break;
                case Kind::Click:
                    if (!panel || !panel->UserClick(static_cast<int>(e.index)))
                        std::fprintf(stderr, "QV: script: no control %u to click\n", e.index);
                    break;
                case Kind::Focus:
                    if (panel) panel->UserSetFocus(static_cast<int>(e.index));
                    break;
                case Kind::Type:
                    if (!panel || !panel->UserType(panel->Focus(), e.texts.empty() ? "" : e.texts[0]))
                        std::fprintf(stderr, "QV: script: no focused control to type into\n");
                    break;
                case Kind::Files: plat::ScriptNextFiles(e.texts); break;
                case Kind::Box: plat::ScriptNextMessageBox(e.a); break;
                case Kind::Popup: plat::ScriptNextPopup(static_cast<int>(e.index)); break;
                case Kind::DialogClick: {
                    const int id = static_cast<int>(e.index);
                    steps.push_back([id](plat::Dialog& d) { d.UserClick(id); });
                    break;
                }
                case Kind::DialogType: {
                    const int id = static_cast<int>(e.index);
                    const std::string text = e.texts.empty() ? "" : e.texts[0];
                    steps.push_back([id, text](plat::Dialog& d) { d.UserType(id, text); });
                    break;
                }
                case Kind::DialogSelect: {
                    const int id = static_cast<int>(e.index), item = e.a;
                    steps.push_back([id, item](plat::Dialog& d) { d.UserSelect(id, item); });
                    break;
                }
                case Kind::DialogClose: steps.push_back([](plat::Dialog& d) { d.UserClose(); }); break;
                default: break;
            }
        }
        flushDialog();
    }

    int ViewportAt(int x, int y) const {
        for (int i = 0; i < 4; ++i) {
            const PixelRect& r = app_->layout().viewports[i];
            if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return i;
        }
        return -1;
    }
    void PressAt(int x, int y) {
        const int i = ViewportAt(x, y);
        if (i < 0) return;
        const PixelRect& r = app_->layout().viewports[i];
        app_->viewports()[i].MouseDown(x - r.left, y - r.top, 0, 0);
    }

    // Commands gathered during a frame are carried out after it, outside ImGui's frame.
    void RunPending() {
        std::vector<int> now;
        now.swap(pending_);
        for (int c : now) {
            if (c < 0) app_->OnFunctionKey(-c);
            else app_->OnCommand(c);
        }
        if (popupFor_ >= 0) {
            const int i = popupFor_;
            popupFor_ = -1;
            app_->viewports()[i].ShowPopup();
        }
    }

private:
    AppOptions options_;
    std::unique_ptr<plat::GfxDevice> gfx_;
    SDL_Window* window_ = nullptr;
    bool imgui_ = false;
    EditorApp* app_ = nullptr;
    std::vector<int> pending_;
    int popupFor_ = -1;
    int pointerX_ = 0, pointerY_ = 0;
    int top_ = -1, bottom_ = -1;
    int frames_ = 0;
    bool overlayShown_ = false;
    std::map<int, SDL_Cursor*> cursors_;
    int shownCursor_ = 0;
    QvCursor shownView_ = nullptr;
    SDL_Cursor* viewCursor_ = nullptr;  // the shown view cursor, made from the view's picture
};

// Key names of scripts: the function keys F1 to F12 (their codes are 0x3B-0x44, 0x57, 0x58).
bool KeyByName(std::string_view name, uint32_t* code) {
    static const uint32_t kCodes[12] = {0x3B, 0x3C, 0x3D, 0x3E, 0x3F, 0x40, 0x41, 0x42, 0x43, 0x44, 0x57, 0x58};
    if (name.size() < 2 || (name[0] != 'F' && name[0] != 'f')) return false;
    int n = 0;
    for (char c : name.substr(1)) {
        if (c < '0' || c > '9') return false;
        n = n * 10 + (c - '0');
    }
    if (n < 1 || n > 12) return false;
    *code = kCodes[n - 1];
    return true;
}

}  // namespace

bool WriteBmp24(const std::string& path, const std::vector<uint8_t>& rgba, int width, int height) {
    if (width <= 0 || height <= 0 || rgba.size() < static_cast<size_t>(width) * static_cast<size_t>(height) * 4) return false;
    const uint32_t row = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
    plat::ByteWriter w;
    w.Bytes("BM", 2);
    w.U32(54 + row * static_cast<uint32_t>(height));
    w.U32(0);
    w.U32(54);
    w.U32(40);
    w.I32(width);
    w.I32(height);
    w.U16(1);
    w.U16(24);
    w.U32(0);
    w.U32(row * static_cast<uint32_t>(height));
    w.U32(2835);
    w.U32(2835);
    w.U32(0);
    w.U32(0);
    std::vector<uint8_t> line(row, 0);
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            const uint8_t* p = &rgba[(static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 4];
            line[static_cast<size_t>(x) * 3] = p[2];
            line[static_cast<size_t>(x) * 3 + 1] = p[1];
            line[static_cast<size_t>(x) * 3 + 2] = p[0];
        }
        w.Bytes(line.data(), line.size());
    }
    const std::string temp = path + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary);
        out.write(reinterpret_cast<const char*>(w.Data().data()), static_cast<std::streamsize>(w.Data().size()));
        if (!out.flush()) {
            out.close();
            std::remove(temp.c_str());
            return false;
        }
    }
    if (std::rename(temp.c_str(), path.c_str()) == 0) return true;
    std::remove(temp.c_str());
    return false;
}

int RunEditor(const AppOptions& options) {
    Display display(options);
    const bool drawing = display.Open();
    NullDevice nullDevice;
    std::unique_ptr<EditorApp> app;
    std::unique_ptr<GfxRenderDevice> device;
    // The application owns the texture table the device reads, so the device is made after it.
    struct Late final : RenderDevice {
        RenderDevice* to = nullptr;
        void SetRenderState(uint32_t s, uint32_t v) override { to->SetRenderState(s, v); }
        void SetTexture(uint32_t t) override { to->SetTexture(t); }
        void SetStageTexture(uint32_t s, uint32_t t) override { to->SetStageTexture(s, t); }
        void DrawIndexed(uint32_t a, const ScreenVertex* b, uint32_t c, const uint16_t* d, uint32_t e) override {
            to->DrawIndexed(a, b, c, d, e);
        }
        void SetClip(const PixelRect& r) override { to->SetClip(r); }
        void Clear(const PixelRect& r) override { to->Clear(r); }
        void BeginScene() override { to->BeginScene(); }
        void EndScene() override { to->EndScene(); }
    } late;
    late.to = &nullDevice;
    app = std::make_unique<EditorApp>(&late, options.width, options.height);
    if (drawing) {
        device = std::make_unique<GfxRenderDevice>(display.gfx(), &app->editor().textures);
        late.to = device.get();
    }
    display.Attach(app.get());
    app->Resize(options.width, options.height, 48, options.height - 22);
    // The editor's own boxes go through the dialog layer too, so that scripts answer them.
    SetEditorMessageHook([](const EditorMessage& m) {
        uint32_t flags = m.buttons == MessageButtons::OkCancel ? plat::MB_OKCANCEL : plat::MB_OK;
        if (m.icon == MessageIcon::Warning) flags |= plat::MB_ICONWARNING;
        if (m.icon == MessageIcon::Error) flags |= plat::MB_ICONERROR;
        return plat::ShowMessageBox(m.text, m.caption, flags) == plat::IDCANCEL ? MessageAnswer::Cancel : MessageAnswer::Ok;
    });
    std::vector<plat::ScriptEvent> script;
    if (const auto& path = plat::Env().inputScript) {
        std::ifstream in(*path, std::ios::binary);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::string error;
        if (!in.is_open() || !plat::ParseScript(text, &KeyByName, &script, &error)) {
            std::fprintf(stderr, "QV: input script %s: %s\n", path->c_str(), in.is_open() ? error.c_str() : "cannot be read");
            SetEditorMessageHook(nullptr);
            return 2;
        }
    }
    if (!app->Start(options.pluginFolder)) {
        app.reset();
        SetEditorMessageHook(nullptr);
        return 1;
    }
    size_t nextEvent = 0;
    // The first frame's answers are there before the world given on the command line opens (its
    // password prompt, its boxes).
    display.PlayScript(script, &nextEvent, 1);
    if (!options.world.empty()) app->editor().world.Open(options.world);
    while (!app->QuitRequested()) {
        display.PlayScript(script, &nextEvent, display.Frames() + 1);
        display.Frame([] {});
        display.RunPending();
        if (options.quitAfterFrames >= 0 && display.Frames() >= options.quitAfterFrames) app->RequestQuit();
        const auto& env = plat::Env();
        if (!env.frameMs) SDL_Delay(5);  // never shorter frames than 5 ms
    }
    // A screenshot asked for and not written is a failed run: whoever asked relies on the file.
    int exitCode = 0;
    if (!options.screenshot.empty() && display.gfx()) {
        const std::vector<uint8_t> frame = display.gfx()->ReadFrame();
        if (!WriteBmp24(options.screenshot, frame, options.width, options.height)) {
            std::fprintf(stderr, "QV: the screenshot could not be written to %s\n", options.screenshot.c_str());
            exitCode = 1;
        }
    }
    app->Shutdown();
    SetEditorMessageHook(nullptr);
    late.to = &nullDevice;
    device.reset();
    app.reset();
    return exitCode;
}

}  // namespace qv
