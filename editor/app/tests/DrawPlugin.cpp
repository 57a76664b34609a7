// Test plug-in: fills every viewport it draws in with a colour of its own (red, green, blue, yellow for
// viewports 0 to 3), through the viewport's primitives.
#include "editor/plugin/PluginApi.h"

namespace {

class DrawPlugin final : public qv::EditorPlugin {
public:
    DrawPlugin() : EditorPlugin(qv::FourCC("DRAW"), "DrawTest::Main", 0) {}
    int32_t Attach() override { return 0; }
    int32_t Detach() override { return 0; }
    const char* GetName() override { return "Draw test"; }
    const char* GetDescription() override { return "fills the viewports"; }
    const char* GetAuthor() override { return "tests"; }
    int32_t LoadChunk(qv::FileStream*, uint32_t) override { return 0; }
    int32_t HasChunk() override { return 0; }
    int32_t SaveChunk(qv::FileStream*, uint32_t*) override { return 0; }
    const char* GetState() override { return ""; }
    int32_t ResetWorld() override { return 0; }
    int32_t Activate() override { return 0; }
    int32_t Deactivate() override { return 0; }
    qv::QvBitmap GetToolbarBitmap(int32_t) override { return nullptr; }
    int32_t DrawViewport(qv::Viewport* viewport) override {
        static const uint32_t kColours[4] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFF00u};
        uint32_t colour = 0xFFFFFFFFu;
        for (int32_t i = 0; i < host->GetViewportCount(); ++i)
            if (host->GetViewport(i) == viewport) colour = kColours[i & 3];
        int32_t w = 0, h = 0;
        viewport->GetSize(&w, &h);
        const float fw = static_cast<float>(w), fh = static_cast<float>(h);
        // Two triangles leaving a 10-pixel frame.
        const qv::ScreenVertex v[4] = {{10, 10, 0.5f, 1, colour, 0, 0, 0},
                                       {fw - 10, 10, 0.5f, 1, colour, 0, 0, 0},
                                       {fw - 10, fh - 10, 0.5f, 1, colour, 0, 0, 0},
                                       {10, fh - 10, 0.5f, 1, colour, 0, 0, 0}};
        const uint16_t indices[6] = {0, 1, 2, 0, 2, 3};
        viewport->SetRenderState(22, 1);
        return viewport->DrawPrimitive(4, 4, v, 6, indices);
    }
    qv::QvMenu GetViewportMenu(qv::Viewport*) override { return nullptr; }
    int32_t OnCommand(int32_t) override { return 0; }
    int32_t GetViewCount() override { return 0; }
    qv::PluginView* GetView(int32_t) override { return nullptr; }
    int32_t GetPortCount() override { return 0; }
    qv::Port* GetPort(int32_t) override { return nullptr; }
};

DrawPlugin g_plugin;

}  // namespace

extern "C" __attribute__((visibility("default"))) qv::EditorPlugin* PluginDescription() { return &g_plugin; }
