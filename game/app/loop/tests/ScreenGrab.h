#pragma once
// A 24-bit screen grab (the BMP the screen-grab key writes) read back for checks by screen region;
// the program tests of the game and its test programs share it.
#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

namespace kes::testing {

using Rgb = std::array<int, 3>;

struct ScreenGrab {
    uint32_t width = 0, height = 0;
    std::vector<uint8_t> bytes;

    // False unless the file is a whole bottom-up 24-bit picture.
    bool Load(const std::filesystem::path& p) {
        std::ifstream in(p, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
        if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M' || bytes[28] != 24) return false;
        width = bytes[18] | bytes[19] << 8;
        height = bytes[22] | bytes[23] << 8;
        return width > 0 && height > 0 && bytes.size() >= 54 + Row() * height;
    }
    Rgb At(int x, int y) const {
        const size_t at = 54 + (height - 1 - static_cast<size_t>(y)) * Row() + static_cast<size_t>(x) * 3;
        return {bytes[at + 2], bytes[at + 1], bytes[at]};
    }
    // The pixels of [left, right) x [top, bottom) that pass the test.
    template <class Test>
    int Count(int left, int top, int right, int bottom, Test test) const {
        int n = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x) n += test(At(x, y)) ? 1 : 0;
        return n;
    }

private:
    size_t Row() const { return (width * 3 + 3) & ~size_t{3}; }
};

}  // namespace kes::testing
