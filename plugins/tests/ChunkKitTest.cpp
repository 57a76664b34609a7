// The bitmap file normaliser and the chunk bitmap record.
#include <gtest/gtest.h>

#include "platform/bytes/ByteIO.h"
#include "plugins/shared/ChunkBitmap.h"
#include "plugins/shared/MemoryStream.h"

namespace {

// A 3 x 2 picture in the forms modern tools write: version 5 header, bit fields, top-down rows, no
// image size. Pixel (x, y from the top) = red x*80, green y*100, blue 7.
std::vector<uint8_t> ModernBmp(uint16_t bits, bool topDown, uint32_t headerSize) {
    plat::ByteWriter w;
    const uint32_t row = (3 * bits / 8 + 3) & ~3u;
    const uint32_t offset = 14 + headerSize + (headerSize == 40 ? 12 : 0);
    w.U16(0x4D42);
    w.U32(offset + row * 2);
    w.U32(0);
    w.U32(offset);
    w.U32(headerSize);
    w.I32(3);
    w.I32(topDown ? -2 : 2);
    w.U16(1);
    w.U16(bits);
    w.U32(3);  // bit fields
    w.U32(0);  // no image size
    w.Zeros(16);
    const uint32_t masks[3] = {bits == 16 ? 0xF800u : 0xFF0000u, bits == 16 ? 0x07E0u : 0xFF00u, bits == 16 ? 0x001Fu : 0xFFu};
    for (uint32_t m : masks) w.U32(m);
    if (headerSize > 40) w.Zeros(headerSize - 52);
    for (int r = 0; r < 2; ++r) {
        const int y = topDown ? r : 1 - r;  // the row from the top this file row holds
        for (int x = 0; x < 3; ++x) {
            const uint32_t red = static_cast<uint32_t>(x * 80), green = static_cast<uint32_t>(y * 100), blue = 7;
            if (bits == 32) w.U32((red << 16) | (green << 8) | blue);
            else w.U16(static_cast<uint16_t>(((red >> 3) << 11) | ((green >> 2) << 5) | (blue >> 3)));
        }
        w.Zeros(row - 3 * bits / 8);
    }
    return w.Take();
}

TEST(NormaliseBmp, ModernFilesBecomePlainBottomUpBitmaps) {
    for (uint32_t headerSize : {40u, 124u})
        for (bool topDown : {false, true})
            for (uint16_t bits : {uint16_t{16}, uint16_t{32}}) {
                SCOPED_TRACE(std::to_string(headerSize) + (topDown ? " top-down " : " bottom-up ") + std::to_string(bits));
                auto dib = qv::NormaliseBmp(ModernBmp(bits, topDown, headerSize));
                ASSERT_TRUE(dib.has_value());
                EXPECT_EQ(dib->header.size, 40u);
                EXPECT_EQ(dib->header.compression, 0u);
                EXPECT_EQ(dib->header.height, 2);
                // 16-bit pixels become 24-bit through their masks; 32-bit ones with the plain masks stay.
                EXPECT_EQ(dib->header.bitCount, bits == 16 ? 24 : 32);
                EXPECT_EQ(dib->header.sizeImage, 2u * 12u);
                // Row 0 is the bottom row: y = 1 from the top.
                const uint32_t bottomRight = qv::BitmapPixel(*dib, 2, 0);
                EXPECT_NEAR(static_cast<int>((bottomRight >> 16) & 0xFF), 160, 8);
                EXPECT_NEAR(static_cast<int>((bottomRight >> 8) & 0xFF), 100, 4);
                EXPECT_NEAR(static_cast<int>(qv::BitmapPixel(*dib, 2, 1) >> 8 & 0xFF), 0, 4);
            }
}

TEST(NormaliseBmp, DamagedFilesAreRefused) {
    std::vector<uint8_t> good = ModernBmp(32, true, 124);
    ASSERT_TRUE(qv::NormaliseBmp(good).has_value());
    for (size_t cut : {size_t{0}, size_t{10}, size_t{60}, good.size() - 1})
        EXPECT_FALSE(qv::NormaliseBmp(std::vector<uint8_t>(good.begin(), good.begin() + static_cast<long>(cut))).has_value()) << cut;
    std::vector<uint8_t> huge = good;
    plat::StoreU32(huge.data() + 18, 0x40000000);
    EXPECT_FALSE(qv::NormaliseBmp(huge).has_value());
}

TEST(ChunkBitmap, RecordSizesAndRoundTrip) {
    struct Case {
        int32_t width, height;
        uint16_t bits;
        uint32_t bytes;
    } cases[] = {{5, 3, 8, 40 + 1024 + 24}, {5, 3, 24, 40 + 48}, {2, 2, 32, 40 + 16}, {4, -2, 8, 40 + 1024 + 8}};
    for (const Case& c : cases) {
        qv::Dib d = qv::GreyBitmap(c.width, c.height, 3);
        if (c.bits != 8) {
            d.header.bitCount = c.bits;
            d.colourTable.clear();
            d.pixels.assign(qv::RowBytes(c.width, c.bits) * static_cast<uint32_t>(std::abs(c.height)), 9);
        }
        EXPECT_EQ(qv::ChunkBitmapBytes(d), c.bytes);
        qv::MemoryStream s;
        qv::ChunkWriter w(&s);
        qv::WriteChunkBitmap(w, d);
        EXPECT_EQ(w.Written(), c.bytes);
        s.Seek(0, 0);
        qv::ChunkReader r(&s, c.bytes);
        auto back = qv::ReadChunkBitmap(r);
        ASSERT_TRUE(back.has_value());
        for (int32_t y = 0; y < d.Height(); ++y)
            for (int32_t x = 0; x < d.Width(); ++x) EXPECT_EQ(qv::BitmapPixel(*back, x, y), qv::BitmapPixel(d, x, y));
        EXPECT_EQ(r.Remaining(), 0u);
        // One byte short of the record: refused.
        s.Seek(0, 0);
        qv::ChunkReader shortReader(&s, c.bytes - 1);
        EXPECT_FALSE(qv::ReadChunkBitmap(shortReader).has_value());
    }
}

}  // namespace
