#include "game/core/sprite/Sprites.h"

#include <new>
#include <vector>

namespace kes {

namespace {

struct SpriteBatch {
    RenderInterface* renderer = nullptr;
    std::vector<ScreenVertex> vertices;
    std::vector<uint16_t> indices;
    uint32_t capacity = 0;
    uint32_t width = 0, height = 0;
};

SpriteBatch g_batch;

// The largest batch whose vertices 16-bit indices can still reach.
constexpr uint32_t kMaxCapacity = 65536 / 4;

void Fill(ScreenVertex* v, const Sprite& s) {
    static const TextureRect kWhole{0, 0, 1, 1};
    const TextureRect& r = s.rect ? *s.rect : kWhole;
    const float w = static_cast<float>(g_batch.width), h = static_cast<float>(g_batch.height);
    const float x0 = w * s.left, x1 = w * s.right, y0 = h * s.top, y1 = h * s.bottom;
    const float xs[4] = {x0, x1, x1, x0}, ys[4] = {y0, y0, y1, y1};
    const float us[4] = {r.uMin, r.uMax, r.uMax, r.uMin}, vs[4] = {r.vMin, r.vMin, r.vMax, r.vMax};
    for (int i = 0; i < 4; ++i) {
        v[i].sx = xs[i];
        v[i].sy = ys[i];
        v[i].sz = s.z;
        v[i].diffuse = s.colour;
        v[i].u = us[i];
        v[i].v = vs[i];
    }
}

}  // namespace

int32_t InitSprites(RenderInterface* renderer, uint32_t capacity, uint32_t width, uint32_t height) {
    FreeSprites();
    if (capacity == 0 || capacity > kMaxCapacity) return 1;
    try {
        g_batch.vertices.assign(static_cast<size_t>(capacity) * 4,
                                ScreenVertex{0, 0, 0, 1.0f, 0xFFFFFFFF, 0xFF000000, 0, 0});
        g_batch.indices.resize(static_cast<size_t>(capacity) * 6);
    } catch (const std::bad_alloc&) {
        FreeSprites();
        return 1;
    }
    static const uint16_t kPattern[6] = {0, 1, 2, 0, 2, 3};
    for (uint32_t q = 0; q < capacity; ++q)
        for (int k = 0; k < 6; ++k) g_batch.indices[q * 6 + k] = static_cast<uint16_t>(4 * q + kPattern[k]);
    g_batch.renderer = renderer;
    g_batch.capacity = capacity;
    g_batch.width = width;
    g_batch.height = height;
    return 0;
}

int32_t FreeSprites() {
    g_batch = SpriteBatch{};
    return 0;
}

int32_t SetSpriteScale(uint32_t width, uint32_t height) {
    g_batch.width = width;
    g_batch.height = height;
    return 0;
}

int32_t DrawSprite(const Sprite* sprite) {
    if (!sprite || !g_batch.renderer || g_batch.capacity == 0) return 0;
    Fill(g_batch.vertices.data(), *sprite);
    g_batch.renderer->DrawIndexed(plat::rs::kTriangleList, 4, g_batch.vertices.data(), 6, g_batch.indices.data(), 0);
    return 0;
}

uint32_t SpriteCapacity() { return g_batch.renderer ? g_batch.capacity : 0; }

int32_t DrawSprites(const Sprite* sprites, uint32_t count) {
    if (count > g_batch.capacity) return 1;
    if (!sprites || count == 0 || !g_batch.renderer) return 0;
    for (uint32_t i = 0; i < count; ++i) Fill(&g_batch.vertices[i * 4], sprites[i]);
    g_batch.renderer->DrawIndexed(plat::rs::kTriangleList, 4 * count, g_batch.vertices.data(), 6 * count,
                                  g_batch.indices.data(), 0);
    return 0;
}

}  // namespace kes
