// One dialog drawn through Dear ImGui on the offscreen video driver: a click on the drawn button reaches
// the procedure as the same notification a script gives, and the colour swatch lands on screen.
#include <SDL.h>
#include <SDL_opengl.h>
#include <backends/imgui_impl_opengl3.h>
#include <backends/imgui_impl_sdl.h>
#include <gtest/gtest.h>
#include <imgui.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/dialogs/ImGuiDialogs.h"
#include "platform/gfx/GfxDevice.h"

namespace plat {
namespace {

TEST(ImGuiFrame, DrawnDialogTakesAClickAndShowsItsSwatch) {
    // The window and GL context of the shared back end, which the editor draws its dialogs into too.
    plat::GfxConfig config;
    config.windowWidth = config.renderWidth = 400;
    config.windowHeight = config.renderHeight = 300;
    config.hidden = true;
    std::string error;
    std::unique_ptr<plat::GfxDevice> gfx = plat::GfxDevice::Create(config, &error);
    ASSERT_NE(gfx, nullptr) << error;
    ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;
    ImGui_ImplSDL2_InitForOpenGL(SDL_GL_GetCurrentWindow(), SDL_GL_GetCurrentContext());
    ImGui_ImplOpenGL3_Init("#version 330 core");

    std::vector<int> clicks;
    Dialog dialog({"Fog Setting",
                   300,
                   200,
                   {{ControlKind::Static, -1, "Color", 10, 10, 60, 16},
                    {ControlKind::Picture, 1021, "", 80, 10, 40, 40},
                    {ControlKind::Trackbar, 1022, "", 10, 60, 200, 20},
                    {ControlKind::Edit, 1013, "1.0", 10, 90, 100, 20},
                    {ControlKind::Button, kIdOk, "OK", 10, 130, 80, 24}}},
                  [&](Dialog&, uint32_t msg, uintptr_t w, intptr_t) -> intptr_t {
                      if (msg == WM_COMMAND && HighWord(w) == BN_CLICKED) clicks.push_back(LowWord(w));
                      return 1;
                  });
    dialog.Initialise(0);
    dialog.SetColour(1021, 0x000000FF);  // red
    dialog.SetRange(1022, 0, 3000);

    std::vector<uint8_t> pixels(400 * 300 * 4);
    for (int frame = 0; frame < 4; ++frame) {
        SDL_Event e;
        while (SDL_PollEvent(&e)) ImGui_ImplSDL2_ProcessEvent(&e);
        ImGui_ImplOpenGL3_NewFrame();
        ImGui_ImplSDL2_NewFrame();
        io.DisplaySize = ImVec2(400, 300);
        const Control* ok = dialog.Find(kIdOk);
        if (frame >= 1) {
            io.MousePos = ImVec2((ok->drawn[0] + ok->drawn[2]) / 2, (ok->drawn[1] + ok->drawn[3]) / 2);
            io.MouseDown[0] = (frame == 1);
        }
        ImGui::NewFrame();
        gui::DrawDialogWindow(dialog, 20, 20);
        ImGui::Render();
        gfx->ClearColour({0, 0, 400, 300}, 0xFF000000u);
        gfx->Flush();
        ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
        if (frame == 3) pixels = gfx->ReadFrame();  // top row first
        gfx->Present();
    }
    EXPECT_EQ(clicks, std::vector<int>{kIdOk});

    const Control* swatch = dialog.Find(1021);
    ASSERT_GT(swatch->drawn[2], swatch->drawn[0]);
    const int x = static_cast<int>((swatch->drawn[0] + swatch->drawn[2]) / 2);
    const int y = static_cast<int>((swatch->drawn[1] + swatch->drawn[3]) / 2);
    const uint8_t* p = &pixels[(static_cast<size_t>(y) * 400 + static_cast<size_t>(x)) * 4];
    EXPECT_GT(p[0], 200);
    EXPECT_LT(p[1], 40);
    EXPECT_LT(p[2], 40);

    ImGui_ImplOpenGL3_Shutdown();
    ImGui_ImplSDL2_Shutdown();
    ImGui::DestroyContext();
    gfx.reset();
}

}  // namespace
}  // namespace plat
