#include "game/world/maps/MapBitmap.h"

#include "platform/bytes/ByteIO.h"
#include "platform/sys/Fpu.h"

namespace kes {

namespace {
constexpr uint32_t kMaxMapSide = 16384;
}

uint32_t MapColourTableBytes(uint32_t bits) {
    if (bits >= 5 && bits <= 8) return 1024;
    if (bits >= 2 && bits <= 4) return 64;
    return 0;
}

bool MapBitmap::Place(const WorldBounds& b) {
    const float ex = b.maxX - b.minX, ey = b.maxY - b.minY;
    if (!(ex > 0.0f) || !(ey > 0.0f)) return false;
    originX = b.minX;
    originY = b.minY;
    scaleX = static_cast<float>(width) / ex;
    scaleY = static_cast<float>(height) / ey;
    return true;
}

bool ReadMapBitmap(ChunkStream& s, uint64_t allowedBits, MapBitmap* out) {
    out->Clear();
    uint8_t head[40];
    if (!s.Bytes(head, 40)) return false;
    const uint32_t headerSize = plat::LoadU32(head);
    const int32_t w = static_cast<int32_t>(plat::LoadU32(head + 4));
    const int32_t h = static_cast<int32_t>(plat::LoadU32(head + 8));
    const uint32_t bits = plat::LoadU16(head + 14);
    const uint32_t imageSize = plat::LoadU32(head + 20);
    if (headerSize != 40 || w <= 0 || h == 0 || h == INT32_MIN) return false;
    const uint32_t width = static_cast<uint32_t>(w);
    const uint32_t height = static_cast<uint32_t>(h < 0 ? -h : h);
    if (width > kMaxMapSide || height > kMaxMapSide || bits > 32 || !((allowedBits >> bits) & 1)) return false;
    const uint32_t table = MapColourTableBytes(bits);
    const uint32_t packed = (bits + 7) / 8 * width;
    const uint32_t even = (packed + 1) & ~1u, padded4 = (packed + 3) & ~3u;
    // The editor writes rows padded to four bytes and says so in the image size.
    const uint32_t rowBytes = (padded4 != even && imageSize == padded4 * height) ? padded4 : even;
    const uint64_t pixelBytes = static_cast<uint64_t>(rowBytes) * height;
    if (table + pixelBytes > s.Remaining()) return false;

    out->header.assign(head, head + 40);
    out->header.resize(40 + table);
    if (table && !s.Bytes(out->header.data() + 40, table)) return (out->Clear(), false);
    std::vector<uint8_t> rows(pixelBytes);
    if (!s.Bytes(rows.data(), rows.size())) return (out->Clear(), false);
    out->width = width;
    out->height = height;
    out->bitsPerPixel = bits;
    if (bits == 24) {
        // Widened in memory to whole words: blue, green, red, 0.
        out->rowBytes = width * 4;
        out->pixels.assign(static_cast<size_t>(out->rowBytes) * height, 0);
        for (uint32_t r = 0; r < height; ++r)
            for (uint32_t c = 0; c < width; ++c)
                for (int k = 0; k < 3; ++k)
                    out->pixels[static_cast<size_t>(r) * out->rowBytes + c * 4 + k] =
                        rows[static_cast<size_t>(r) * rowBytes + c * 3 + k];
        out->bitsPerPixel = 32;
    } else {
        out->rowBytes = rowBytes;
        out->pixels = std::move(rows);
    }
    return true;
}

void MapClampedCell(const MapBitmap& m, float x, float y, uint32_t* column, uint32_t* row) {
    int c = plat::FloatToInt((x - m.originX) * m.scaleX);
    int r = plat::FloatToInt((y - m.originY) * m.scaleY);
    const int w = static_cast<int>(m.width), h = static_cast<int>(m.height);
    c = c < 0 ? 0 : c >= w ? w - 1 : c;
    r = r < 0 ? 0 : r >= h ? h - 1 : r;
    *column = static_cast<uint32_t>(c);
    *row = static_cast<uint32_t>(r);
}

}  // namespace kes
