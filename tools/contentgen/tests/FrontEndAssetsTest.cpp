#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "game/core/image/ImageDecode.h"
#include "game/core/image/ImageRecord.h"
#include "game/frontend/menu/ButtonImages.h"
#include "game/frontend/menu/FrontEnd.h"
#include "game/frontend/menu/Menu.h"
#include "platform/bytes/AsciiCase.h"
#include "platform/bytes/ByteIO.h"
#include "tools/contentgen/AssetFamilies.h"

namespace tools {
namespace {

class FrontEndAssets : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        kes::CreateImageHeap();
        PackContent pack;
        std::string error;
        ASSERT_TRUE(AddFrontEnd(pack, &error)) << error;
        for (const PackInput& e : pack.Entries()) {
            std::string folded = e.name;
            for (char& c : folded) c = plat::AsciiLower(c);
            entries_[folded] = e.data;
        }
    }
    static const std::vector<uint8_t>* Find(const std::string& name) {
        std::string folded = name;
        for (char& c : folded) c = plat::AsciiLower(c);
        auto it = entries_.find(folded);
        return it == entries_.end() ? nullptr : &it->second;
    }
    // Decodes a picture of the family; fails the test when it is missing or unreadable.
    static kes::ImageRecord* Picture(const std::string& name, uint32_t width, uint32_t height) {
        const std::vector<uint8_t>* bytes = Find(name);
        EXPECT_NE(bytes, nullptr) << name;
        if (!bytes) return nullptr;
        kes::ImageRecord* image = kes::ImageFromBitmapFile(bytes->data(), bytes->size());
        EXPECT_NE(image, nullptr) << name;
        if (image) {
            EXPECT_EQ(image->width, width) << name;
            EXPECT_EQ(image->height, height) << name;
        }
        return image;
    }
    // Grey level (alpha) of a pixel of an 8-bit grey picture.
    static uint8_t Grey(const kes::ImageRecord* image, int x, int y) {
        return image->pixels[static_cast<size_t>(y) * image->stride + static_cast<size_t>(x) * kes::ImageBytesPerPixel(image->format)];
    }
    static std::map<std::string, std::vector<uint8_t>> entries_;
};
std::map<std::string, std::vector<uint8_t>> FrontEndAssets::entries_;

TEST_F(FrontEndAssets, EveryBackgroundAndLoadingScreenIsAScreenSizedPicture) {
    for (uint32_t slot = 1; slot < kes::kBackgroundSlots; ++slot)
        for (uint32_t language = 0; language < 4; ++language)
            kes::FreeImage(Picture(kes::BackgroundName(slot, language), 640, 480));
    for (int i = 1; i <= 8; ++i) kes::FreeImage(Picture("loading screen" + std::to_string(i) + ".bmp", 640, 480));
}

TEST_F(FrontEndAssets, ButtonTexturesAreOpaqueInsideEveryUsedImage) {
    for (uint32_t t = 0; t < 16; ++t) {
        char name[64];
        std::snprintf(name, sizeof name, "FrontEnd\\Buttons\\256buttons%02u", t + 1);
        kes::ImageRecord* colour = Picture(std::string(name) + ".bmp", 256, 256);
        kes::ImageRecord* alpha = Picture(std::string(name) + "-a.bmp", 256, 256);
        if (!colour || !alpha) continue;
        for (uint32_t i = 0; i < kes::kButtonImageCount; ++i) {
            const kes::ButtonImage& b = kes::kButtons[i];
            if (b.texture != t || i == 20 || i == 36 || i == 37 || i == 39) continue;
            const int cx = static_cast<int>((b.left + b.right) / 2), cy = static_cast<int>((b.top + b.bottom) / 2);
            EXPECT_GT(Grey(alpha, cx, cy), 100) << "image " << i;
            // Just outside the corner of the image nothing is painted unless another image is there.
        }
        EXPECT_EQ(Grey(alpha, 255, 255), 0) << name;
        kes::FreeImage(colour);
        kes::FreeImage(alpha);
    }
}

