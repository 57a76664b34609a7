#pragma once
// "Top-Down Texture": the landscape's texture cells as a flat map in a locked viewport. The user pans
// and zooms, paints the current texture into cells (blocks of textures with multi-texturing), picks a
// cell's texture with Ctrl held and fills the grid from the popup menu. One instance lives at a time.
#include <cstdint>

#include "editor/plugin/PluginApi.h"
#include "platform/dialogs/Menu.h"

namespace qv {

class LandscapePlugin;
class TopDownView;

class TopDownPort final : public Port {
public:
    explicit TopDownPort(TopDownView* view) : Port("Landscape::TopDown", 5), view_(view) {}
    int32_t OnMessage(Port* sender, uint32_t code, MsgArg arg, MsgArg data) override;

private:
    TopDownView* view_;
};

enum : int32_t { kFillAll = 60000, kFillEmpty = 60001 };

class TopDownView final : public PluginView {
public:
    TopDownView(LandscapePlugin* owner, Viewport* viewport);
    ~TopDownView() override;

    const char* GetTitle() override { return "Top-Down Texture"; }
    int32_t Draw() override;
    PluginView* Create(Viewport* viewport) override;
    int32_t Destroy() override;
    Port* GetPort() override { return &port_; }
    QvMenu GetMenu() override;
    int32_t OnCommand(int32_t id) override;
    QvCursor GetCursor(int32_t x, int32_t y, uint32_t shift, uint32_t control) override;

    int32_t OnPortMessage(Port* sender, uint32_t code, MsgArg arg);
    // Brings pan and zoom into the landscape's bounds and 2..80; true when something moved.
    bool Clamp();
    // The cell under a screen point; false outside the grid.
    bool CellAt(int32_t x, int32_t y, uint32_t* column, uint32_t* row);
    void Press(const MousePress& press);
    Viewport* viewport() { return viewport_; }

    float panX = 0.0f, panY = 0.0f, zoom = 2.0f;
    int32_t painting = 0;

private:
    struct Mapping {
        float left, top, cw, ch;  // screen x of column 0, screen y of row 0, cell sizes (ch negative)
    };
    Mapping Map();
    LandscapePlugin* owner_;
    Viewport* viewport_;
    TopDownPort port_;
    plat::Menu menu_;
    QvCursor cursor_ = nullptr;
};

}  // namespace qv
