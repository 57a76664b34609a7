#pragma once
// The editor's drawing on the shared GL back end: every viewport draws into the one render target at
// its place in the window (vertices arrive in viewport pixels and are moved by the viewport's origin);
// texture slots of the editor's texture table become GL textures when first drawn with.
#include <map>

#include "editor/render/RenderDevice.h"
#include "platform/gfx/GfxDevice.h"

namespace qv {

class TextureTable;
struct Dib;

// Red, green, blue, alpha bytes, top row first, of a colour bitmap (8, 24 or 32 bits per pixel) with an
// optional 8-bit grey alpha bitmap. Texels whose alpha comes out 0 take magenta, so that filtering
// does not bleed the hidden colour into the edges.
std::vector<uint8_t> DibToRgba(const Dib& colour, const Dib* alpha);

class GfxRenderDevice final : public RenderDevice {
public:
    GfxRenderDevice(plat::GfxDevice* device, TextureTable* textures) : gfx_(device), textures_(textures) {}
    ~GfxRenderDevice() override;

    void SetRenderState(uint32_t state, uint32_t value) override;
    void SetTexture(uint32_t slot) override;
    void SetStageTexture(uint32_t stage, uint32_t slot) override;
    void DrawIndexed(uint32_t type, const ScreenVertex* vertices, uint32_t vertexCount, const uint16_t* indices,
                     uint32_t indexCount) override;
    void SetClip(const PixelRect& rect) override;
    void Clear(const PixelRect& rect) override;
    void BeginScene() override {}
    void EndScene() override { gfx_->Flush(); }

private:
    struct Cached {
        plat::GfxTexture* texture = nullptr;
        const void* source = nullptr;  // the entry's pixel data when made
        bool hadAlpha = false;
    };
    plat::GfxDevice* gfx_;
    TextureTable* textures_;
    std::map<uint32_t, Cached> cache_;
    plat::GfxTexture* font_ = nullptr;  // the font atlas, made at its first use
    PixelRect clip_{0, 0, 0, 0};
    // The GL texture of a slot, made at its first use; null for none.
    plat::GfxTexture* TextureFor(uint32_t slot);
    void DrawLines(bool strip, const uint16_t* indices, uint32_t indexCount);
    static constexpr uint32_t kLineList = 2, kLineStrip = 3, kTriangleList = 4;
    std::vector<plat::GfxVertex> moved_;
};

}  // namespace qv
