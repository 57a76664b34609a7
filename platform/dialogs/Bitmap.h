#pragma once
// Small pictures of the window layer: toolbar images, the toolbar's image strip and cursor images. A
// bitmap handle given to the editor (a plug-in's toolbar bitmap) points at one of these.
#include <cstdint>
#include <vector>

namespace plat {

struct Bitmap {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;  // width x height x 4 bytes, top row first; alpha 0 is transparent

    Bitmap() = default;
    Bitmap(int w, int h);
    bool Empty() const { return width <= 0 || height <= 0; }
    // The pixel as 0xAARRGGBB (0 outside).
    uint32_t Pixel(int x, int y) const;
    void SetPixel(int x, int y, uint32_t argb);  // outside: nothing
    void FillRect(int left, int top, int right, int bottom, uint32_t argb);
    // A line of one-pixel width from (x0, y0) to (x1, y1), both ends included.
    void Line(int x0, int y0, int x1, int y1, uint32_t argb);
    // The square image `index` of a strip of images `size` pixels wide, side by side.
    Bitmap Cut(int index, int size) const;
};

// A bitmap owned by whoever made it, for handing on as a handle; delete it with DeleteBitmap.
Bitmap* CreateBitmap(int width, int height, const uint8_t* rgba);
void DeleteBitmap(Bitmap* bitmap);

// A cursor: its picture and the pixel of it that points. A cursor handle given to the editor (a
// locked view's cursor) points at one of these.
struct Cursor {
    Bitmap image;
    int hotX = 0, hotY = 0;
};
// A cursor owned by whoever made it; null for a size outside 1..256 or a hot spot outside the picture.
// Delete it with DeleteCursor.
Cursor* CreateCursor(int width, int height, const uint8_t* rgba, int hotX, int hotY);
void DeleteCursor(Cursor* cursor);

}  // namespace plat
