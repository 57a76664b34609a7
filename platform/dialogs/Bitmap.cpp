#include "platform/dialogs/Bitmap.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace plat {

Bitmap::Bitmap(int w, int h) : width(std::max(w, 0)), height(std::max(h, 0)) {
    rgba.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 4, 0);
}

uint32_t Bitmap::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return 0;
    const uint8_t* p = &rgba[(static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 4];
    return (uint32_t{p[3]} << 24) | (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
}

void Bitmap::SetPixel(int x, int y, uint32_t argb) {
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    uint8_t* p = &rgba[(static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 4];
    p[0] = static_cast<uint8_t>(argb >> 16);
    p[1] = static_cast<uint8_t>(argb >> 8);
    p[2] = static_cast<uint8_t>(argb);
    p[3] = static_cast<uint8_t>(argb >> 24);
}

void Bitmap::FillRect(int left, int top, int right, int bottom, uint32_t argb) {
    for (int y = std::max(top, 0); y < std::min(bottom, height); ++y)
        for (int x = std::max(left, 0); x < std::min(right, width); ++x) SetPixel(x, y, argb);
}

void Bitmap::Line(int x0, int y0, int x1, int y1, uint32_t argb) {
    const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    for (;;) {
        SetPixel(x0, y0, argb);
        if (x0 == x1 && y0 == y1) break;
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

Bitmap Bitmap::Cut(int index, int size) const {
    Bitmap out(size, size);
    if (index < 0 || size <= 0) return out;
    const int left = index * size;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) out.SetPixel(x, y, Pixel(left + x, y));
    return out;
}

Bitmap* CreateBitmap(int width, int height, const uint8_t* rgba) {
    if (width <= 0 || height <= 0 || width > 4096 || height > 4096) return nullptr;
    auto* b = new Bitmap(width, height);
    if (rgba) std::memcpy(b->rgba.data(), rgba, b->rgba.size());
    return b;
}

void DeleteBitmap(Bitmap* bitmap) { delete bitmap; }

Cursor* CreateCursor(int width, int height, const uint8_t* rgba, int hotX, int hotY) {
    if (width <= 0 || height <= 0 || width > 256 || height > 256) return nullptr;
    if (hotX < 0 || hotY < 0 || hotX >= width || hotY >= height) return nullptr;
    auto* c = new Cursor{Bitmap(width, height), hotX, hotY};
    if (rgba) std::memcpy(c->image.rgba.data(), rgba, c->image.rgba.size());
    return c;
}

void DeleteCursor(Cursor* cursor) { delete cursor; }

}  // namespace plat
