#pragma once
// What the editor's rendering layer draws through: render states in the Direct3D 6 numbering, textures
// by their 1-based slot in the editor's texture table, indexed lists of screen vertices, clearing a
// rectangle. The GL device draws; the recording device keeps every call for tests.
#include <cstdint>
#include <string>
#include <vector>

#include "editor/plugin/PluginApi.h"

namespace qv {

struct PixelRect {
    int32_t left, top, right, bottom;
    bool operator==(const PixelRect&) const = default;
};

// The texture slot of the editor's font atlas (text of the viewports' drawing context).
constexpr uint32_t kFontTextureSlot = 0xFFFFFFFFu;

class RenderDevice {
public:
    virtual ~RenderDevice() = default;
    virtual void SetRenderState(uint32_t state, uint32_t value) = 0;
    virtual void SetTexture(uint32_t slot) = 0;  // 0: none
    // A further texture stage (1 to 7): it multiplies the colour of the stages before it.
    virtual void SetStageTexture(uint32_t stage, uint32_t slot) = 0;
    virtual void DrawIndexed(uint32_t type, const ScreenVertex* vertices, uint32_t vertexCount, const uint16_t* indices,
                             uint32_t indexCount) = 0;
    // Drawing is kept inside the rectangle; clearing fills it with colour 0 and depth 1.
    virtual void SetClip(const PixelRect& rect) = 0;
    virtual void Clear(const PixelRect& rect) = 0;
    virtual void BeginScene() = 0;
    virtual void EndScene() = 0;
};

// Keeps every call as a line of text ("state 27 1", "texture 3", "stage 1 texture 3", "draw 4 v3 i3 z0.5", "clear 0 0 10 10").
class RecordingDevice : public RenderDevice {
public:
    void SetRenderState(uint32_t state, uint32_t value) override;
    void SetTexture(uint32_t slot) override;
    void SetStageTexture(uint32_t stage, uint32_t slot) override;
    void DrawIndexed(uint32_t type, const ScreenVertex* vertices, uint32_t vertexCount, const uint16_t* indices,
                     uint32_t indexCount) override;
    void SetClip(const PixelRect& rect) override;
    void Clear(const PixelRect& rect) override;
    void BeginScene() override;
    void EndScene() override;

    std::vector<std::string> calls;
    // The vertices of every draw, indexed as drawn (three per triangle of a list).
    std::vector<std::vector<ScreenVertex>> draws;
};

}  // namespace qv
