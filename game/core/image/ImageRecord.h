#pragma once
// The game's in-memory picture: a header, an optional 256-entry palette and the pixel rows (top row
// first), all in one block of the image heap. Textures, 2D surfaces, sprites and skins are made from
// image records.
#include <cstddef>
#include <cstdint>

namespace kes {

// Format values: bits 8-11 = bytes per pixel; bit 4 = a palette of 256 entries follows the header.
constexpr uint32_t kImagePaletted = 0x110;  // 8-bit indices into the palette
constexpr uint32_t kImageGrey = 0x121;      // 8-bit grey levels with a grey-ramp palette
constexpr uint32_t kImage16 = 0x202;        // 16-bit pixels, copied as they are
constexpr uint32_t kImage24 = 0x300;        // red, green, blue bytes
constexpr uint32_t kImage32 = 0x420;        // 32-bit pixels
constexpr uint32_t kImageHasPalette = 0x10;

inline uint32_t ImageBytesPerPixel(uint32_t format) { return (format >> 8) & 0xF; }

struct ImageRecord {
    ImageRecord* nextLevel;  // next smaller mip level made by HalveImage, or null
    uint16_t width;
    uint16_t height;
    uint32_t stride;         // bytes per row = bytes per pixel x width
    uint32_t format;
    uint32_t* palette;       // 256 words (blue, green, red, 0 from the low byte up), or null
    uint8_t* pixels;         // height x stride bytes, top row first
    uint32_t checksum;
    char name[128];          // at most 127 characters, always terminated
};

// The image heap. Creating it twice is harmless; destroying it frees nothing that is still in use
// (records are freed by their users) but resets the counters.
int CreateImageHeap();
void DestroyImageHeap();
// Blocks currently allocated from the heap (records and separately added palettes).
size_t ImageHeapLiveBlocks();

// A new record of the template's width, height and format; stride = bytes per pixel x width; name
// copied; next level null; palette set when the format has one; pixels as the heap gives them.
ImageRecord* AllocImage(const ImageRecord& templ);
// A new record of the given size and format with an empty name.
ImageRecord* AllocImage(uint32_t width, uint32_t height, uint32_t format, const char* name = "");
// Frees a palette added later, the chain of smaller levels, then the block. Null is accepted.
void FreeImage(ImageRecord* image);

// Copies a name into the record's field (127 characters at most, terminated).
void SetImageName(ImageRecord* image, const char* name);

// The checksum of the record's palette and pixels, as stored in its header.
uint32_t ImageChecksum(const ImageRecord& image);
// End-around-carry 32-bit addition.
inline uint32_t AddWithCarry(uint32_t a, uint32_t b) {
    uint64_t s = static_cast<uint64_t>(a) + b;
    return static_cast<uint32_t>(s) + static_cast<uint32_t>(s >> 32);
}

// A grey image becomes paletted with the ramp i, i, i; a paletted image becomes a new 24-bit record
// (the old one is freed). Other formats come back unchanged. Null when memory fails (the image is
// then freed too).
ImageRecord* ExpandPalette(ImageRecord* image, uint32_t targetFormat = kImage24);
// Gives a grey image a grey-ramp palette in its own heap block and makes it paletted.
void GivePalette(ImageRecord* image);
// Builds levels - 1 successive half-size images linked through nextLevel. 0, or -1 when a level
// cannot be made (sides not equal, an odd side, no memory); levels made so far stay linked.
int HalveImage(ImageRecord* image, int levels);

}  // namespace kes
