// The race's pictures: every loading screen the race session can ask for is a whole screen with its
// strips fitting the band they are laid on, the bar is as long as the longest bar the game draws,
// and each countdown cell holds its picture with nothing spilling into the rest of the texture.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "game/core/image/ImageDecode.h"
#include "game/core/image/ImageRecord.h"
#include "game/frontend/race/Race.h"
#include "tools/contentgen/AssetFamilies.h"

namespace tools {
namespace {

class RaceScreens : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        kes::CreateImageHeap();
        PackContent pack;
        std::string error;
        ASSERT_TRUE(AddRaceScreens(pack, &error)) << error;
        for (const PackInput& e : pack.Entries()) entries_[e.name] = e.data;
    }
    // Decoded, or null (the test fails) when missing or unreadable.
    static kes::ImageRecord* Picture(const std::string& name) {
        auto it = entries_.find(name);
        EXPECT_NE(it, entries_.end()) << name;
        if (it == entries_.end()) return nullptr;
        kes::ImageRecord* image = kes::ImageFromBitmapFile(it->second.data(), it->second.size());
        EXPECT_NE(image, nullptr) << name;
        return image;
    }
    static uint8_t Alpha(const kes::ImageRecord* image, int x, int y) {
        return image->pixels[static_cast<size_t>(y) * image->stride + static_cast<size_t>(x) * kes::ImageBytesPerPixel(image->format)];
    }
    static std::map<std::string, std::vector<uint8_t>> entries_;
};
std::map<std::string, std::vector<uint8_t>> RaceScreens::entries_;

TEST_F(RaceScreens, EveryWorldIdentifierHasAScreenAndThreeStrips) {
    std::vector<uint32_t> ids = {0, 2001};
    for (uint32_t base : {1000u, 2000u, 3000u, 4000u})
        for (uint32_t n = 1; n <= 9; ++n) ids.push_back(base + n);
    for (uint32_t id : ids) {
        const std::string file = kes::LoadingScreenName(id);
        SCOPED_TRACE(file);
        if (kes::ImageRecord* screen = Picture("FrontEnd\\Loading\\" + file)) {
            EXPECT_EQ(screen->width, 640u);
            EXPECT_EQ(screen->height, 480u);
            kes::FreeImage(screen);
        }
        for (const char* folder : {"FrontEnd\\LoadSpanish\\", "FrontEnd\\LoadFrench\\", "FrontEnd\\LoadGermain\\"}) {
            kes::ImageRecord* strip = Picture(folder + file);
            if (!strip) continue;
            // Laid at y 333, it must end on the screen.
            EXPECT_LE(strip->width, 640u);
            EXPECT_LE(strip->height, 147u);
            kes::FreeImage(strip);
        }
    }
}

TEST_F(RaceScreens, TheBarCoversTheFullLength) {
    kes::ImageRecord* bar = Picture("FrontEnd\\Loading bar.bmp");
    ASSERT_NE(bar, nullptr);
    EXPECT_GE(bar->width, 496u);
    EXPECT_GE(bar->height, 21u);
    kes::FreeImage(bar);
}

TEST_F(RaceScreens, CountdownPicturesStayInTheirCells) {
    kes::ImageRecord* colour = Picture("numbers\\321go.bmp");
    kes::ImageRecord* alpha = Picture("numbers\\321go-a.bmp");
    ASSERT_NE(colour, nullptr);
    ASSERT_NE(alpha, nullptr);
    EXPECT_EQ(colour->width, 256u);
    EXPECT_EQ(colour->height, 256u);
    struct Cell {
        int left, top, right, bottom;
    } cells[] = {{15, 4, 85, 115}, {91, 5, 160, 114}, {172, 3, 231, 114}, {22, 121, 229, 250}};
    int inside[4] = {}, outside = 0;
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            if (Alpha(alpha, x, y) < 16) continue;
            bool in = false;
            for (int c = 0; c < 4; ++c)
                if (x >= cells[c].left && x < cells[c].right && y >= cells[c].top && y < cells[c].bottom) ++inside[c], in = true;
            outside += in ? 0 : 1;
        }
    EXPECT_EQ(outside, 0);
    for (int c = 0; c < 4; ++c) {
        const int area = (cells[c].right - cells[c].left) * (cells[c].bottom - cells[c].top);
        EXPECT_GT(inside[c], area / 6) << "cell " << c;
    }
    kes::FreeImage(colour);
    kes::FreeImage(alpha);
}

}  // namespace
}  // namespace tools
