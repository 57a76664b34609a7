#include "game/core/display/Display.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "game/core/texture/TextureContainer.h"
#include "platform/gfx/GfxDevice.h"

namespace kes {

namespace {

namespace rs = plat::rs;

constexpr uint32_t kBitCullCCW = 1u << 0;
constexpr uint32_t kBitColourKey = 1u << 2;
constexpr uint32_t kBitImmediateBlend = 1u << 3;

struct QueuedTriangle {
    ScreenVertex v[3];
    uint32_t texture;
};

struct DeviceTexture {
    TextureContainer* container = nullptr;
    uint32_t refs = 0;
};

struct DisplayState {
    std::unique_ptr<plat::GfxDevice> gfx;
    bool fullScreen = false;
    uint32_t renderWidth = 640, renderHeight = 480;
    uint32_t modeWidth = 640, modeHeight = 480, modeBits = 16;
    int32_t windowX = 0, windowY = 0;
    uint32_t generation = 0;
    Rect viewports[kMaxViewports] = {};
    uint32_t viewportCount = 0;
    uint32_t currentViewport = 0;
    bool alphaTest = true;
    uint32_t stateBits = 1, sentBits = 1;
    bool queueing = false;
    float sortBias = 0.0f;
    bool texturePending = false;
    uint32_t currentTexture = 0;
    DeviceTexture textures[kMaxDeviceTextures + 1];
    std::vector<QueuedTriangle> queue;
    std::vector<std::pair<uint32_t, uint32_t>> keys;
    std::vector<ScreenVertex> queueVertices;
    std::vector<uint16_t> queueIndices;
    uint32_t submitted = 0;
    uint32_t fromQueue = 0;
    DeviceStateObserver observer = nullptr;
};

DisplayState& S() {
    static DisplayState state;
    return state;
}

void SendState(uint32_t state, uint32_t value) {
    DisplayState& s = S();
    if (s.observer) s.observer(state, value);
    if (s.gfx) s.gfx->SetRenderState(state, value);
}

// A sort key whose unsigned order is the order of the float values, negative ones included.
uint32_t OrderedKey(float f) {
    uint32_t b;
    std::memcpy(&b, &f, 4);
    return (b & 0x80000000u) ? ~b : (b | 0x80000000u);
}

// Sets a handle's texture on stage 0, making the device texture again when it was released.
void ApplyTexture(uint32_t handle) {
    DisplayState& s = S();
    if (!s.gfx) return;
    plat::GfxTexture* t = nullptr;
    if (handle >= 1 && handle <= kMaxDeviceTextures && s.textures[handle].container) {
        TextureContainer* c = s.textures[handle].container;
        if (!c->texture) CreateTextureSurface(c, s.gfx.get());
        t = c->texture;
    }
    s.gfx->SetTexture(t);
}

void SendChangedBits() {
    DisplayState& s = S();
    const uint32_t changed = s.stateBits ^ s.sentBits;
    if (changed & kBitColourKey) {
        const uint32_t on = (s.stateBits & kBitColourKey) ? 1 : 0;
        if (s.alphaTest) {
            SendState(rs::kAlphaTestEnable, on);
            if (on) {
                SendState(rs::kAlphaRef, 128);
                SendState(rs::kAlphaFunc, rs::kCmpGreaterEqual);
            } else {
                SendState(rs::kAlphaFunc, rs::kCmpAlways);
            }
        } else {
            SendState(rs::kColorKeyEnable, on);
        }
    }
    if (changed & kBitCullCCW) SendState(rs::kCullMode, (s.stateBits & kBitCullCCW) ? rs::kCullCCW : rs::kCullNone);
    if (changed & kBitImmediateBlend) SendState(rs::kAlphaBlendEnable, (s.stateBits & kBitImmediateBlend) ? 1 : 0);
    s.sentBits = s.stateBits;
}

void ResetViewports() {
    DisplayState& s = S();
    s.viewportCount = 1;
    s.currentViewport = 0;
    s.viewports[0] = Rect{0, 0, static_cast<int32_t>(s.renderWidth), static_cast<int32_t>(s.renderHeight)};
    if (s.gfx) s.gfx->SetClipRect({0, 0, static_cast<int>(s.renderWidth), static_cast<int>(s.renderHeight)});
}

void FillSurfaceFromImage(Surface2D* surface) {
    if (!surface->image || !surface->surface) return;
    const ImageRecord& img = *surface->image;
    uint8_t* out = plat::GfxDevice::SurfacePixels(surface->surface);
    const uint32_t w = std::min<uint32_t>(img.width, surface->width);
    const uint32_t h = std::min<uint32_t>(img.height, surface->height);
    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t* row = img.pixels + static_cast<size_t>(y) * img.stride;
        for (uint32_t x = 0; x < w; ++x) {
            uint8_t* p = out + (static_cast<size_t>(y) * surface->width + x) * 4;
            uint8_t r = 0, g = 0, b = 0;
            switch (img.format) {
            case kImage24: r = row[x * 3]; g = row[x * 3 + 1]; b = row[x * 3 + 2]; break;
            case kImage32: b = row[x * 4]; g = row[x * 4 + 1]; r = row[x * 4 + 2]; break;
            case kImage16: {
                const uint16_t v = static_cast<uint16_t>(row[x * 2] | (row[x * 2 + 1] << 8));
                r = static_cast<uint8_t>(((v >> 10) & 31) * 255 / 31);
                g = static_cast<uint8_t>(((v >> 5) & 31) * 255 / 31);
                b = static_cast<uint8_t>((v & 31) * 255 / 31);
                break;
            }
            case kImagePaletted:
                if (img.palette) {
                    const uint32_t c = img.palette[row[x]];
                    r = static_cast<uint8_t>(c >> 16); g = static_cast<uint8_t>(c >> 8); b = static_cast<uint8_t>(c);
                }
                break;
            default: r = g = b = row[x]; break;
            }
            p[0] = r; p[1] = g; p[2] = b; p[3] = 255;
        }
    }
    S().gfx->SurfaceChanged(surface->surface);
}

// A surface made in an older device generation is made again and refilled before use.
bool ReadySurface(Surface2D* surface) {
    DisplayState& s = S();
    if (!surface || !surface->surface || !s.gfx) return false;
    if (surface->generation != s.generation) {
        FillSurfaceFromImage(surface);
        surface->generation = s.generation;
    }
    return true;
}

}  // namespace

