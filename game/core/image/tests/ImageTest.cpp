#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "game/core/image/ImageDecode.h"
#include "game/core/image/ImageRecord.h"
#include "game/core/image/tests/PictureBuilder.h"
#include "platform/bitmap/tests/BitmapBytes.h"

namespace kes::test {
namespace {

class ImageTest : public ::testing::Test {
protected:
    void SetUp() override { blocksBefore = ImageHeapLiveBlocks(); }
    void TearDown() override { EXPECT_EQ(ImageHeapLiveBlocks(), blocksBefore) << "image blocks leaked"; }
    size_t blocksBefore = 0;
};

ImageRecord* FromStream(const std::vector<uint8_t>& bytes, uint64_t* endPosition = nullptr) {
    MemoryImageStream s(bytes.data(), bytes.size());
    ImageRecord* image = ReadImageFromStream(s);
    if (endPosition) *endPosition = s.Tell();
    return image;
}

TEST_F(ImageTest, StreamFormatsByBitDepthAndTable) {
    std::vector<uint32_t> colours(256);
    for (uint32_t i = 0; i < 256; ++i) colours[i] = (i * 7) << 8;
    std::vector<uint32_t> almostGrey = GreyTable(false);
    almostGrey[17] = 0x00111210;
    struct Case { const char* what; uint16_t bits; std::vector<uint32_t> table; uint32_t format; } cases[] = {
        {"ascending ramp", 8, GreyTable(false), kImageGrey},
        {"descending ramp", 8, GreyTable(true), kImageGrey},
        {"colours", 8, colours, kImagePaletted},
        {"one entry off the ramp", 8, almostGrey, kImagePaletted},
        {"16 bits", 16, {}, kImage16},
        {"24 bits", 24, {}, kImage24},
        {"32 bits", 32, {}, kImage32},
    };
    for (const auto& c : cases) {
        Picture p;
        p.width = 4;
        p.height = 2;
        p.bits = c.bits;
        p.table = c.table;
        p.rowsTopDown.assign(RowBytes(p) * 2, 0x11);
        const auto bytes = StreamPicture(p);
        uint64_t end = 0;
        ImageRecord* image = FromStream(bytes, &end);
        ASSERT_TRUE(image) << c.what;
        EXPECT_EQ(image->format, c.format) << c.what;
        EXPECT_EQ(image->stride, ImageBytesPerPixel(c.format) * 4u) << c.what;
        EXPECT_EQ(image->palette != nullptr, c.format == kImagePaletted) << c.what;
        EXPECT_EQ(end, bytes.size()) << c.what;
        FreeImage(image);
    }
}

TEST_F(ImageTest, FourBitPictureRefusedAfterHeaderAndTable) {
    Picture p;
    p.width = 4;
    p.height = 2;
    p.bits = 4;
    p.table = GreyTable(false);
    p.rowsTopDown.assign(4, 0);
    const auto bytes = StreamPicture(p);
    uint64_t end = 0;
    EXPECT_EQ(FromStream(bytes, &end), nullptr);
    EXPECT_EQ(end, 40u + 1024u);
}

TEST_F(ImageTest, TwentyFourBitRowsAlignToTwoBytesAndBecomeRgb) {
    Picture p;
    p.width = 5;
    p.height = 2;
    p.bits = 24;
    for (int r = 0; r < 2; ++r)
        for (int x = 0; x < 5; ++x) {  // stored blue, green, red
            p.rowsTopDown.push_back(static_cast<uint8_t>(x));        // blue
            p.rowsTopDown.push_back(static_cast<uint8_t>(r));        // green
            p.rowsTopDown.push_back(static_cast<uint8_t>(100 + x));  // red
        }
    const auto bytes = StreamPicture(p);
    ASSERT_EQ(bytes.size(), 40u + 2 * 16u);  // width 5: 15 bytes of pixels, 16 with padding
    ImageRecord* image = FromStream(bytes);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->stride, 15u);
    for (int r = 0; r < 2; ++r)
        for (int x = 0; x < 5; ++x) {
            const uint8_t* px = image->pixels + r * 15 + x * 3;
            EXPECT_EQ(px[0], 100 + x);
            EXPECT_EQ(px[1], r);  // top row first
            EXPECT_EQ(px[2], x);
        }
    FreeImage(image);
}

TEST_F(ImageTest, BitmapFileAndStreamAgreeDespiteDifferentRowPadding) {
    Picture p;
    p.width = 3;
    p.height = 2;
    p.bits = 24;
    for (int i = 0; i < 18; ++i) p.rowsTopDown.push_back(static_cast<uint8_t>(i * 9));
    ImageRecord* fromStream = FromStream(StreamPicture(p));
    const auto bmp = BmpFile(p);
    ImageRecord* fromFile = ImageFromBitmapFile(bmp.data(), bmp.size());
    ImageRecord* fromDib = ImageFromDib(bmp.data() + 14, bmp.size() - 14, plat::LoadU32(bmp.data() + 10) - 14);
    ASSERT_TRUE(fromStream && fromFile && fromDib);
    EXPECT_EQ(0, std::memcmp(fromStream->pixels, fromFile->pixels, 18));
    EXPECT_EQ(0, std::memcmp(fromStream->pixels, fromDib->pixels, 18));
    EXPECT_EQ(fromStream->checksum, fromFile->checksum);
    // A top-down bitmap gives the same picture.
    Picture top = p;
    top.height = -2;
    const auto bmpTop = BmpFile(top);
    ImageRecord* fromTop = ImageFromBitmapFile(bmpTop.data(), bmpTop.size());
    ASSERT_TRUE(fromTop);
    EXPECT_EQ(0, std::memcmp(fromStream->pixels, fromTop->pixels, 18));
    for (ImageRecord* i : {fromStream, fromFile, fromDib, fromTop}) FreeImage(i);
}

TEST_F(ImageTest, DamagedHeadersAreRefused) {
    struct Case { const char* what; int32_t width, height; uint16_t bits; size_t cut; } cases[] = {
        {"width above 65535", 70000, 1, 24, 0}, {"negative width", -4, 2, 24, 0},
        {"zero height", 4, 0, 24, 0},          {"height of -2^31", 4, INT32_MIN, 24, 0},
        {"rows beyond the data", 4, 4, 24, 10}, {"header cut", 4, 4, 24, 60},
        {"33 bits", 4, 4, 33, 0},
    };
    for (const auto& c : cases) {
        Picture p;
        p.width = c.width;
        p.height = c.height;
        p.bits = c.bits;
        auto bytes = StreamPicture(p);
        // Room for the rows of a plausible 4 x 4 picture, unless the case cuts the data.
        bytes.resize(c.cut ? bytes.size() > c.cut ? bytes.size() - c.cut : 0 : bytes.size() + 64, 0);
        EXPECT_EQ(FromStream(bytes), nullptr) << c.what;
        auto bmp = BmpFile(p);
        if (c.cut) bmp.resize(bmp.size() > c.cut ? bmp.size() - c.cut : 0);
        EXPECT_EQ(ImageFromBitmapFile(bmp.data(), bmp.size()), nullptr) << c.what;
    }
    Picture rle;
    rle.width = 4;
    rle.height = 1;
    rle.bits = 8;
    rle.compression = 1;
    rle.rowsTopDown.assign(4, 0);
    const auto bmp = BmpFile(rle);
    EXPECT_EQ(ImageFromBitmapFile(bmp.data(), bmp.size()), nullptr) << "compressed bitmap";
    const uint8_t notBm[60] = {'X', 'Y'};
    EXPECT_EQ(ImageFromBitmapFile(notBm, sizeof notBm), nullptr);
}

TEST_F(ImageTest, ChecksumAddsWithEndAroundCarry) {
    ImageRecord* image = AllocImage(1, 2, kImage32);
    ASSERT_TRUE(image);
    plat::StoreU32(image->pixels, 0xFFFFFFFF);
    plat::StoreU32(image->pixels + 4, 2);
    // 8 (bytes) + 0xFFFFFFFF = 7 carry 1 -> 8; + 2 -> 10.
    EXPECT_EQ(ImageChecksum(*image), 10u);
    FreeImage(image);

    ImageRecord* pal = AllocImage(4, 1, kImagePaletted);
    ASSERT_TRUE(pal);
    for (int i = 0; i < 256; ++i) pal->palette[i] = 0;
    pal->palette[0] = 0x80000000;
    pal->palette[1] = 0x80000001;  // 0x80000000 + 0x80000001 carries out
    plat::StoreU32(pal->pixels, 0x01020304);
    // (4 + 1024) + 0x80000000 = 0x80000404; + 0x80000001 = 0x405 carry -> 0x406; + 0x01020304.
    EXPECT_EQ(ImageChecksum(*pal), 0x406u + 0x01020304u);
    FreeImage(pal);
}

// The checksum sums long pictures in wide words and folds the carries at the end: it must agree
// with adding word by word, including totals that wrap many times and the all-ones word.
TEST_F(ImageTest, ChecksumOfLargePicturesMatchesWordByWordAddition) {
    struct Case {
        const char* what;
        uint8_t fill;
        uint8_t step;  // added per byte
        uint32_t side;
    };
    const Case cases[] = {{"all ones", 0xFF, 0, 256}, {"all zero", 0x00, 0, 64}, {"mixed", 0x9D, 7, 200}};
    for (const Case& c : cases) {
        ImageRecord* image = AllocImage(c.side, c.side, kImage24);
        ASSERT_TRUE(image) << c.what;
        const size_t bytes = static_cast<size_t>(c.side) * image->stride;
        for (size_t i = 0; i < bytes; ++i) image->pixels[i] = static_cast<uint8_t>(c.fill + i * c.step);
        uint32_t expected = static_cast<uint32_t>(bytes);
        for (size_t i = 0; i + 4 <= bytes; i += 4) expected = AddWithCarry(expected, plat::LoadU32(image->pixels + i));
        EXPECT_EQ(ImageChecksum(*image), expected) << c.what;
        FreeImage(image);
    }
}

TEST_F(ImageTest, HalvingBuildsTheMipChain) {
    ImageRecord* big = AllocImage(256, 256, kImage24, "big");
    ASSERT_TRUE(big);
    std::memset(big->pixels, 0x40, 256 * 256 * 3);
    EXPECT_EQ(HalveImage(big, 9), 0);
    int size = 256, levels = 0;
    for (ImageRecord* l = big->nextLevel; l; l = l->nextLevel) {
        size /= 2;
        ++levels;
        EXPECT_EQ(l->width, size);
        EXPECT_STREQ(l->name, "big");
        EXPECT_EQ(l->pixels[0], 0x40);
    }
    EXPECT_EQ(levels, 8);
    EXPECT_EQ(size, 1);
    FreeImage(big);

    ImageRecord* wide = AllocImage(64, 32, kImage24);
    EXPECT_EQ(HalveImage(wide, 5), -1);
    EXPECT_EQ(wide->nextLevel, nullptr);
    FreeImage(wide);

    ImageRecord* odd = AllocImage(12, 12, kImage24);
    std::memset(odd->pixels, 0, 12 * 12 * 3);
    EXPECT_EQ(HalveImage(odd, 5), -1);  // 12 -> 6 -> 3, then 3 is odd
    ASSERT_TRUE(odd->nextLevel && odd->nextLevel->nextLevel);
    EXPECT_EQ(odd->nextLevel->nextLevel->width, 3);
    EXPECT_EQ(odd->nextLevel->nextLevel->nextLevel, nullptr);
    // Halving again replaces the chain instead of leaking it (the fixture checks the blocks).
    EXPECT_EQ(HalveImage(odd, 2), 0);
    EXPECT_EQ(odd->nextLevel->nextLevel, nullptr);
    FreeImage(odd);
}

TEST_F(ImageTest, HalvingAveragesWithTruncation) {
    ImageRecord* grey = AllocImage(2, 2, kImageGrey);
    const uint8_t px[4] = {1, 2, 3, 5};  // sum 11 >> 2 = 2
    std::memcpy(grey->pixels, px, 4);
    EXPECT_EQ(HalveImage(grey, 2), 0);
    EXPECT_EQ(grey->nextLevel->pixels[0], 2);
    FreeImage(grey);

    ImageRecord* pal = AllocImage(2, 2, kImagePaletted);
    for (int i = 0; i < 256; ++i) pal->palette[i] = 0x00FFFFFF;
    pal->palette[1] = 0x00000000;
    pal->palette[2] = 0x00202020;
    pal->palette[3] = 0x00101010;
    const uint8_t idx[4] = {0, 0, 1, 2};  // odd row holds black and dark grey: average 0x10
    std::memcpy(pal->pixels, idx, 4);
    EXPECT_EQ(HalveImage(pal, 2), 0);
    EXPECT_EQ(pal->nextLevel->pixels[0], 3);
    FreeImage(pal);
}

TEST_F(ImageTest, ExpandingPalettesAndGreyImages) {
    ImageRecord* pal = AllocImage(2, 1, kImagePaletted, "p");
    for (int i = 0; i < 256; ++i) pal->palette[i] = 0;
    pal->palette[5] = 0x00112233;  // red 0x11, green 0x22, blue 0x33
    pal->pixels[0] = 5;
    pal->pixels[1] = 0;
    ImageRecord* rgb = ExpandPalette(pal, kImage24);
    ASSERT_TRUE(rgb);
    EXPECT_EQ(rgb->format, kImage24);
    EXPECT_STREQ(rgb->name, "p");
    EXPECT_EQ(rgb->pixels[0], 0x11);
    EXPECT_EQ(rgb->pixels[1], 0x22);
    EXPECT_EQ(rgb->pixels[2], 0x33);
    FreeImage(rgb);

    ImageRecord* grey = AllocImage(1, 1, kImageGrey);
    grey->pixels[0] = 77;
    ImageRecord* fromGrey = ExpandPalette(grey, kImage24);
    EXPECT_EQ(fromGrey->pixels[0], 77);
    EXPECT_EQ(fromGrey->pixels[2], 77);
    FreeImage(fromGrey);

    ImageRecord* other = AllocImage(1, 1, kImage32);
    EXPECT_EQ(ExpandPalette(other, kImage24), other);
    FreeImage(other);

    ImageRecord* given = AllocImage(1, 1, kImageGrey);
    GivePalette(given);  // a separate block, freed with the record
    EXPECT_EQ(given->format, kImagePaletted);
    EXPECT_EQ(given->palette[200], 0x00C8C8C8u);
    FreeImage(given);
}

// Bitmaps as other programs write them: bit fields and the longer headers.
TEST_F(ImageTest, BitFieldsAndLongHeadersGiveTheirColours) {
    struct Case {
        const char* what;
        uint16_t bits;
        uint32_t compression;
        uint32_t headerSize;
        uint32_t masks[3];
        std::vector<uint8_t> rows;  // one row of red, then green
        uint32_t format;
        std::vector<uint8_t> pixels;
    };
    const Case cases[] = {
        {"16 bits, 5-6-5", 16, 3, 40, {0xF800, 0x07E0, 0x001F}, {0x00, 0xF8, 0xE0, 0x07}, kImage24,
         {255, 0, 0, 0, 255, 0}},
        {"16 bits, 5-6-5, long header", 16, 3, 124, {0xF800, 0x07E0, 0x001F}, {0x00, 0xF8, 0xE0, 0x07}, kImage24,
         {255, 0, 0, 0, 255, 0}},
        {"32 bits, red in the low byte", 32, 3, 108, {0xFF, 0xFF00, 0xFF0000}, {255, 0, 0, 0, 0, 255, 0, 0},
         kImage24, {255, 0, 0, 0, 255, 0}},
        // Masks of an uncompressed bitmap: the rows are kept as they are.
        {"16 bits, 5-5-5 bit fields", 16, 3, 40, {0x7C00, 0x03E0, 0x001F}, {0x00, 0x7C, 0xE0, 0x03}, kImage16,
         {0x00, 0x7C, 0xE0, 0x03}},
        {"32 bits, long header", 32, 0, 124, {}, {0, 0, 255, 0, 0, 255, 0, 0}, kImage32, {0, 0, 255, 0, 0, 255, 0, 0}},
        {"24 bits, long header", 24, 0, 56, {}, {0, 0, 255, 0, 255, 0, 0, 0}, kImage24, {255, 0, 0, 0, 255, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        plat::test::BitmapSpec s;
        s.width = 2;
        s.bits = c.bits;
        s.compression = c.compression;
        s.headerSize = c.headerSize;
        for (int i = 0; i < 3; ++i) s.masks[i] = c.masks[i];
        s.rows = c.rows;
        const std::vector<uint8_t> bmp = plat::test::BitmapBytes(s);
        ImageRecord* image = ImageFromBitmapFile(bmp.data(), bmp.size());
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->format, c.format);
        EXPECT_EQ(std::vector<uint8_t>(image->pixels, image->pixels + c.pixels.size()), c.pixels);
        EXPECT_EQ(image->checksum, ImageChecksum(*image));
        FreeImage(image);
    }
    // Compressions the reader does not take are refused, as before.
    plat::test::BitmapSpec rle;
    rle.bits = 8;
    rle.compression = 1;
    rle.table.assign(256, 0);
    rle.rows.assign(4, 0);
    const std::vector<uint8_t> bmp = plat::test::BitmapBytes(rle);
    EXPECT_EQ(ImageFromBitmapFile(bmp.data(), bmp.size()), nullptr);
}

TEST_F(ImageTest, BitmapFileGreyRampBecomesGreyLevels) {
    Picture p;
    p.width = 4;
    p.height = 1;
    p.bits = 8;
    p.table = GreyTable(true);  // index 0 is white
    p.rowsTopDown = {0, 1, 254, 255};
    const auto bmp = BmpFile(p);
    const std::string path = std::string(GRAVELON_BINARY_DIR) + "/tests/grey_ramp_test.bmp";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bmp.data()), bmp.size());
    ImageRecord* image = LoadImageFile(path);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->format, kImageGrey);
    EXPECT_EQ(image->pixels[0], 255);
    EXPECT_EQ(image->pixels[1], 254);
    EXPECT_EQ(image->pixels[3], 0);
    EXPECT_EQ(image->checksum, ImageChecksum(*image));
    FreeImage(image);
    std::remove(path.c_str());
    EXPECT_EQ(LoadImageFile(path), nullptr);
}

TEST_F(ImageTest, PixelOffsetMovesTheStreamForwardOnly) {
    Picture p;
    p.width = 2;
    p.height = 1;
    p.bits = 24;
    p.rowsTopDown = {1, 2, 3, 4, 5, 6};
    std::vector<uint8_t> bytes = StreamPicture(p);
    bytes.insert(bytes.begin() + 40, 8, 0xEE);  // eight bytes of gap before the rows
    MemoryImageStream s(bytes.data(), bytes.size());
    ImageRecord* image = ReadImageFromStream(s, 48);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixels[0], 3);
    FreeImage(image);
    MemoryImageStream back(bytes.data(), bytes.size());
    EXPECT_EQ(ReadImageFromStream(back, 20), nullptr);  // before the end of the header
}

}  // namespace
}  // namespace kes::test
