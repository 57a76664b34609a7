#include "editor/render/GfxDisplayBackend.h"

#include <SDL.h>

namespace qv {

uint32_t GfxDisplayBackend::Rebuild(const DisplaySettings& settings, const DisplayChoice& choice) {
    if (!gfx_) return kFwNoDirectDraw;
    SDL_Window* window = SDL_GL_GetCurrentWindow();
    if (!window) return kFwNoPrimary;
    if (settings.windowed) {
        SDL_SetWindowFullscreen(window, 0);
        int w = 0, h = 0;
        SDL_GetWindowSize(window, &w, &h);
        if (w > 0 && h > 0 && !gfx_->SetRenderSize(w, h)) return kFwNoRenderTarget;
        return 0;
    }
    if (settings.width <= 0 || settings.height <= 0) return kFwBadDisplayMode;
    (void)choice;  // one GL device: the choice only decides window or full screen and the mode's size
    SDL_SetWindowSize(window, settings.width, settings.height);
    // Without a display that can change modes (offscreen, headless) the window stays as it is and
    // only the render target changes: the frame is still drawn at the requested size.
    SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN);
    if (!gfx_->SetRenderSize(settings.width, settings.height)) return kFwNoRenderTarget;
    return 0;
}

void GfxDisplayBackend::SetWindowSize(int32_t width, int32_t height) {
    if (!gfx_ || width <= 0 || height <= 0) return;
    gfx_->SetWindowSize(width, height);
    gfx_->SetRenderSize(width, height);
}

void GfxDisplayBackend::DestroyWindow() {
    if (closeWindow_) closeWindow_();
}

int GfxDisplayBackend::DesktopBits() {
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(0, &mode) != 0) return 32;
    const int bits = static_cast<int>(SDL_BITSPERPIXEL(mode.format));
    return bits == 24 ? 32 : bits;
}

}  // namespace qv