void SetDeviceStateObserver(DeviceStateObserver observer) { S().observer = observer; }
void SetAlphaTestCapability(bool capable) { S().alphaTest = capable; }
bool DeviceReady() { return S().gfx != nullptr; }
plat::GfxDevice* DisplayGfx() { return S().gfx.get(); }
uint32_t DeviceGeneration() { return S().generation; }

int32_t DeviceInit(const DeviceGuid& driver, const DeviceGuid& device, uint32_t width, uint32_t height,
                   uint32_t bitsPerPixel, const char* windowTitle, uint32_t flags) {
    DisplayState& s = S();
    s.gfx.reset();
    s.fullScreen = !(driver == kPrimaryDriverGuid) || (flags & kDeviceFullScreen);
    s.renderWidth = s.modeWidth = width;
    s.renderHeight = s.modeHeight = height;
    s.modeBits = bitsPerPixel;
    for (DeviceTexture& t : s.textures) t.refs = 0;
    s.queue.clear();
    s.keys.clear();
    s.queueing = false;
    s.viewportCount = 0;
    s.currentViewport = 0;
    s.queue.reserve(kTranslucentCapacity);
    s.keys.reserve(kTranslucentCapacity);
    s.queueVertices.resize(kTranslucentCapacity * 3);
    s.queueIndices.resize(kTranslucentCapacity * 3);
    for (uint32_t i = 0; i < kTranslucentCapacity * 3; ++i) s.queueIndices[i] = static_cast<uint16_t>(i);
    if (!GetDeviceList()) EnumerateDevices();
    SelectDeviceByGuid(driver, device, 640, 480);
    if (bitsPerPixel != 0 && bitsPerPixel <= 8) return kNeeds16BitMode;
    if (width == 0 || height == 0) return kNoBackBuffer;

    plat::GfxConfig config;
    config.title = windowTitle ? windowTitle : "Gravelon";
    config.windowWidth = static_cast<int>(width);
    config.windowHeight = static_cast<int>(height);
    config.renderWidth = static_cast<int>(width);
    config.renderHeight = static_cast<int>(height);
    config.fullScreen = s.fullScreen;
    config.hidden = (flags & kDeviceHidden) != 0;
    config.swapInterval = (flags & kDeviceNoVsync) ? 0 : 1;
    std::string error;
    s.gfx = plat::GfxDevice::Create(config, &error);
    if (!s.gfx) {
        if (error.rfind("video", 0) == 0) return kNoDirectDraw;
        if (error.rfind("target", 0) == 0) return kNoBackBuffer;
        return kNo3DDevice;  // no window with a GL 3.3 context
    }
    s.stateBits = s.sentBits = 1;
    ResetViewports();
    return 0;
}

