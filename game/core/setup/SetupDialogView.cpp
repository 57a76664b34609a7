// The set-up dialog on screen: its own small window with Dear ImGui, shown before the main window.
#include <SDL.h>
#include <SDL_opengl.h>
#include <imgui.h>
#include <backends/imgui_impl_opengl3.h>
#include <backends/imgui_impl_sdl.h>

#include <cstdio>

#include "game/core/config/Config.h"
#include "game/core/display/DeviceList.h"
#include "game/core/setup/SetupDialog.h"
#include "platform/dialogs/ImGuiDialogs.h"
#include "platform/dialogs/Modal.h"
#include "platform/gfx/GfxDevice.h"
#include "platform/sys/Env.h"

namespace kes {
namespace {

SetupDialogDriver g_driver;

// Check box whose click goes through the dialog procedure.
void CheckBox(SetupDialog& dialog, const char* label, int id, int* pressed) {
    bool checked = dialog.Checked(id);
    if (!dialog.Enabled(id)) ImGui::BeginDisabled();
    if (ImGui::Checkbox(label, &checked)) *pressed = id;
    if (!dialog.Enabled(id)) ImGui::EndDisabled();
}

// A drop-down list; a choice reports the control id and the index.
template <class Items, class NameOf>
void DropDown(const char* label, int id, const Items& items, size_t selected, NameOf nameOf, int* pressed, int* value) {
    if (!ImGui::BeginCombo(label, items.empty() ? "" : nameOf(items[selected]))) return;
    for (size_t i = 0; i < items.size(); ++i) {
        if (ImGui::Selectable(nameOf(items[i]), i == selected)) {
            *pressed = id;
            *value = static_cast<int>(i);
        }
    }
    ImGui::EndCombo();
}

// One frame of the dialog's controls; the control the player used, with its list index.
int DrawControls(SetupDialog& dialog, int* value) {
    int pressed = 0;
    ImGui::TextUnformatted(" Video ");
    ImGui::Separator();
    DropDown("##device", kIdDevice, dialog.Pairs(), dialog.SelectedPair(),
             [](const DevicePair& p) { return p.name.c_str(); }, &pressed, value);
    DropDown("##mode", kIdMode, dialog.Modes(), dialog.SelectedMode(),
             [](const ModeEntry* m) { return static_cast<const char*>(m->name); }, &pressed, value);
    CheckBox(dialog, "Text. Perspective##set", kIdPerspective, &pressed);
    ImGui::SameLine();
    CheckBox(dialog, "Bilinear##set", kIdBilinear, &pressed);
    ImGui::SameLine();
    CheckBox(dialog, "Trilinear##set", kIdTrilinear, &pressed);
    ImGui::SameLine();
    CheckBox(dialog, "Mip Mapping##set", kIdMipMapping, &pressed);
    CheckBox(dialog, "Z Buffer", kIdHasZBuffer, &pressed);
    ImGui::SameLine();
    CheckBox(dialog, "Gouraud", kIdHasGouraud, &pressed);
    ImGui::SameLine();
    CheckBox(dialog, "Text. Perspective", kIdHasPerspective, &pressed);
    ImGui::SameLine();
    CheckBox(dialog, "Chroma Key", kIdHasChromaKey, &pressed);
    ImGui::SameLine();
    CheckBox(dialog, "Alpha Blending", kIdHasAlphaBlend, &pressed);
    CheckBox(dialog, "Bilinear", kIdCanBilinear, &pressed);
    ImGui::SameLine();
    CheckBox(dialog, "Trilinear", kIdCanTrilinear, &pressed);
    ImGui::SameLine();
    CheckBox(dialog, "Mip Mapping", kIdCanMipMapping, &pressed);
    ImGui::Spacing();
    ImGui::TextUnformatted(" Sound ");
    ImGui::Separator();
    if (!dialog.Enabled(kIdSound)) ImGui::BeginDisabled();
    DropDown("##sound", kIdSound, dialog.Sounds(), dialog.SelectedSound(),
             [](const SoundDeviceInfo& d) { return d.name.c_str(); }, &pressed, value);
    if (!dialog.Enabled(kIdSound)) ImGui::EndDisabled();
    CheckBox(dialog, "Hardware mixing", kIdHwMixing, &pressed);
    ImGui::SameLine();
    CheckBox(dialog, "Hardware 3D", kIdHw3D, &pressed);
    ImGui::Spacing();
    if (ImGui::Button("Let's Rock !", ImVec2(160, 0))) pressed = kIdOk;
    if (ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_Escape))) pressed = kIdCancel;
    return pressed;
}

}  // namespace

