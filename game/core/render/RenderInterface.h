#pragma once
// The one object through which all game drawing goes: indexed drawing of screen-space vertices,
// the transformation of model vertices with lighting and per-vertex fog, render states, textures by
// integer handle, scene begin and end, 2D surfaces and the fog range. Its operations form a fixed
// table in slot order (virtual methods, slots 0 to 34).
#include <cstdint>
#include <vector>

#include "game/core/display/Display.h"
#include "game/core/image/ImageRecord.h"
#include "game/core/image/ImageStream.h"

namespace kes {

// Model-space vertex as meshes keep it.
struct SourceVertex {
    float x, y, z, nx, ny, nz, u, v;
};
static_assert(sizeof(SourceVertex) == 32);

// A 4 x 4 matrix as 16 floats, row by row, for row vectors: (x, y, z, 1) x M.
using RenderMatrix = float[16];

// The back buffer's pixels lent to a caller that draws or reads them (screen grabs).
struct BackBufferDC {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> rgba;  // red, green, blue, alpha, top row first
};

// Lighting of mesh vertices by the light table: fills the diffuse colours of out and returns true,
// or returns false when the table holds no light.
using MeshLightingFn = bool (*)(ScreenVertex* out, int32_t count, const SourceVertex* in, const float* world,
                                float radius, uint32_t alpha);
void SetMeshLighting(MeshLightingFn fn);

constexpr uint32_t kHandleTableSize = 1024;  // word 0: handles in use; words 1..1023: device handles

class RenderInterface {
public:
    RenderInterface();
    virtual ~RenderInterface() = default;

    virtual int32_t DrawIndexed(uint32_t type, uint32_t vertexCount, ScreenVertex* vertices, uint32_t indexCount,
                                uint16_t* indices, uint32_t flags);                                    // 0
    virtual int32_t TransformVertices(const float* model, ScreenVertex* out, int32_t count, const SourceVertex* in,
                                      uint32_t indexCount, const uint16_t* indices, uint32_t flags);   // 1
    virtual int32_t SetState(uint32_t state, uint32_t value);                                          // 2
    virtual int32_t SelectTexture(uint32_t handle);                                                    // 3
    virtual int32_t SetColour(uint32_t rgb);                                                           // 4
    virtual int32_t Empty5();                                                                          // 5
    virtual int32_t Empty6(uint32_t);                                                                  // 6
    virtual int32_t Empty7(uint32_t);                                                                  // 7
    virtual int32_t LoadTextureRecord(ImageStream& stream, uint32_t* outHandle, uint32_t keepFormat,
                                      uint32_t halfSize);                                              // 8
    virtual int32_t CreateTextureFromImage(const char* name, ImageRecord* image, uint32_t* outHandle,
                                           uint32_t flags);                                            // 9
    virtual int32_t ReleaseTextureSurface(uint32_t handle);                                            // 10
    virtual int32_t ReleaseDeviceTextures();                                                           // 11
    virtual int32_t UpdateTexture(uint32_t handle, ImageRecord* image, uint32_t flags);                // 12
    virtual int32_t ReleaseTexture(uint32_t handle);                                                   // 13
    virtual int32_t ReleaseAllTextures();                                                              // 14
    virtual int32_t BeginScene();                                                                      // 15
    virtual int32_t ClearDepth();                                                                      // 16
    virtual int32_t EndScene();                                                                        // 17
    virtual int32_t Present();                                                                         // 18
    virtual int32_t FlushTranslucent();                                                                // 19
    virtual int32_t GetScreenSize(uint32_t* width, uint32_t* height);                                  // 20
    virtual int32_t GetBackBufferDC(BackBufferDC** out);                                               // 21
    virtual int32_t ReleaseBackBufferDC(BackBufferDC* dc);                                             // 22
    virtual Surface2D* CreateSurface(uint32_t width, uint32_t height);                                 // 23
    virtual Surface2D* CreateSurfaceFromImage(ImageRecord* image);                                     // 24
    virtual int32_t FreeSurface(Surface2D* surface);                                                   // 25
    virtual int32_t BlitSurface(Surface2D* source, const Rect* sourceRect, Surface2D* dest,
                                const Rect* destRect);                                                 // 26
    virtual int32_t BlitToScreen(Surface2D* source, const Rect* sourceRect, const float* dest);       // 27
    virtual int32_t SetFogEnable(uint32_t enable);                                                     // 28
    virtual int32_t SetFogRange(float start, float end);                                               // 29
    virtual int32_t Empty30(uint32_t);                                                                 // 30
    virtual int32_t Empty31(uint32_t, uint32_t);                                                       // 31
    virtual int32_t Empty32(uint32_t);                                                                 // 32
    virtual int32_t Empty33(uint32_t);                                                                 // 33
    virtual int32_t Empty34(uint32_t);                                                                 // 34

    float fogStart = 2.0f;
    float fogScale = 0.12762763f;  // 255 / (2000 - 2)
    uint32_t fogEnabled = 0;
    const float* viewProjection = nullptr;  // 16 floats, set from the active camera each frame
    uint32_t currentColour = 0xFFFFFFFF;
    uint32_t* handleTable = nullptr;        // null: the built-in table on first use
    uint32_t builtInHandleTable[kHandleTableSize] = {};

    // The table in use (the built-in one when none is set).
    uint32_t* Handles();
    // Display initialisation points the handle table back at the built-in one.
    void ResetHandleTable() { handleTable = nullptr; }

private:
    // Finds a free interface handle as the allocation rule says; 0 when the table is full.
    uint32_t FreeHandle();
    int32_t StoreHandle(uint32_t index, uint32_t deviceHandle, uint32_t* outHandle);
};

// The global instance.
RenderInterface& TheRenderInterface();

}  // namespace kes