void DeviceShutdown() {
    DisplayState& s = S();
    if (s.gfx) {
        s.gfx->SetTexture(nullptr);
        ReleaseAllTextureSurfaces();
    }
    s.gfx.reset();
    s.queue.clear();
    s.keys.clear();
    s.currentTexture = 0;
}

int32_t SetDisplayMode(uint32_t width, uint32_t height, uint32_t bitsPerPixel) {
    DisplayState& s = S();
    if (!s.fullScreen) {
        SetRenderSize(width, height);
        return 0;
    }
    if (width == s.modeWidth && height == s.modeHeight && bitsPerPixel == s.modeBits) return 0;
    DeviceEntry* device = nullptr;
    if (GetSelectedDevice(nullptr, &device) != 0 || !device) return -1;
    ModeEntry* mode = device->modes;
    while (mode && !(mode->width == width && mode->height == height && mode->bitsPerPixel == bitsPerPixel))
        mode = mode->next;
    if (!mode) return -1;
    device->selectedMode = mode;
    if (s.gfx) {
        s.gfx->SetTexture(nullptr);
        ReleaseAllTextureSurfaces();
        if (!s.gfx->SetRenderSize(static_cast<int>(width), static_cast<int>(height))) return -1;
    }
    s.modeWidth = s.renderWidth = width;
    s.modeHeight = s.renderHeight = height;
    s.modeBits = bitsPerPixel;
    ++s.generation;
    s.texturePending = true;
    if (s.gfx) {
        const plat::GfxRect all{0, 0, static_cast<int>(width), static_cast<int>(height)};
        s.gfx->ClearColour(all, 0xFF000000);
        s.gfx->Present();
        s.gfx->ClearColour(all, 0xFF000000);
    }
    s.viewports[0] = Rect{0, 0, static_cast<int32_t>(width), static_cast<int32_t>(height)};
    if (s.viewportCount == 0) s.viewportCount = 1;
    if (s.currentViewport == 0 && s.gfx) s.gfx->SetClipRect({0, 0, static_cast<int>(width), static_cast<int>(height)});
    return 0;
}

void SetRenderSize(uint32_t width, uint32_t height) {
    DisplayState& s = S();
    if (width == 0 || height == 0) return;
    if (s.gfx && !s.gfx->SetRenderSize(static_cast<int>(width), static_cast<int>(height))) return;
    s.renderWidth = width;
    s.renderHeight = height;
    s.viewports[0] = Rect{0, 0, static_cast<int32_t>(width), static_cast<int32_t>(height)};
    if (s.viewportCount == 0) s.viewportCount = 1;
    if (s.currentViewport == 0 && s.gfx) s.gfx->SetClipRect({0, 0, static_cast<int>(width), static_cast<int>(height)});
}

void GetRenderSize(uint32_t* width, uint32_t* height) {
    if (width) *width = S().renderWidth;
    if (height) *height = S().renderHeight;
}

void RenderWindowMoved(int32_t x, int32_t y) {
    DisplayState& s = S();
    if (s.fullScreen) return;
    s.windowX = x;
    s.windowY = y;
}

int32_t AddViewport(int32_t x, int32_t y, int32_t width, int32_t height) {
    DisplayState& s = S();
    if (s.viewportCount >= kMaxViewports) return -1;
    s.viewports[s.viewportCount] = Rect{x, y, x + width, y + height};
    return static_cast<int32_t>(s.viewportCount++);
}

int32_t SetViewportRect(int32_t index, int32_t x, int32_t y, int32_t width, int32_t height) {
    DisplayState& s = S();
    if (index < 0 || static_cast<uint32_t>(index) >= s.viewportCount) return kBadViewport;
    s.viewports[index] = Rect{x, y, x + width, y + height};
    return 0;
}

