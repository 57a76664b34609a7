// What the editor stores, the game reads: a texture record written by the editor's texture table is read
// by the game's texture reader into the same picture, pixel for pixel, with its alpha for "TXTA".
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>

#include "editor/msgbox/EditorMessageBox.h"
#include "editor/render/GfxRenderDevice.h"
#include "editor/texture/Dib.h"
#include "editor/texture/TextureTable.h"
#include "editor/texture/tests/BmpBytes.h"
#include "game/core/image/ImageDecode.h"
#include "game/core/texture/TextureContainer.h"
#include "platform/bitmap/tests/BitmapBytes.h"

namespace {

namespace fs = std::filesystem;

struct Rgb {
    uint8_t r, g, b;
};

// A ".bmp" file of w x h pixels: 24 bits from `colour`, or 8 bits indexing a palette whose entry i is
// colour(i % w, i / w) (pixel (x, y) then holds index y * w + x), rows stored bottom-up.
std::vector<uint8_t> BmpFile(int w, int h, int bits, const std::function<Rgb(int, int)>& colour) {
    const uint32_t entries = bits == 8 ? 256 : 0;
    plat::ByteWriter out;
    const uint32_t row = qv::test::WriteBmpHead(out, w, h, bits, entries);
    for (uint32_t i = 0; i < entries; ++i) {
        const Rgb c = colour(static_cast<int>(i) % w, static_cast<int>(i) / w);
        out.U8(c.b), out.U8(c.g), out.U8(c.r), out.U8(0);
    }
    for (int y = h - 1; y >= 0; --y) {
        std::vector<uint8_t> line(row, 0);
        for (int x = 0; x < w; ++x) {
            if (bits == 8) {
                line[static_cast<size_t>(x)] = static_cast<uint8_t>(y * w + x);
            } else {
                const Rgb c = colour(x, y);
                line[static_cast<size_t>(x) * 3] = c.b;
                line[static_cast<size_t>(x) * 3 + 1] = c.g;
                line[static_cast<size_t>(x) * 3 + 2] = c.r;
            }
        }
        out.Bytes(line.data(), line.size());
    }
    return out.Take();
}

// An 8-bit grey picture as grey bitmaps are stored: a grey-ramp palette and each pixel's grey level as
// its index.
std::vector<uint8_t> GreyBmpFile(int w, int h, const std::function<uint8_t(int, int)>& level) {
    plat::ByteWriter out;
    const uint32_t row = qv::test::WriteBmpHead(out, w, h, 8, 256);
    for (uint32_t i = 0; i < 256; ++i) out.U32(i * 0x010101u);
    for (int y = h - 1; y >= 0; --y) {
        std::vector<uint8_t> line(row, 0);
        for (int x = 0; x < w; ++x) line[static_cast<size_t>(x)] = level(x, y);
        out.Bytes(line.data(), line.size());
    }
    return out.Take();
}

Rgb Gradient(int x, int y) {
    return {static_cast<uint8_t>(x * 30 + 5), static_cast<uint8_t>(y * 30 + 9), static_cast<uint8_t>((x + y) * 10)};
}

class GameReadsTextureRecord : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("qv_tex_game_" + std::to_string(getpid()) + "_" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
        qv::SetEditorMessageHook([](const qv::EditorMessage&) { return qv::MessageAnswer::Ok; });
        blocksBefore_ = kes::ImageHeapLiveBlocks();
    }
    void TearDown() override {
        while (kes::TextureListHead()) kes::DestroyTexture(kes::TextureListHead()->name);
        EXPECT_EQ(kes::ImageHeapLiveBlocks(), blocksBefore_);
        qv::SetEditorMessageHook(nullptr);
        fs::remove_all(dir_);
    }
    std::string Put(const std::string& name, const std::vector<uint8_t>& bytes) {
        std::ofstream(dir_ / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return (dir_ / name).string();
    }
    // The editor's record of the texture, read by the game; the game's container of that name.
    const kes::TextureContainer* ThroughTheGame(uint32_t handle, const std::string& name) {
        plat::ByteWriter out;
        EXPECT_EQ(table.WriteRecord(handle, out), 0);
        kes::MemoryImageStream stream(out.Data().data(), out.Size());
        const char* read = nullptr;
        EXPECT_EQ(kes::ReadTextureRecord(stream, &read, 0, 0), 0);
        EXPECT_EQ(stream.Tell(), out.Size()) << "the game reads the whole record and no more";
        EXPECT_EQ(read ? std::string(read) : std::string(), name);
        return kes::FindTexture(name.c_str());
    }
    static void ExpectPicture(const kes::ImageRecord* image, int w, int h, const std::function<Rgb(int, int)>& colour) {
        ASSERT_NE(image, nullptr);
        ASSERT_EQ(image->width, w);
        ASSERT_EQ(image->height, h);
        ASSERT_EQ(image->format, kes::kImage24);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const uint8_t* p = image->pixels + static_cast<size_t>(y) * image->stride + static_cast<size_t>(x) * 3;
                const Rgb c = colour(x, y);
                EXPECT_EQ(p[0], c.r) << x << "," << y;
                EXPECT_EQ(p[1], c.g) << x << "," << y;
                EXPECT_EQ(p[2], c.b) << x << "," << y;
            }
    }