TEST_F(FrontEndAssets, FontsHoldEveryGlyphAndBlanksStayClear) {
    struct Font {
        const char* image;
        const char* alpha;
        int cellW, cellH, size;
    } fonts[] = {
        {"FrontEnd\\Fonts\\font16x18.bmp", "FrontEnd\\Fonts\\font16x18_a.bmp", 16, 18, 256},
        {"FrontEnd\\Fonts\\big font outline.bmp", "FrontEnd\\Fonts\\big font outline_a.bmp", 16, 18, 256},
        {"FrontEnd\\Fonts\\little font outline.bmp", "FrontEnd\\Fonts\\little font outline_a.bmp", 8, 10, 128},
        {"FrontEnd\\Fonts\\Fonts8.BMP", "FrontEnd\\Fonts\\Fonts8A.BMP", 8, 10, 128},
    };
    for (const Font& f : fonts) {
        kes::FreeImage(Picture(f.image, f.size, f.size));
        kes::ImageRecord* alpha = Picture(f.alpha, f.size, f.size);
        if (!alpha) continue;
        auto ink = [&](uint32_t code) {
            const int ox = static_cast<int>((code - 32) % 16) * f.cellW, oy = static_cast<int>((code - 32) / 16) * f.cellH;
            int sum = 0;
            for (int y = 0; y < f.cellH; ++y)
                for (int x = 0; x < f.cellW; ++x) sum += Grey(alpha, ox + x, oy + y);
            return sum;
        };
        EXPECT_EQ(ink(32), 0) << f.alpha << ": the blank is drawn as a sprite too";
        for (uint32_t code = 33; code < 127; ++code) EXPECT_GT(ink(code), 0) << f.alpha << " code " << code;
        for (uint32_t code = 128; code <= 163; ++code) {
            if (code == 143) EXPECT_EQ(ink(code), 0) << f.alpha << ": code 143 has no letter";
            else EXPECT_GT(ink(code), 0) << f.alpha << " accented code " << code;
        }
        kes::FreeImage(alpha);
    }
    kes::FreeImage(Picture("FrontEnd\\Fonts\\font16x18grey.bmp", 256, 256));
    kes::FreeImage(Picture("FrontEnd\\Fonts\\Fonts8gray.bmp", 128, 128));
}

TEST_F(FrontEndAssets, ThePointerTipIsItsHotSpot) {
    kes::FreeImage(Picture("FrontEnd\\mcursor.bmp", 256, 256));
    kes::ImageRecord* alpha = Picture("FrontEnd\\mcursorA.bmp", 256, 256);
    ASSERT_NE(alpha, nullptr);
    // The sprite shows texels 2-254 as 52 pixels from 5 pixels left and 2 above the pointer.
    const float s = 252.0f / 52.0f;
    EXPECT_GT(Grey(alpha, static_cast<int>(2 + 6 * s), static_cast<int>(2 + 6 * s)), 200);
    EXPECT_EQ(Grey(alpha, static_cast<int>(2 + 2 * s), static_cast<int>(2 + 40 * s)), 0);
    kes::FreeImage(alpha);
}

TEST_F(FrontEndAssets, MenuSoundsArePcmWaves) {
    for (uint32_t i = 0; i < kes::kMenuSoundCount; ++i) {
        const std::vector<uint8_t>* wave = Find(kes::MenuSoundName(i));
        ASSERT_NE(wave, nullptr) << kes::MenuSoundName(i);
        ASSERT_GT(wave->size(), 44u);
        EXPECT_EQ(std::memcmp(wave->data(), "RIFF", 4), 0);
        EXPECT_EQ(std::memcmp(wave->data() + 8, "WAVE", 4), 0);
        EXPECT_EQ(plat::LoadU16(wave->data() + 20), 1) << "PCM";
        EXPECT_EQ(plat::LoadU32(wave->data() + 24), 22050u);
        EXPECT_EQ(plat::LoadU32(wave->data() + 40), wave->size() - 44);
    }
}

}  // namespace
}  // namespace tools
