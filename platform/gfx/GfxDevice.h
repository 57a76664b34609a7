#pragma once
// The game's drawing device over SDL2 and OpenGL 3.3: a window with a GL context, a framebuffer
// object of the render size into which everything is drawn, presented scaled to the window at 4:3.
// Vertices arrive transformed and lit in screen space (x, y, z, rhw, diffuse, specular, u, v); render
// states use the Direct3D 6 numbering of GfxStates.h and are emulated in the shaders. Draws are
// gathered into batches and sent to GL only when the state that affects them changes.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/gfx/GfxStates.h"

namespace plat {

// One transformed, lit vertex (32 bytes): pixel centres lie at integer x, y; z 0..1; rhw = 1 / w;
// diffuse ARGB; specular ARGB whose alpha byte is the vertex fog factor (255 = no fog); u, v.
struct GfxVertex {
    float sx, sy, sz, rhw;
    uint32_t diffuse;
    uint32_t specular;
    float u, v;
};
static_assert(sizeof(GfxVertex) == 32);

// One mip level of a texture: width x height texels of 4 bytes (red, green, blue, alpha), top row first.
struct GfxLevel {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;
};

// A mip level whose texels the caller holds (same layout as GfxLevel).
struct GfxLevelView {
    int width = 0;
    int height = 0;
    const uint8_t* rgba = nullptr;
};

class GfxTexture;
class GfxSurface;

struct GfxRect {
    int left, top, right, bottom;
};

struct GfxConfig {
    const char* title = "Gravelon";
    int windowWidth = 640;
    int windowHeight = 480;
    int renderWidth = 640;
    int renderHeight = 480;
    bool fullScreen = false;
    bool hidden = false;     // tests and benchmarks keep the window hidden
    int swapInterval = 1;    // 1 = wait for the vertical blank where the driver offers it
    // The frame is shown at 4:3 in the window; off, it covers the whole window (a caller whose render
    // size follows the window's).
    bool keepAspect = true;
};

// Sanitizer builds: keeps the GL driver's libraries loaded to the end of the process so that the leak
// check can name (and pass over) the driver's own allocations. Call after making any GL context
// outside GfxDevice (dialogs). Nothing in other builds.
void KeepGlDriverLoaded();

// What the GL device behind a GfxDevice offers of the features the game's settings ask about.
struct GfxFeatures {
    bool zBuffer = false;      // the render target has a depth buffer
    bool gouraud = false;      // colours interpolated across triangles
    bool perspective = false;  // perspective-correct texturing
    bool chromaKey = false;    // texels of the key colour dropped (fragment discard)
    bool alphaBlend = false;
    bool bilinear = false;     // linear filtering of textures
    bool trilinear = false;    // linear filtering between mip levels
    bool mipMapping = false;
};

struct GfxDisplayMode {
    int width, height, bitsPerPixel;
};

class GfxDevice {
public:
    // Opens the window and GL context and the render target. Null on failure with the reason in
    // *error: "video" (no video system), "window", "context" (no GL 3.3) or "target" (no
    // framebuffer object), then SDL's text.
    static std::unique_ptr<GfxDevice> Create(const GfxConfig& config, std::string* error);
    ~GfxDevice();
    GfxDevice(const GfxDevice&) = delete;
    GfxDevice& operator=(const GfxDevice&) = delete;

    // The GL renderer's name and the display modes the system reports (desktop mode included).
    std::string RendererName() const;
    static std::vector<GfxDisplayMode> DisplayModes();
    // Asks the GL device what it offers: its version, texture limits and the render target's depth.
    GfxFeatures Features() const;
    // The same from a small hidden device made for the question; all false when none can be made.
    static GfxFeatures ProbeFeatures();

    // The render target; changing its size keeps textures and surfaces.
    bool SetRenderSize(int width, int height);
    int RenderWidth() const { return renderWidth_; }
    int RenderHeight() const { return renderHeight_; }
    void SetWindowSize(int width, int height);

