#pragma once
// Text onto the current frame of the rendering layer: the drawing context a viewport lends to plug-ins.
// Characters are quads cut from the editor's font atlas, drawn blended over the frame at once (not
// kept back with the sorted blended triangles), in the pixels of the current viewport.
#include "editor/plugin/PluginApi.h"
#include "editor/render/FontAtlas.h"
#include "editor/render/RenderLayer.h"

namespace qv {

class TextContext final : public QvDCObject {
public:
    TextContext(RenderLayer* layer, const FontAtlas* font = &FontAtlas::Editor()) : layer_(layer), font_(font) {}

    uint32_t SetTextColor(uint32_t colour) override;
    uint32_t SetBkColor(uint32_t colour) override;
    int32_t SetBkMode(int32_t mode) override;
    int32_t TextOut(int32_t x, int32_t y, const char* text, int32_t length) override;
    int32_t GetTextExtent(const char* text, int32_t length, int32_t* width, int32_t* height) override;

    // Back to black text on white, opaque (a context handed out again starts as new).
    void Reset();

private:
    RenderLayer* layer_;
    const FontAtlas* font_;
    uint32_t textColour_ = 0x000000;
    uint32_t backColour_ = 0xFFFFFF;
    int32_t backMode_ = 2;
};

}  // namespace qv