    qv::TextureTable table;
    fs::path dir_;
    size_t blocksBefore_ = 0;
};

TEST_F(GameReadsTextureRecord, ColourPicturesOfEveryStoredDepthArriveUnchanged) {
    struct Case {
        const char* name;
        int size, bits;
    };
    for (const Case c : {Case{"grad24.bmp", 8, 24}, Case{"pal8.bmp", 8, 8}, Case{"small24.bmp", 4, 24},
                         Case{"small8.bmp", 4, 8}}) {
        SCOPED_TRACE(c.name);
        uint32_t handle = 0;
        ASSERT_EQ(table.AddFromFile(Put(c.name, BmpFile(c.size, c.size, c.bits, Gradient)), &handle, c.name), 0);
        const kes::TextureContainer* t = ThroughTheGame(handle, c.name);
        ASSERT_NE(t, nullptr);
        ExpectPicture(t->image, c.size, c.size, Gradient);
        EXPECT_EQ(t->alphaImage, nullptr);
        EXPECT_EQ(t->moreAlphaBits, 0u) << "a \"TXTR\" record";
    }
}

TEST_F(GameReadsTextureRecord, AlphaRecordCarriesTheGreyPicture) {
    uint32_t handle = 0;
    ASSERT_EQ(table.AddFromFile(Put("leaf.bmp", BmpFile(8, 8, 24, Gradient)), &handle, "leaf.bmp"), 0);
    auto grey = [](int x, int y) { return static_cast<uint8_t>((x * 8 + y) * 4); };
    ASSERT_EQ(table.SetAlphaFromFile(handle, Put("leafa.bmp", GreyBmpFile(8, 8, grey))), 0);
    const kes::TextureContainer* t = ThroughTheGame(handle, "leaf.bmp");
    ASSERT_NE(t, nullptr);
    ExpectPicture(t->image, 8, 8, Gradient);
    ASSERT_NE(t->alphaImage, nullptr);
    EXPECT_EQ(t->moreAlphaBits, 1u) << "a \"TXTA\" record";
    const kes::ImageRecord* a = t->alphaImage;
    ASSERT_EQ(a->width, 8);
    const uint32_t bytesPerPixel = a->stride / a->width;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(a->pixels[static_cast<size_t>(y) * a->stride + static_cast<size_t>(x) * bytesPerPixel], grey(x, y))
                << x << "," << y;
}

