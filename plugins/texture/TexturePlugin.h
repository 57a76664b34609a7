#pragma once
// The texture browser: a view that a viewport can be locked to, showing the textures of one chosen
// plug-in as a list or a palette of thumbnails. It adds, replaces and removes textures and alpha maps
// through that plug-in's host and announces a clicked texture with TexturePicked. No world data.
#include <cstdint>
#include <string>
#include <vector>

#include "editor/plugin/PluginApi.h"
#include "platform/dialogs/Dialog.h"
#include "platform/dialogs/Menu.h"

namespace qv {

struct TextureViewOptions {
    uint32_t correctSize = 0;
    uint32_t showNames = 1;
    uint32_t showSizes = 1;
    uint32_t sortBy = 0;   // 0 identifiers, 1 names, 2 sizes
    uint32_t display = 1;  // 0 list, 1 palette
};

struct TextureItem {
    uint32_t index;  // 0-based in the host's list
    std::string name;
    uint32_t width, height;
};

struct CellRect {
    int32_t left, top, right, bottom;
};

class TextureView;

class TextureViewPort final : public Port {
public:
    explicit TextureViewPort(TextureView* view) : Port("Texture", 3), view_(view) {}
    int32_t OnMessage(Port* sender, uint32_t code, MsgArg arg, MsgArg data) override;

private:
    TextureView* view_;
};

class TextureView final : public PluginView {
public:
    TextureView(EditorPlugin* owner, Viewport* viewport);
    ~TextureView() override;

    const char* GetTitle() override { return "Texture View"; }
    int32_t Draw() override;
    PluginView* Create(Viewport* viewport) override;
    int32_t Destroy() override;
    Port* GetPort() override { return &port_; }
    QvMenu GetMenu() override;
    int32_t OnCommand(int32_t id) override;
    QvCursor GetCursor(int32_t, int32_t, uint32_t, uint32_t) override { return nullptr; }

    int32_t OnPortMessage(uint32_t code, MsgArg arg);
    // The items again from the viewed plug-in's host, sorted as the options say.
    void Rebuild();
    // Where item i is drawn in the current layout (thumbnail size within its cell).
    CellRect Cell(size_t i) const;
    int32_t ScrollMaximum() const;
    // The options dialog on a copy of the options; OK takes it.
    void OptionsDialog();

    EditorPlugin* viewed = nullptr;
    std::vector<TextureItem> items;
    uint32_t maxWidth = 0, maxHeight = 0;
    int32_t selected = -1;
    int32_t cellSize = 32;
    float scroll = 0;
    TextureViewOptions options;

private:
    void Thumb(const TextureItem& item, int32_t* w, int32_t* h) const;
    void TakeSelection();
    EditorPlugin* owner_;
    Viewport* viewport_;
    TextureViewPort port_;
    plat::Menu menu_;
};

class TexturePlugin final : public EditorPlugin {
public:
    TexturePlugin();
    int32_t Attach() override;
    int32_t Detach() override;
    const char* GetName() override { return "Texture Plugin"; }
    const char* GetDescription() override { return "Texture Viewer"; }
    const char* GetAuthor() override { return "Brastow"; }
    int32_t LoadChunk(FileStream*, uint32_t) override { return 0; }
    int32_t HasChunk() override { return 0; }
    int32_t SaveChunk(FileStream*, uint32_t*) override { return 0; }
    const char* GetState() override { return "State ..."; }
    int32_t ResetWorld() override { return 0; }
    int32_t Activate() override;
    int32_t Deactivate() override;
    QvBitmap GetToolbarBitmap(int32_t) override { return nullptr; }
    int32_t DrawViewport(Viewport*) override { return 0; }
    QvMenu GetViewportMenu(Viewport*) override { return nullptr; }
    int32_t OnCommand(int32_t) override { return 0; }
    int32_t GetViewCount() override { return 1; }
    PluginView* GetView(int32_t index) override { return index == 0 ? &prototype_ : nullptr; }
    int32_t GetPortCount() override { return 0; }
    Port* GetPort(int32_t) override { return nullptr; }

private:
    TextureView prototype_;
    QvWnd panel_ = nullptr;
};

}  // namespace qv