    // Drawing is clipped to this rectangle of the render target (pixels).
    void SetClipRect(const GfxRect& rect);
    void ClearDepth(const GfxRect& rect, float depth = 1.0f);
    void ClearColour(const GfxRect& rect, uint32_t argb);

    // Render states in the Direct3D 6 numbering; unknown states are kept and ignored.
    void SetRenderState(uint32_t state, uint32_t value);
    uint32_t RenderState(uint32_t state) const;
    void SetTexture(GfxTexture* texture);  // null: no texture
    // Texture stages: stage 0 is the texture of SetTexture; each further stage that holds a texture
    // multiplies the colour of the stages before it by its texel (same texture coordinates), the
    // alpha staying as they left it. Stages 1 to kTextureStages - 1; others are ignored.
    static constexpr int kTextureStages = 8;
    void SetStageTexture(int stage, GfxTexture* texture);

    // Draws an indexed list, strip or fan. The triangles join the current batch.
    void DrawIndexed(uint32_t primitiveType, const GfxVertex* vertices, uint32_t vertexCount,
                     const uint16_t* indices, uint32_t indexCount);
    // Sends the batch to GL now.
    void Flush();

    // Textures from prepared mip chains (level 0 first, each the next smaller size).
    GfxTexture* CreateTexture(const std::vector<GfxLevel>& levels, bool hasAlpha);
    GfxTexture* CreateTexture(const GfxLevelView* levels, size_t count, bool hasAlpha);
    void DestroyTexture(GfxTexture* texture);
    // Texels whose colour equals the key (0xRRGGBB) are dropped while colour keying is on.
    void SetColourKey(GfxTexture* texture, bool enabled, uint32_t rgb);

    // 2D surfaces: pixels kept in memory (red, green, blue, alpha, top row first).
    GfxSurface* CreateSurface(int width, int height);
    void DestroySurface(GfxSurface* surface);
    static int SurfaceWidth(const GfxSurface* surface);
    static int SurfaceHeight(const GfxSurface* surface);
    static uint8_t* SurfacePixels(GfxSurface* surface);  // width x height x 4 bytes
    void SurfaceChanged(GfxSurface* surface);             // the pixels were written
    // Stretches a source rectangle onto a destination rectangle (null: whole surface), nearest texel.
    static void BlitSurface(const GfxSurface* source, const GfxRect* sourceRect, GfxSurface* dest,
                            const GfxRect* destRect);
    // Draws a surface rectangle onto the render target; no depth, blending, fog or culling.
    void BlitToScreen(GfxSurface* source, const GfxRect* sourceRect, const GfxRect& destRect);
    // Copies the render target (scaled to fit) into a surface.
    void CopyBackBufferToSurface(GfxSurface* dest);

    // Shows the frame: the render target scaled into the window at 4:3 (or over all of it, see
    // GfxConfig::keepAspect), then the buffer swap.
    void Present();
    // Where Present puts the frame in a window of that size (GL's bottom-up rows): the largest 4:3
    // rectangle that fits, centred; the rest of the window stays black.
    static GfxRect PresentRect(int windowWidth, int windowHeight);
    // The render target as red, green, blue, alpha bytes, top row first.
    std::vector<uint8_t> ReadFrame();
    // The depth buffer at one pixel of the render target (top row 0): 0.0 near .. 1.0 far. False
    // outside the target.
    bool ReadDepth(int x, int y, float* depth);

    // Waits until GL has finished everything sent so far (timing).
    void Finish();

    // GL draw calls issued since the last reset (batches and blits).
    uint32_t DrawCalls() const { return drawCalls_; }
    void ResetDrawCalls() { drawCalls_ = 0; }

private:
    GfxDevice() = default;
    struct Impl;
    std::unique_ptr<Impl> impl_;
    int renderWidth_ = 0;
    int renderHeight_ = 0;
    uint32_t drawCalls_ = 0;
    friend struct GfxDeviceAccess;
};

}  // namespace plat
