#pragma once
// The display device layer: creates the drawing device, keeps viewports, applies render states
// through a small cache, draws indexed triangles or queues translucent ones for drawing back to
// front, presents frames, keeps the device texture handles and 2D surfaces, and turns set-up
// failures into messages.
#include <cstdint>
#include <string>
#include <vector>

#include "game/core/display/DeviceList.h"
#include "game/core/display/DisplayTypes.h"
#include "game/core/image/ImageRecord.h"

namespace plat {
class GfxSurface;
}

namespace kes {

struct TextureContainer;

// Limits of the layer's tables.
constexpr uint32_t kTranslucentCapacity = 10000;
constexpr uint32_t kMaxViewports = 95;
constexpr uint32_t kMaxDeviceTextures = 512;

// Render states the layer interprets itself (others go straight to the device).
constexpr uint32_t kStateImmediateBlend = 666;

// Flags of DeviceInit.
constexpr uint32_t kDeviceFullScreen = 1;
constexpr uint32_t kDeviceHidden = 2;     // tests and benchmarks: the window stays hidden
constexpr uint32_t kDeviceNoVsync = 4;

struct Surface2D {
    ImageRecord* image;  // owned; may be null
    uint32_t width;
    uint32_t height;
    plat::GfxSurface* surface;
    uint32_t generation;
};

int32_t DeviceInit(const DeviceGuid& driver, const DeviceGuid& device, uint32_t width, uint32_t height,
                   uint32_t bitsPerPixel, const char* windowTitle, uint32_t flags);
void DeviceShutdown();
bool DeviceReady();
plat::GfxDevice* DisplayGfx();

int32_t SetDisplayMode(uint32_t width, uint32_t height, uint32_t bitsPerPixel);
void SetRenderSize(uint32_t width, uint32_t height);
void GetRenderSize(uint32_t* width, uint32_t* height);
void RenderWindowMoved(int32_t x, int32_t y);
uint32_t DeviceGeneration();

int32_t AddViewport(int32_t x, int32_t y, int32_t width, int32_t height);  // index, or -1 when full
int32_t SetViewportRect(int32_t index, int32_t x, int32_t y, int32_t width, int32_t height);
int32_t SelectViewport(int32_t index);

int32_t RenderSetState(uint32_t state, uint32_t value);
int32_t RenderDrawIndexed(uint32_t type, uint32_t vertexCount, const ScreenVertex* vertices, uint32_t indexCount,
                          const uint16_t* indices, uint32_t flags);
int32_t RenderSelectTexture(uint32_t deviceHandle);
void SetTranslucentSortBias(float bias);
// A texture of the current handle was released or rebuilt: it is set again before the next draw.
void RenderTextureChanged();
int32_t RenderBeginScene();
int32_t RenderEndScene();
int32_t RenderFlushTranslucent();
int32_t RenderClearDepth();
int32_t RenderPresent();
// The back buffer as red, green, blue, alpha bytes, top row first (screen grabs).
std::vector<uint8_t> RenderReadBackBuffer();
// The depth buffer at one pixel (top row 0) taken to 16 bits, as a 16-bit depth surface holds it;
// false without a device or outside the render target.
bool RenderReadDepth(uint32_t x, uint32_t y, uint16_t* value);

uint32_t TrianglesSubmitted();
uint32_t TrianglesFromQueue();
uint32_t TranslucentQueued();

// Device texture handles 1..512, each a texture container with a reference count.
// A container already held by a handle shares it (count + 1). 0 or a code; *handle 0 on failure.
int32_t DeviceTextureAcquire(TextureContainer* container, uint32_t* handle);
void DeviceTextureRelease(uint32_t handle);  // the container is destroyed when the count reaches 0
TextureContainer* DeviceTextureContainer(uint32_t handle);
uint32_t DeviceTextureRefCount(uint32_t handle);
uint32_t DeviceTextureFind(const char* name);  // the handle holding a container of that name, or 0

Surface2D* CreateSurface(uint32_t width, uint32_t height);
Surface2D* CreateSurfaceFromImage(ImageRecord* image);
int32_t FreeSurface(Surface2D* surface);
int32_t BlitSurface(Surface2D* source, const Rect* sourceRect, Surface2D* dest, const Rect* destRect);
int32_t BlitToScreen(Surface2D* source, const Rect* sourceRect, const float* dest);
int32_t CopyBackBufferToSurface(Surface2D* dest);

// The message for a set-up failure code, ending "\n\nGravelon will now exit.".
std::string FrameworkErrorText(int32_t code);
// Shows it in a message box with the window title (headless: standard error); returns the text.
std::string FrameworkError(int32_t code);

// Tests: every state the layer sends to the device is reported here first.
using DeviceStateObserver = void (*)(uint32_t state, uint32_t value);
void SetDeviceStateObserver(DeviceStateObserver observer);
// Tests: whether the device is treated as able to alpha-test (else colour keys stand in).
void SetAlphaTestCapability(bool capable);

}  // namespace kes
