#pragma once
// Rebuilding the editor's display on the GL back end: the window goes to or leaves the full screen and
// the render target takes the size drawn at. GL textures stay valid across a rebuild, so nothing has to
// be re-created.
#include <functional>

#include "editor/render/DisplaySetup.h"
#include "platform/gfx/GfxDevice.h"

namespace qv {

class GfxDisplayBackend final : public DisplayBackend {
public:
    // `closeWindow` ends the editor after a failed rebuild.
    GfxDisplayBackend(plat::GfxDevice* device, std::function<void()> closeWindow)
        : gfx_(device), closeWindow_(std::move(closeWindow)) {}

    uint32_t Rebuild(const DisplaySettings& settings, const DisplayChoice& choice) override;
    void SetWindowSize(int32_t width, int32_t height) override;
    void DestroyWindow() override;

    // The desktop's bits per pixel (what a window is drawn at).
    static int DesktopBits();

private:
    plat::GfxDevice* gfx_;
    std::function<void()> closeWindow_;
};

}  // namespace qv
