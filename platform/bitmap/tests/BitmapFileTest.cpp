#include "platform/bitmap/BitmapFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/bitmap/tests/BitmapBytes.h"

namespace plat {
namespace {

using test::BitmapBytes;
using test::BitmapSpec;

// Two pixels of 16 bits, 5-6-5: pure red and pure green, as bit fields.
BitmapSpec RedGreen565() {
    BitmapSpec s;
    s.width = 2;
    s.bits = 16;
    s.compression = kBitmapBitFields;
    s.masks[0] = 0xF800, s.masks[1] = 0x07E0, s.masks[2] = 0x001F;
    s.rows = {0x00, 0xF8, 0xE0, 0x07};
    return s;
}

std::vector<uint8_t> Bgr(const BitmapFile& f, const std::vector<uint8_t>& bytes, uint32_t row = 0) {
    std::vector<uint8_t> out(static_cast<size_t>(f.info.width) * 3);
    BitFieldRowToBgr(f.info, bytes.data() + f.pixelOffset + static_cast<size_t>(row) * f.info.rowBytes, out.data());
    return out;
}

TEST(BitmapFile, BitFieldsAreAppliedInEveryHeaderSize) {
    for (const uint32_t headerSize : {40u, 52u, 56u, 108u, 124u}) {
        SCOPED_TRACE(headerSize);
        BitmapSpec s = RedGreen565();
        s.headerSize = headerSize;
        const std::vector<uint8_t> bytes = BitmapBytes(s);
        BitmapFile f;
        std::string why;
        ASSERT_TRUE(ReadBitmapFile(bytes.data(), bytes.size(), &f, &why)) << why;
        EXPECT_EQ(f.info.headerSize, headerSize);
        EXPECT_FALSE(HasPlainMasks(f.info));
        EXPECT_EQ(Bgr(f, bytes), (std::vector<uint8_t>{0, 0, 255, 0, 255, 0}));
    }
}

TEST(BitmapFile, PixelsThroughTheirMasks) {
    struct Case {
        const char* what;
        uint16_t bits;
        uint32_t compression;
        uint32_t masks[3];
        std::vector<uint8_t> row;
        std::vector<uint8_t> bgr;
        bool plain;
    };
    const Case cases[] = {
        {"16 bits uncompressed: 5-5-5", 16, kBitmapRgb, {}, {0x00, 0x7C, 0x1F, 0x00}, {0, 0, 255, 255, 0, 0}, true},
        {"16 bits, 5-6-5 half green", 16, kBitmapBitFields, {0xF800, 0x07E0, 0x001F}, {0x00, 0x04, 0x00, 0x00},
         {0, 129, 0, 0, 0, 0}, false},
        {"32 bits uncompressed", 32, kBitmapRgb, {}, {1, 2, 3, 99, 4, 5, 6, 99}, {1, 2, 3, 4, 5, 6}, true},
        {"32 bits, red in the low byte", 32, kBitmapBitFields, {0xFF, 0xFF00, 0xFF0000},
         {1, 2, 3, 0, 4, 5, 6, 0}, {3, 2, 1, 6, 5, 4}, false},
        {"32 bits, ten bits a channel", 32, kBitmapBitFields, {0x3FF00000, 0x000FFC00, 0x000003FF},
         {0xFF, 0x03, 0x00, 0x00, 0x00, 0x00, 0xF0, 0x3F}, {255, 0, 0, 0, 0, 255}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        BitmapSpec s;
        s.width = 2;
        s.bits = c.bits;
        s.compression = c.compression;
        for (int i = 0; i < 3; ++i) s.masks[i] = c.masks[i];
        s.rows = c.row;
        const std::vector<uint8_t> bytes = BitmapBytes(s);
        BitmapFile f;
        std::string why;
        ASSERT_TRUE(ReadBitmapFile(bytes.data(), bytes.size(), &f, &why)) << why;
        EXPECT_EQ(HasPlainMasks(f.info), c.plain);
        EXPECT_EQ(Bgr(f, bytes), c.bgr);
    }
}

TEST(BitmapFile, LayoutOfRowsAndTable) {
    BitmapSpec s;
    s.width = 3;
    s.height = -2;
    s.bits = 8;
    s.table = {0x000000, 0xFFFFFF};
    s.rows.assign(8, 1);
    const std::vector<uint8_t> bytes = BitmapBytes(s);
    BitmapFile f;
    ASSERT_TRUE(ReadBitmapFile(bytes.data(), bytes.size(), &f, nullptr));
    EXPECT_EQ(f.info.width, 3u);
    EXPECT_EQ(f.info.height, 2u);
    EXPECT_TRUE(f.info.topDown);
    EXPECT_EQ(f.info.rowBytes, 4u);
    EXPECT_EQ(f.info.tableOffset, 40u);
    EXPECT_EQ(f.info.tableEntries, 2u);
    EXPECT_EQ(f.pixelOffset, 14u + 40u + 8u);
}

TEST(BitmapFile, DamagedFilesAreRefusedWithAReason) {
    const std::vector<uint8_t> good = BitmapBytes(RedGreen565());
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    };
    std::vector<Case> cases;
    auto patch32 = [&](size_t at, uint32_t value) {
        std::vector<uint8_t> b = good;
        StoreU32(b.data() + at, value);
        return b;
    };
    auto patch16 = [&](size_t at, uint16_t value) {
        std::vector<uint8_t> b = good;
        StoreU16(b.data() + at, value);
        return b;
    };
    cases.push_back({"empty", {}});
    cases.push_back({"not BM", patch16(0, 0x4142)});
    cases.push_back({"header size 64", patch32(14, 64)});
    cases.push_back({"header size 12", patch32(14, 12)});
    cases.push_back({"width 0", patch32(18, 0)});
    cases.push_back({"negative width", patch32(18, 0xFFFFFFFF)});
    cases.push_back({"height 0", patch32(22, 0)});
    cases.push_back({"height past the limit", patch32(22, 0x10000)});
    cases.push_back({"most negative height", patch32(22, 0x80000000)});
    cases.push_back({"bit count 7", patch16(28, 7)});
    cases.push_back({"run-length compression", patch32(30, 1)});
    cases.push_back({"embedded picture", patch32(30, 4)});
    cases.push_back({"red mask of no bits", patch32(54, 0)});
    cases.push_back({"green mask with a gap", patch32(58, 0x0660)});
    cases.push_back({"16-bit mask past the pixel", patch32(62, 0x1F0000)});
    cases.push_back({"pixel offset past the file", patch32(10, 1000)});
    cases.push_back({"pixel offset inside the header", patch32(10, 20)});
    cases.push_back({"rows cut short", std::vector<uint8_t>(good.begin(), good.end() - 1)});
    cases.push_back({"masks cut short", std::vector<uint8_t>(good.begin(), good.begin() + 60)});
    BitmapSpec eight;
    eight.bits = 8;
    eight.table.assign(256, 0);
    eight.rows.assign(4, 0);
    std::vector<uint8_t> shortTable = BitmapBytes(eight);
    shortTable.resize(14 + 40 + 100);
    cases.push_back({"colour table cut short", shortTable});
    BitmapSpec bitFields8 = eight;
    bitFields8.compression = kBitmapBitFields;
    cases.push_back({"bit fields of 8 bits", BitmapBytes(bitFields8)});
    for (const Case& c : cases) {
        BitmapFile f;
        std::string why;
        EXPECT_FALSE(ReadBitmapFile(c.bytes.data(), c.bytes.size(), &f, &why)) << c.what;
        EXPECT_FALSE(why.empty()) << c.what;
    }
    BitmapFile f;
    EXPECT_TRUE(ReadBitmapFile(good.data(), good.size(), &f, nullptr));
}

}  // namespace
}  // namespace plat