// The colour of a pixel of a game picture read straight from a bitmap, as the game's textures
// widen it: 16-bit pixels 5-5-5, 32-bit blue, green, red, 24-bit red, green, blue.
Rgb GameColour(const kes::ImageRecord& image, int x, int y) {
    const uint8_t* row = image.pixels + static_cast<size_t>(y) * image.stride;
    switch (image.format) {
        case kes::kImage16: {
            const uint16_t v = plat::LoadU16(row + x * 2);
            return {static_cast<uint8_t>(((v >> 10) & 31) * 255 / 31), static_cast<uint8_t>(((v >> 5) & 31) * 255 / 31),
                    static_cast<uint8_t>((v & 31) * 255 / 31)};
        }
        case kes::kImage32: return {row[x * 4 + 2], row[x * 4 + 1], row[x * 4]};
        default: return {row[x * 3], row[x * 3 + 1], row[x * 3 + 2]};
    }
}

// Bitmaps as other programs write them (16 bits, bit fields, the longer headers): the editor
// takes each, and the game reads the editor's record in the colours it reads the file in itself.
TEST_F(GameReadsTextureRecord, BitmapsOfOtherProgramsLookTheSameInEditorAndGame) {
    struct Case {
        const char* name;
        uint16_t bits;
        uint32_t compression;
        uint32_t headerSize;
        uint32_t masks[3];
    };
    const Case cases[] = {
        {"plain16.bmp", 16, 0, 40, {}},
        {"rgb565.bmp", 16, 3, 40, {0xF800, 0x07E0, 0x001F}},
        {"rgb565v5.bmp", 16, 3, 124, {0xF800, 0x07E0, 0x001F}},
        {"v5.bmp", 24, 0, 124, {}},
        {"v4red.bmp", 32, 3, 108, {0x0000FF, 0x00FF00, 0xFF0000}},
        {"v5plain32.bmp", 32, 0, 124, {}},
    };
    constexpr int kSide = 4;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        plat::test::BitmapSpec s;
        s.width = kSide;
        s.height = kSide;
        s.bits = c.bits;
        s.compression = c.compression;
        s.headerSize = c.headerSize;
        for (int i = 0; i < 3; ++i) s.masks[i] = c.masks[i];
        const uint32_t row = (kSide * c.bits / 8 + 3) / 4 * 4;
        for (uint32_t i = 0; i < row * kSide; ++i) s.rows.push_back(static_cast<uint8_t>(i * 37 + 11));
        const std::vector<uint8_t> file = plat::test::BitmapBytes(s);
        kes::ImageRecord* direct = kes::ImageFromBitmapFile(file.data(), file.size());
        ASSERT_NE(direct, nullptr);
        uint32_t handle = 0;
        ASSERT_EQ(table.AddFromFile(Put(c.name, file), &handle, c.name), 0);
        const kes::TextureContainer* t = ThroughTheGame(handle, c.name);
        ASSERT_NE(t, nullptr);
        ASSERT_EQ(t->image->width, kSide);
        ASSERT_EQ(t->image->height, kSide);
        // What the editor draws: its decoded bitmap as red, green, blue, alpha.
        const std::optional<qv::Dib> dib = qv::DecodeBmp(file);
        ASSERT_TRUE(dib.has_value());
        const std::vector<uint8_t> drawn = qv::DibToRgba(*dib, nullptr);
        ASSERT_EQ(drawn.size(), static_cast<size_t>(kSide * kSide * 4));
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x) {
                const Rgb want = GameColour(*direct, x, y), got = GameColour(*t->image, x, y);
                EXPECT_EQ(got.r, want.r) << x << "," << y;
                EXPECT_EQ(got.g, want.g) << x << "," << y;
                EXPECT_EQ(got.b, want.b) << x << "," << y;
                const uint8_t* d = &drawn[static_cast<size_t>(y * kSide + x) * 4];
                EXPECT_EQ(d[0], want.r) << "drawn " << x << "," << y;
                EXPECT_EQ(d[1], want.g) << "drawn " << x << "," << y;
                EXPECT_EQ(d[2], want.b) << "drawn " << x << "," << y;
            }
        kes::FreeImage(direct);
    }
}

}  // namespace
