#include "game/core/render/RenderInterface.h"

#include <cfenv>
#include <cmath>

#include "game/core/texture/TextureContainer.h"

namespace kes {

namespace {
MeshLightingFn g_lighting = nullptr;
}

void SetMeshLighting(MeshLightingFn fn) { g_lighting = fn; }

RenderInterface& TheRenderInterface() {
    static RenderInterface instance;
    return instance;
}

RenderInterface::RenderInterface() = default;

uint32_t* RenderInterface::Handles() {
    if (!handleTable) handleTable = builtInHandleTable;
    return handleTable;
}

int32_t RenderInterface::DrawIndexed(uint32_t type, uint32_t vertexCount, ScreenVertex* vertices, uint32_t indexCount,
                                     uint16_t* indices, uint32_t flags) {
    RenderDrawIndexed(type, vertexCount, vertices, indexCount, indices, flags);
    return 0;
}

int32_t RenderInterface::TransformVertices(const float* model, ScreenVertex* out, int32_t count, const SourceVertex* in,
                                           uint32_t, const uint16_t*, uint32_t flags) {
    if (!out || !in || count <= 0) return 0;
    static const float kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    const float* view = viewProjection ? viewProjection : kIdentity;
    float w[16];
    if (model) {
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) {
                float sum = 0;
                for (int k = 0; k < 4; ++k) sum += model[i * 4 + k] * view[k * 4 + j];
                w[i * 4 + j] = sum;
            }
    } else {
        for (int i = 0; i < 16; ++i) w[i] = view[i];
    }
    flags &= 0xFF;
    bool lit = false;
    if ((flags & 1) && g_lighting) lit = g_lighting(out, count, in, model, 100.0f, 255);
    if (!lit && !(flags & 2))
        for (int32_t i = 0; i < count; ++i) out[i].diffuse = currentColour;
    for (int32_t i = 0; i < count; ++i) {
        const SourceVertex& p = in[i];
        const float c0 = p.x * w[0] + p.y * w[4] + p.z * w[8] + w[12];
        const float c1 = p.x * w[1] + p.y * w[5] + p.z * w[9] + w[13];
        const float c2 = p.x * w[2] + p.y * w[6] + p.z * w[10] + w[14];
        float c3 = p.x * w[3] + p.y * w[7] + p.z * w[11] + w[15];
        // A vertex in the camera plane would divide by zero: the same guard with fog as without.
        if (std::fabs(c3) < 1e-5f) c3 = c3 - 1.0f;
        const float rhw = 1.0f / c3;
        ScreenVertex& o = out[i];
        if (fogEnabled) {
            // Converted in the current rounding mode (truncation while a frame is drawn).
            const long fog = std::lrint(255.0f - (c3 - fogStart) * fogScale);
            o.specular = fog < 1 ? 0u : fog < 255 ? static_cast<uint32_t>(fog) << 24 : 0xFF000000u;
        } else {
            o.specular = 0xFF000000u;
        }
        o.sx = c0 * rhw;
        o.sy = c2 * rhw;
        o.sz = c1 * rhw;
        o.rhw = rhw;
        o.u = p.u;
        o.v = p.v;
    }
    return 0;
}

int32_t RenderInterface::SetState(uint32_t state, uint32_t value) {
    RenderSetState(state, value);
    return 0;
}

int32_t RenderInterface::SelectTexture(uint32_t handle) {
    // Any handle whose word holds a device handle is valid, wherever it lies below the count.
    const uint32_t* t = Handles();
    const uint32_t device = (handle >= 1 && handle < kHandleTableSize) ? t[handle] : 0;
    RenderSelectTexture(device);
    return 0;
}

int32_t RenderInterface::SetColour(uint32_t rgb) {
    currentColour = rgb | 0xFF000000u;
    return 0;
}

int32_t RenderInterface::Empty5() { return 0; }
int32_t RenderInterface::Empty6(uint32_t) { return 0; }
int32_t RenderInterface::Empty7(uint32_t) { return 0; }
int32_t RenderInterface::Empty30(uint32_t) { return 0; }
int32_t RenderInterface::Empty31(uint32_t, uint32_t) { return 0; }
int32_t RenderInterface::Empty32(uint32_t) { return 0; }
int32_t RenderInterface::Empty33(uint32_t) { return 0; }
int32_t RenderInterface::Empty34(uint32_t) { return 0; }

uint32_t RenderInterface::FreeHandle() {
    uint32_t* t = Handles();
    const uint32_t n = t[0];
    for (uint32_t i = 1; i <= n && i < kHandleTableSize; ++i)
        if (t[i] == 0) return i;
    return n + 1 < kHandleTableSize ? n + 1 : 0;
}

int32_t RenderInterface::StoreHandle(uint32_t index, uint32_t deviceHandle, uint32_t* outHandle) {
    uint32_t* t = Handles();
    t[index] = deviceHandle;
    ++t[0];
    if (outHandle) *outHandle = index;
    return 0;
}

int32_t RenderInterface::LoadTextureRecord(ImageStream& stream, uint32_t* outHandle, uint32_t keepFormat,
                                           uint32_t halfSize) {
    if (outHandle) *outHandle = 0;
    const char* name = nullptr;
    const int32_t r = ReadTextureRecord(stream, &name, keepFormat, halfSize);
    if (r != 0) return r;
    TextureContainer* c = FindTexture(name);
    const uint32_t index = FreeHandle();
    const bool held = DeviceTextureFind(name) != 0;
    if (!index) {
        if (c && !held) DestroyTexture(name);
        return kNoFreeTextureHandle;
    }
    uint32_t device = 0;
    const int32_t a = DeviceTextureAcquire(c, &device);
    if (a != 0) {
        if (c && !held) DestroyTexture(name);
        return a;
    }
    return StoreHandle(index, device, outHandle);
}