int32_t SelectViewport(int32_t index) {
    DisplayState& s = S();
    if (index < 0 || static_cast<uint32_t>(index) >= s.viewportCount) return kBadViewport;
    s.currentViewport = static_cast<uint32_t>(index);
    const Rect& r = s.viewports[index];
    if (s.gfx) s.gfx->SetClipRect({r.left, r.top, r.right, r.bottom});
    return 0;
}

int32_t RenderSetState(uint32_t state, uint32_t value) {
    DisplayState& s = S();
    switch (state) {
    case rs::kColorKeyEnable:
        if (value) s.stateBits = (s.stateBits | kBitColourKey) & ~kBitCullCCW;
        else s.stateBits = (s.stateBits & ~kBitColourKey) | kBitCullCCW;
        break;
    case rs::kCullMode:
        if (value == rs::kCullCCW) s.stateBits |= kBitCullCCW;
        else s.stateBits &= ~kBitCullCCW;
        break;
    case rs::kAlphaBlendEnable:
        s.queueing = value != 0;
        break;
    case kStateImmediateBlend:
        if (value) s.stateBits |= kBitImmediateBlend;
        else s.stateBits &= ~kBitImmediateBlend;
        break;
    default:
        SendState(state, value);
        break;
    }
    return 0;
}

int32_t RenderDrawIndexed(uint32_t type, uint32_t vertexCount, const ScreenVertex* vertices, uint32_t indexCount,
                          const uint16_t* indices, uint32_t /*flags*/) {
    DisplayState& s = S();
    s.submitted += indexCount / 3;
    if (!vertices || !indices) return 0;
    if (s.queueing) {
        for (uint32_t i = 0; i + 2 < indexCount; i += 3) {
            const uint16_t a = indices[i], b = indices[i + 1], c = indices[i + 2];
            if (a >= vertexCount || b >= vertexCount || c >= vertexCount) continue;
            // A full queue is drawn now and starts again, so that no triangle is lost.
            if (s.queue.size() >= kTranslucentCapacity) RenderFlushTranslucent();
            QueuedTriangle t{{vertices[a], vertices[b], vertices[c]}, s.currentTexture};
            const float key = (t.v[0].sz + t.v[1].sz + t.v[2].sz) * 0.5f + s.sortBias;
            s.keys.emplace_back(OrderedKey(key), static_cast<uint32_t>(s.queue.size()));
            s.queue.push_back(t);
        }
        return 0;
    }
    SendChangedBits();
    if (s.texturePending) {
        ApplyTexture(s.currentTexture);
        s.texturePending = false;
    }
    if (s.gfx) s.gfx->DrawIndexed(type, vertices, vertexCount, indices, indexCount);
    return 0;
}

int32_t RenderSelectTexture(uint32_t handle) {
    DisplayState& s = S();
    if (handle == s.currentTexture && !s.texturePending) return 0;
    s.currentTexture = handle;
    if (s.queueing) {
        s.texturePending = true;
        return 0;
    }
    ApplyTexture(handle);
    s.texturePending = false;
    return 0;
}

void SetTranslucentSortBias(float bias) { S().sortBias = bias; }

void RenderTextureChanged() {
    DisplayState& s = S();
    if (s.gfx) s.gfx->SetTexture(nullptr);
    s.texturePending = true;
}

