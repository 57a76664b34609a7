#pragma once
// The editor's drawing layer: a table of viewport rectangles, render states passed to the device (with
// alpha blending only recorded, so that blended triangles are kept back and drawn after everything
// else, sorted back to front), the current texture slot and a transform to screen space.
#include <cstdint>
#include <vector>

#include "editor/render/RenderDevice.h"

namespace qv {

enum : uint32_t {
    kRenderFailed = 0x81233000,
    kRenderTextureFile = 0x81233001,
    kRenderTextureSurface = 0x81233002,
    kRenderTextureWrite = 0x81233003,
    kRenderTextureMemory = 0x81233004,
};

// The state that really sets alpha blending on the device (27 itself is only recorded).
constexpr uint32_t kStateAlphaBlendNow = 666;

class RenderLayer {
public:
    // Sets the default render states on the device. The requested size is what viewport 0 covers.
    RenderLayer(RenderDevice* device, int32_t width, int32_t height);

    // Viewport rectangles: entry 0 is the whole requested size; others are appended, never removed.
    int32_t AddViewport(int32_t x, int32_t y, int32_t w, int32_t h);
    int32_t SetViewport(int32_t index, int32_t x, int32_t y, int32_t w, int32_t h);
    int32_t SelectViewport(int32_t index);  // kRenderFailed outside the table
    int32_t CurrentViewport() const { return current_; }
    size_t ViewportCount() const { return rects_.size(); }
    PixelRect ViewportRect(int32_t index) const;
    void SetSize(int32_t width, int32_t height);

    int32_t SetRenderState(uint32_t state, uint32_t value);
    int32_t DrawPrimitive(uint32_t type, uint32_t vertexCount, const ScreenVertex* vertices, uint32_t indexCount,
                          const uint16_t* indices);
    int32_t SetTexture(uint32_t slot);
    // Binds a slot to a texture stage of the device at once: stage 0 becomes the current texture,
    // each of stages 1 to kTextureStages - 1 multiplies the colour of the stages before it.
    // kRenderFailed for a stage beyond them.
    static constexpr uint32_t kTextureStages = 8;
    int32_t SetStageTexture(uint32_t stage, uint32_t slot);
    uint32_t CurrentTexture() const { return texture_; }

    // Projects `count` vertices of 32 bytes (x, y, z, five words; u and v are words 7 and 8) through the
    // matrix (four rows of four, each output a row times (x, y, z, 1)) around the screen centre. Flags
    // bit 0 takes the constant vertex colour, else the input's word 5.
    void Transform(const float matrix[16], ScreenVertex* out, uint32_t count, const float* in, uint32_t flags) const;
    void SetVertexColour(uint32_t colour) { vertexColour_ = colour; }

    void Clear();
    void BeginFrame();
    // Draws the kept-back blended triangles, then ends the scene.
    void EndFrame();
    uint32_t TrianglesThisFrame() const { return triangles_; }
    bool AlphaRecording() const { return alphaRecording_; }

    RenderDevice* Device() const { return device_; }

private:
    struct Deferred {
        uint32_t slot;
        ScreenVertex v[3];
        float key;
    };
    void ApplyTexture();
    void DrawDeferred();

    RenderDevice* device_;
    int32_t width_, height_;
    std::vector<PixelRect> rects_;
    int32_t current_ = 0;
    uint32_t texture_ = 0;
    bool texturePending_ = false;
    bool alphaRecording_ = false;
    uint32_t vertexColour_ = 0xFFFFFFFFu;
    uint32_t triangles_ = 0;
    std::vector<Deferred> deferred_;  // grows as needed: no fixed buffer to overflow
};

}  // namespace qv
