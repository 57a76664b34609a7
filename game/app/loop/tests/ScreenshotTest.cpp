#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "game/app/loop/Screenshot.h"

namespace kes {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

TEST(Screenshot, ThreeByTwoImageIsAByteExactBmp) {
    // Top row red, green, blue; bottom row white, black, grey.
    const std::vector<uint8_t> rgba = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255,
                                       255, 255, 255, 255, 0, 0, 0, 255, 128, 128, 128, 255};
    const std::vector<uint8_t> expected = {
        'B', 'M', 78, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,                  // file header
        40, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0,  // info header
        24, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
        255, 255, 255, 0, 0, 0, 128, 128, 128, 0, 0, 0,                 // bottom row first, BGR, padded
        0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 0};
    EXPECT_EQ(EncodeScreenshotBmp(3, 2, rgba), expected);
}

TEST(Screenshot, NextFreeNumberIsTaken) {
    const fs::path folder = fs::path(::testing::TempDir()) / "grabs_next";
    fs::remove_all(folder);
    fs::create_directories(folder);
    std::ofstream(folder / "PIC0000.BMP") << "x";
    std::ofstream(folder / "PIC0001.BMP") << "y";
    const std::vector<uint8_t> rgba(4 * 4 * 4, 200);
    const std::string path = WriteScreenshot(folder.string(), 4, 4, rgba);
    EXPECT_EQ(fs::path(path).filename(), "PIC0002.BMP");
    EXPECT_EQ(ReadAll(path), EncodeScreenshotBmp(4, 4, rgba));
    EXPECT_EQ(ReadAll(folder / "PIC0000.BMP").size(), 1u);  // earlier grabs untouched
    EXPECT_EQ(WriteScreenshot(folder.string(), 0, 4, rgba), "");
    EXPECT_EQ(WriteScreenshot((folder / "missing").string(), 4, 4, rgba), "");
    fs::remove_all(folder);
}

}  // namespace
}  // namespace kes