int32_t RenderFlushTranslucent() {
    DisplayState& s = S();
    if (s.queue.empty()) return 0;
    SendState(rs::kAlphaBlendEnable, 1);
    SendState(rs::kSrcBlend, rs::kBlendSrcAlpha);
    SendState(rs::kDestBlend, rs::kBlendInvSrcAlpha);
    if (s.alphaTest) {
        SendState(rs::kAlphaRef, 7);
        SendState(rs::kAlphaTestEnable, 1);
        SendState(rs::kAlphaFunc, rs::kCmpGreaterEqual);
    } else {
        SendState(rs::kColorKeyEnable, 1);
    }
    SendState(rs::kCullMode, rs::kCullNone);
    // The device now has colour keying and blending on and no culling; the cache says so, and the
    // next immediate draw sends whatever its own state asks for.
    s.sentBits = (s.sentBits | kBitColourKey | kBitImmediateBlend) & ~kBitCullCCW;
    // Farthest first: larger keys first, by value, so that a negative sort bias keeps the order
    // (comparing the raw bit patterns as integers would reverse it for negative keys); equal keys
    // keep the order in which they were queued.
    std::stable_sort(s.keys.begin(), s.keys.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    const uint32_t n = static_cast<uint32_t>(s.keys.size());
    for (uint32_t i = 0; i < n; ++i) {
        const QueuedTriangle& t = s.queue[s.keys[i].second];
        std::copy(t.v, t.v + 3, &s.queueVertices[i * 3]);
    }
    uint32_t start = 0;
    while (start < n) {
        const uint32_t texture = s.queue[s.keys[start].second].texture;
        uint32_t end = start + 1;
        while (end < n && s.queue[s.keys[end].second].texture == texture) ++end;
        ApplyTexture(texture);
        if (s.gfx)
            s.gfx->DrawIndexed(rs::kTriangleList, &s.queueVertices[start * 3], (end - start) * 3,
                               s.queueIndices.data(), (end - start) * 3);
        start = end;
    }
    s.fromQueue += n;
    s.queue.clear();
    s.keys.clear();
    s.texturePending = true;  // the runs changed the device's texture
    return 0;
}

int32_t RenderBeginScene() {
    DisplayState& s = S();
    s.submitted = 0;
    s.fromQueue = 0;
    s.queueing = false;
    s.stateBits = s.sentBits = 1;
    SendState(rs::kCullMode, rs::kCullCCW);
    if (s.alphaTest) {
        SendState(rs::kAlphaTestEnable, 0);
        SendState(rs::kAlphaFunc, rs::kCmpAlways);
    } else {
        SendState(rs::kColorKeyEnable, 0);
    }
    SendState(rs::kAlphaBlendEnable, 0);
    SendState(rs::kSrcBlend, rs::kBlendOne);
    SendState(rs::kDestBlend, rs::kBlendZero);
    return 0;
}

int32_t RenderEndScene() {
    RenderFlushTranslucent();
    SendState(rs::kFlushBatch, 1);
    return 0;
}

int32_t RenderClearDepth() {
    DisplayState& s = S();
    if (!s.gfx) return 0;
    const Rect& r = s.viewports[s.currentViewport];
    s.gfx->ClearDepth({r.left, r.top, r.right, r.bottom});
    return 0;
}

int32_t RenderPresent() {
    DisplayState& s = S();
    if (!s.gfx) return -1;
    s.gfx->Present();
    return 0;
}

std::vector<uint8_t> RenderReadBackBuffer() {
    DisplayState& s = S();
    return s.gfx ? s.gfx->ReadFrame() : std::vector<uint8_t>{};
}

bool RenderReadDepth(uint32_t x, uint32_t y, uint16_t* value) {
    DisplayState& s = S();
    float depth = 1.0f;
    if (!s.gfx || !value || !s.gfx->ReadDepth(static_cast<int>(x), static_cast<int>(y), &depth)) return false;
    const float scaled = depth * 65536.0f;
    *value = scaled >= 65535.0f ? 65535 : scaled <= 0.0f ? 0 : static_cast<uint16_t>(scaled);
    return true;
}

uint32_t TrianglesSubmitted() { return S().submitted; }
uint32_t TrianglesFromQueue() { return S().fromQueue; }
uint32_t TranslucentQueued() { return static_cast<uint32_t>(S().queue.size()); }

int32_t DeviceTextureAcquire(TextureContainer* container, uint32_t* handle) {
    DisplayState& s = S();
    if (handle) *handle = 0;
    if (!container) return kResultBadArgument;
    for (uint32_t h = 1; h <= kMaxDeviceTextures; ++h)
        if (s.textures[h].container == container && s.textures[h].refs) {
            ++s.textures[h].refs;
            if (handle) *handle = h;
            return 0;
        }
    for (uint32_t h = 1; h <= kMaxDeviceTextures; ++h) {
        if (s.textures[h].refs) continue;
        if (s.gfx && !container->texture) {
            const int32_t r = CreateTextureSurface(container, s.gfx.get());
            if (r != 0) return r == -1 ? kResultFail : r;
        }
        s.textures[h].container = container;
        s.textures[h].refs = 1;
        if (handle) *handle = h;
        return 0;
    }
    return kNoFreeTextureHandle;
}

void DeviceTextureRelease(uint32_t handle) {
    DisplayState& s = S();
    if (handle < 1 || handle > kMaxDeviceTextures || !s.textures[handle].refs) return;
    if (--s.textures[handle].refs) return;
    TextureContainer* c = s.textures[handle].container;
    s.textures[handle].container = nullptr;
    if (handle == s.currentTexture) {
        s.currentTexture = 0;
        if (s.gfx) s.gfx->SetTexture(nullptr);
    }
    if (c) DestroyTexture(c->name);
}

TextureContainer* DeviceTextureContainer(uint32_t handle) {
    DisplayState& s = S();
    if (handle < 1 || handle > kMaxDeviceTextures || !s.textures[handle].refs) return nullptr;
    return s.textures[handle].container;
}

uint32_t DeviceTextureRefCount(uint32_t handle) {
    if (handle < 1 || handle > kMaxDeviceTextures) return 0;
    return S().textures[handle].refs;
}

uint32_t DeviceTextureFind(const char* name) {
    TextureContainer* c = FindTexture(name);
    if (!c) return 0;
    DisplayState& s = S();
    for (uint32_t h = 1; h <= kMaxDeviceTextures; ++h)
        if (s.textures[h].refs && s.textures[h].container == c) return h;
    return 0;
}

Surface2D* CreateSurface(uint32_t width, uint32_t height) {
    DisplayState& s = S();
    if (!s.gfx) return nullptr;
    plat::GfxSurface* gs = s.gfx->CreateSurface(static_cast<int>(width), static_cast<int>(height));
    if (!gs) return nullptr;
    return new Surface2D{nullptr, width, height, gs, s.generation};
}

Surface2D* CreateSurfaceFromImage(ImageRecord* image) {
    if (!image) return nullptr;
    Surface2D* surface = CreateSurface(image->width, image->height);
    if (!surface) return nullptr;
    surface->image = image;
    FillSurfaceFromImage(surface);
    return surface;
}

int32_t FreeSurface(Surface2D* surface) {
    if (!surface) return -1;
    if (S().gfx) S().gfx->DestroySurface(surface->surface);
    FreeImage(surface->image);
    delete surface;
    return 0;
}

static plat::GfxRect ToGfx(const Rect& r) { return {r.left, r.top, r.right, r.bottom}; }

int32_t BlitSurface(Surface2D* source, const Rect* sourceRect, Surface2D* dest, const Rect* destRect) {
    if (!ReadySurface(source) || !ReadySurface(dest)) return -1;
    plat::GfxRect sr, dr;
    if (sourceRect) sr = ToGfx(*sourceRect);
    if (destRect) dr = ToGfx(*destRect);
    plat::GfxDevice::BlitSurface(source->surface, sourceRect ? &sr : nullptr, dest->surface, destRect ? &dr : nullptr);
    S().gfx->SurfaceChanged(dest->surface);
    return 0;
}

int32_t BlitToScreen(Surface2D* source, const Rect* sourceRect, const float* dest) {
    DisplayState& s = S();
    if (!ReadySurface(source)) return -1;
    plat::GfxRect dr{0, 0, static_cast<int>(s.renderWidth), static_cast<int>(s.renderHeight)};
    if (dest) {
        dr.left = static_cast<int>(dest[0] * static_cast<float>(s.renderWidth));
        dr.top = static_cast<int>(dest[1] * static_cast<float>(s.renderHeight));
        dr.right = static_cast<int>(dest[2] * static_cast<float>(s.renderWidth));
        dr.bottom = static_cast<int>(dest[3] * static_cast<float>(s.renderHeight));
    }
    plat::GfxRect sr;
    if (sourceRect) sr = ToGfx(*sourceRect);
    s.gfx->BlitToScreen(source->surface, sourceRect ? &sr : nullptr, dr);
    return 0;
}

int32_t CopyBackBufferToSurface(Surface2D* dest) {
    if (!ReadySurface(dest)) return -1;
    S().gfx->CopyBackBufferToSurface(dest->surface);
    return 0;
}

}  // namespace kes