int32_t RenderInterface::CreateTextureFromImage(const char* name, ImageRecord* image, uint32_t* outHandle,
                                                uint32_t flags) {
    if (outHandle) *outHandle = 0;
    const uint32_t index = FreeHandle();
    if (!index) {
        FreeImage(image);
        return kNoFreeTextureHandle;
    }
    TextureContainer* c = FindTexture(name);
    if (c) {
        FreeImage(image);  // the texture of that name is shared
    } else {
        const int32_t r = NewTextureContainer(name, image, flags & 1);
        if (r != 0) {
            FreeImage(image);
            return r;
        }
        c = FindTexture(name);
    }
    const bool held = DeviceTextureFind(name) != 0;
    uint32_t device = 0;
    const int32_t a = DeviceTextureAcquire(c, &device);
    if (a != 0) {
        if (!held) DestroyTexture(name);
        return a;
    }
    return StoreHandle(index, device, outHandle);
}

int32_t RenderInterface::ReleaseTextureSurface(uint32_t handle) {
    const uint32_t* t = Handles();
    if (handle < 1 || handle >= kHandleTableSize || !t[handle]) return 0;
    if (TextureContainer* c = DeviceTextureContainer(t[handle])) kes::ReleaseTextureSurface(c->name);
    RenderTextureChanged();
    return 0;
}

int32_t RenderInterface::ReleaseDeviceTextures() {
    ReleaseAllTextureSurfaces();
    RenderTextureChanged();
    return 0;
}

int32_t RenderInterface::UpdateTexture(uint32_t handle, ImageRecord* image, uint32_t flags) {
    const uint32_t* t = Handles();
    TextureContainer* c = (handle >= 1 && handle < kHandleTableSize && t[handle]) ? DeviceTextureContainer(t[handle])
                                                                                    : nullptr;
    if (!c) {
        FreeImage(image);
        return kTextureRebuildFailed;
    }
    const int32_t r = ReplaceAlphaImage(c->name, image, DisplayGfx(), flags);
    RenderTextureChanged();
    return r == 0 ? 0 : kTextureRebuildFailed;
}

int32_t RenderInterface::ReleaseTexture(uint32_t handle) {
    uint32_t* t = Handles();
    // Releasing a free handle changes nothing (the count must not fall below the handles in use).
    if (handle < 1 || handle >= kHandleTableSize || !t[handle]) return 0;
    DeviceTextureRelease(t[handle]);
    t[handle] = 0;
    if (t[0]) --t[0];
    return 0;
}

int32_t RenderInterface::ReleaseAllTextures() {
    uint32_t* t = Handles();
    while (t[0]) {
        uint32_t lowest = 0;
        for (uint32_t i = 1; i < kHandleTableSize && !lowest; ++i)
            if (t[i]) lowest = i;
        if (!lowest) {
            t[0] = 0;  // a count without handles behind it
            break;
        }
        ReleaseTexture(lowest);  // through the table, as a derived interface may change it
    }
    return 0;
}

int32_t RenderInterface::BeginScene() { return RenderBeginScene(); }
int32_t RenderInterface::ClearDepth() { return RenderClearDepth(); }
int32_t RenderInterface::EndScene() { return RenderEndScene(); }
int32_t RenderInterface::Present() { return RenderPresent(); }
int32_t RenderInterface::FlushTranslucent() { return RenderFlushTranslucent(); }

int32_t RenderInterface::GetScreenSize(uint32_t* width, uint32_t* height) {
    GetRenderSize(width, height);
    return 0;
}

int32_t RenderInterface::GetBackBufferDC(BackBufferDC** out) {
    if (!out) return -1;
    auto* dc = new BackBufferDC;
    GetRenderSize(&dc->width, &dc->height);
    dc->rgba = RenderReadBackBuffer();
    *out = dc;
    return 0;
}

int32_t RenderInterface::ReleaseBackBufferDC(BackBufferDC* dc) {
    delete dc;
    return 0;
}

Surface2D* RenderInterface::CreateSurface(uint32_t width, uint32_t height) { return kes::CreateSurface(width, height); }
Surface2D* RenderInterface::CreateSurfaceFromImage(ImageRecord* image) { return kes::CreateSurfaceFromImage(image); }
int32_t RenderInterface::FreeSurface(Surface2D* surface) { return kes::FreeSurface(surface); }
int32_t RenderInterface::BlitSurface(Surface2D* source, const Rect* sourceRect, Surface2D* dest, const Rect* destRect) {
    return kes::BlitSurface(source, sourceRect, dest, destRect);
}
int32_t RenderInterface::BlitToScreen(Surface2D* source, const Rect* sourceRect, const float* dest) {
    return kes::BlitToScreen(source, sourceRect, dest);
}

int32_t RenderInterface::SetFogEnable(uint32_t enable) {
    fogEnabled = enable;
    return 0;
}

int32_t RenderInterface::SetFogRange(float start, float end) {
    fogStart = start;
    // An empty range would divide by zero: it fogs everything beyond its start at once.
    fogScale = end != start ? 255.0f / (end - start) : 255.0f;
    return 0;
}

}  // namespace kes
