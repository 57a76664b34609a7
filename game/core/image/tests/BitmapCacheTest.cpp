#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "game/core/datapack/DataPack.h"
#include "game/core/image/BitmapCache.h"
#include "game/core/image/ImageDecode.h"
#include "game/core/image/PackImageStream.h"
#include "game/core/image/tests/PictureBuilder.h"
#include "tools/packtool/PackWriter.h"

namespace kes::test {
namespace {

TEST(BitmapCacheTest, BitmapsFromThePack) {
    Picture p;
    p.width = 3;
    p.height = 2;
    p.bits = 24;
    for (int i = 0; i < 18; ++i) p.rowsTopDown.push_back(static_cast<uint8_t>(i + 1));
    std::vector<uint8_t> bmp = BmpFile(p);
    std::vector<uint8_t> shortPalette;  // 8-bit with a 2-entry table and a gap before the rows
    {
        plat::ByteWriter w;
        w.U8('B');
        w.U8('M');
        w.U32(0);
        w.U32(0);
        w.U32(14 + 40 + 8 + 4);
        w.U32(40);
        w.I32(4);
        w.I32(1);
        w.U16(1);
        w.U16(8);
        w.U32(0);
        w.U32(0);
        w.U32(0);
        w.U32(0);
        w.U32(2);  // colours used
        w.U32(0);
        w.U32(0x00FF0000);
        w.U32(0x0000FF00);
        w.U32(0xDEADBEEF);  // gap
        w.U8(1);
        w.U8(0);
        w.U8(1);
        w.U8(0);
        shortPalette = w.Take();
    }
    std::vector<uint8_t> cut = bmp;
    cut.resize(cut.size() - 4);
    std::vector<uint8_t> lyingSize = bmp;
    plat::StoreU32(lyingSize.data() + 2, 0xFFFFFFF0u);  // the size field is not used
    const std::string dir = std::filesystem::temp_directory_path() / ("gravelon-bitmaps-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string pack = dir + "/test.dat";
    std::string error;
    ASSERT_TRUE(tools::WritePack(pack,
                                 {{"A\\PIC.BMP", bmp, true},
                                  {"pal.bmp", shortPalette, false},
                                  {"cut.bmp", cut, false},
                                  {"lying.bmp", lyingSize, false},
                                  {"text.txt", {'h', 'e', 'l', 'l', 'o', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, false}},
                                 &error))
        << error;
    ASSERT_EQ(MakeLoadCache(pack.c_str()), 1);
    ImageRecord* pic = LoadBitmapFromCache("a\\pic.bmp");
    ASSERT_TRUE(pic);
    EXPECT_EQ(pic->width, 3);
    EXPECT_EQ(pic->pixels[0], 3);  // red of the top-left pixel (stored blue, green, red = 1, 2, 3)
    FreeImage(pic);
    ImageRecord* pal = LoadBitmapFromCache("pal.bmp");
    ASSERT_TRUE(pal);
    EXPECT_EQ(pal->format, kImagePaletted);
    EXPECT_EQ(pal->pixels[0], 1);
    EXPECT_EQ(pal->palette[1], 0x0000FF00u);
    FreeImage(pal);
    EXPECT_EQ(LoadBitmapFromCache("cut.bmp"), nullptr);
    ImageRecord* lying = LoadBitmapFromCache("lying.bmp");
    EXPECT_NE(lying, nullptr);
    FreeImage(lying);
    EXPECT_EQ(LoadBitmapFromCache("text.txt"), nullptr);
    EXPECT_EQ(LoadBitmapFromCache("missing.bmp"), nullptr);
    FreeLoadCache();
    std::filesystem::remove_all(dir);
}

TEST(BitmapCacheTest, PicturesThroughTheFileClass) {
    Picture p;
    p.width = 2;
    p.height = 2;
    p.bits = 24;
    p.rowsTopDown.assign(12, 9);
    std::vector<uint8_t> bytes = StreamPicture(p);
    bytes.insert(bytes.end(), bytes.begin(), bytes.end() - 2);  // a second picture, cut short
    const std::string path = std::filesystem::temp_directory_path() / ("gravelon-pic-" + std::to_string(getpid()));
    std::string error;
    ASSERT_TRUE(tools::WriteFileAtomically(path, bytes, &error)) << error;
    PackFile file(path.c_str(), "rb", 0);
    ASSERT_TRUE(file.IsOpen());
    PackImageStream stream(file);
    ImageRecord* first = ReadImageFromStream(stream);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->pixels[0], 9);
    EXPECT_EQ(stream.Tell(), 40u + 2 * 6u);
    FreeImage(first);
    EXPECT_EQ(ReadImageFromStream(stream), nullptr);
    file.Close();
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace kes::test