void SetSetupDialogDriver(SetupDialogDriver driver) {
    g_driver = std::move(driver);
}

namespace {

// A small window of its own (titled `title`) with a GL context and Dear ImGui, before the main window exists. Each frame
// draws `draw` over the whole window; the loop ends when `draw` returns non-zero or the window is
// closed (`closed` is then given). False when no window could be made.
template <class Draw>
bool RunImGuiWindow(const char* title, int width, int height, Draw&& draw, int closed, int* result) {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "Dialog: no video (%s); taking the default answer\n", SDL_GetError());
        return false;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    const Uint32 hidden = plat::Env().headless ? SDL_WINDOW_HIDDEN : 0;
    SDL_Window* window = SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height,
                                          SDL_WINDOW_OPENGL | hidden);
    SDL_GLContext context = window ? SDL_GL_CreateContext(window) : nullptr;
    if (!context) {
        std::fprintf(stderr, "Dialog: no window (%s); taking the default answer\n", SDL_GetError());
        if (window) SDL_DestroyWindow(window);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return false;
    }
    SDL_GL_MakeCurrent(window, context);
    plat::KeepGlDriverLoaded();
    IMGUI_CHECKVERSION();
    ImGuiContext* previous = ImGui::GetCurrentContext();
    ImGuiContext* imgui = ImGui::CreateContext();
    ImGui::SetCurrentContext(imgui);
    ImGui::GetIO().IniFilename = nullptr;
    ImGui_ImplSDL2_InitForOpenGL(window, context);
    ImGui_ImplOpenGL3_Init("#version 330 core");
    *result = 0;
    for (int frame = 0; *result == 0; ++frame) {
        SDL_Event e;
        while (SDL_PollEvent(&e)) {
            ImGui_ImplSDL2_ProcessEvent(&e);
            if (e.type == SDL_QUIT || (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_CLOSE))
                *result = closed;
        }
        if (*result) break;
        ImGui_ImplOpenGL3_NewFrame();
        ImGui_ImplSDL2_NewFrame();
        ImGui::NewFrame();
        ImGui::SetNextWindowPos(ImVec2(0, 0));
        ImGui::SetNextWindowSize(ImGui::GetIO().DisplaySize);
        ImGui::Begin("##dialog", nullptr, ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove);
        const int drawn = draw(frame);
        ImGui::End();
        ImGui::Render();
        glViewport(0, 0, width, height);
        glClearColor(0.1f, 0.1f, 0.12f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
        SDL_GL_SwapWindow(window);
        *result = drawn;
    }
    ImGui_ImplOpenGL3_Shutdown();
    ImGui_ImplSDL2_Shutdown();
    ImGui::DestroyContext(imgui);
    ImGui::SetCurrentContext(previous);
    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return true;
}

}  // namespace

int RunSetupDialog(SetupDialog& dialog) {
    if (plat::Env().headless && !g_driver) return dialog.Command(kIdOk);
    int result = 0;
    const bool shown = RunImGuiWindow(
        "", 560, 300,
        [&](int frame) {
            int value = 0;
            int pressed = DrawControls(dialog, &value);
            if (g_driver) pressed = g_driver(dialog, frame, &value);
            const int ended = pressed ? dialog.Command(pressed, value) : 0;
            if (!g_driver && !ended) SDL_Delay(10);
            return ended;
        },
        -1, &result);
    if (!shown) return dialog.Command(kIdOk);
    return result == -1 ? dialog.Command(kIdCancel) : result;
}

void InstallDialogRunner() {
    // The platform's dialogs (the world chooser) in a window of their own; headless runs never get here.
    plat::SetModalRunner([](plat::Dialog& d) {
        int result = 0;
        RunImGuiWindow(
            d.Title().c_str(), d.Template().width + 16, d.Template().height + 16,
            [&](int) {
                plat::gui::DrawControls(d);
                if (!d.Ended()) SDL_Delay(10);
                return d.Ended() ? 1 : 0;
            },
            -1, &result);
        // A closed window, or none at all, cancels the dialog.
        if (!d.Ended()) d.End(plat::kIdCancel);
    });
}

}  // namespace kes
