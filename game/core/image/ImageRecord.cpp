#include "game/core/image/ImageRecord.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/bytes/ByteIO.h"

namespace kes {

namespace {

std::atomic<size_t> g_liveBlocks{0};
constexpr size_t kLargestBlock = size_t(1) << 30;  // refuse absurd requests instead of trying them

void* HeapAlloc(size_t size) {
    if (size == 0 || size > kLargestBlock) return nullptr;
    void* p = std::malloc(size);
    if (p) ++g_liveBlocks;
    return p;
}

void HeapFree(void* p) {
    if (!p) return;
    std::free(p);
    --g_liveBlocks;
}

size_t HeaderSize() { return (sizeof(ImageRecord) + 15) & ~size_t(15); }

// True when the palette pointer lies inside the record's own block.
bool PaletteInBlock(const ImageRecord* image) {
    const uint8_t* block = reinterpret_cast<const uint8_t*>(image);
    const uint8_t* pal = reinterpret_cast<const uint8_t*>(image->palette);
    return pal >= block + HeaderSize() && pal < block + HeaderSize() + 1024 + 1;
}

}  // namespace

int CreateImageHeap() { return 0; }
void DestroyImageHeap() {}
size_t ImageHeapLiveBlocks() { return g_liveBlocks.load(); }

void SetImageName(ImageRecord* image, const char* name) {
    if (!image) return;
    std::memset(image->name, 0, sizeof image->name);
    if (name) std::memcpy(image->name, name, strnlen(name, sizeof image->name - 1));
}

ImageRecord* AllocImage(uint32_t width, uint32_t height, uint32_t format, const char* name) {
    const uint32_t bpp = ImageBytesPerPixel(format);
    if (width == 0 || height == 0 || width > 0xFFFF || height > 0xFFFF || bpp == 0) return nullptr;
    const size_t stride = static_cast<size_t>(bpp) * width;
    const size_t paletteBytes = (format & kImageHasPalette) ? 1024 : 0;
    const size_t total = HeaderSize() + paletteBytes + stride * height;
    uint8_t* block = static_cast<uint8_t*>(HeapAlloc(total));
    if (!block) return nullptr;
    auto* image = new (block) ImageRecord{};
    image->nextLevel = nullptr;
    image->width = static_cast<uint16_t>(width);
    image->height = static_cast<uint16_t>(height);
    image->stride = static_cast<uint32_t>(stride);
    image->format = format;
    image->palette = paletteBytes ? reinterpret_cast<uint32_t*>(block + HeaderSize()) : nullptr;
    image->pixels = block + HeaderSize() + paletteBytes;
    image->checksum = 0;
    SetImageName(image, name);
    return image;
}

ImageRecord* AllocImage(const ImageRecord& templ) {
    return AllocImage(templ.width, templ.height, templ.format, templ.name);
}

void FreeImage(ImageRecord* image) {
    while (image) {
        ImageRecord* next = image->nextLevel;
        if (image->palette && !PaletteInBlock(image)) HeapFree(image->palette);
        image->~ImageRecord();
        HeapFree(image);
        image = next;
    }
}

uint32_t ImageChecksum(const ImageRecord& image) {
    // End-around-carry addition is addition modulo 2^32 - 1 that only yields 0 for a zero total, so
    // the words are summed in 64 bits and the carries folded back in once at the end; the result
    // is the same as adding word by word.
    const size_t pixelBytes = static_cast<size_t>(image.height) * image.stride;
    uint64_t sum = static_cast<uint32_t>(pixelBytes + (image.palette ? 1024 : 0));
    if (image.palette)
        for (int i = 0; i < 256; ++i) sum += image.palette[i];
    const uint8_t* p = image.pixels;
    const size_t words = pixelBytes / 4;
    // Blocks small enough that the 64-bit total cannot overflow before it is folded.
    constexpr size_t kBlock = size_t(1) << 24;
    for (size_t done = 0; done < words;) {
        const size_t end = std::min(words, done + kBlock);
        for (; done < end; ++done) {
            sum += plat::LoadU32(p + done * 4);
        }
        sum = (sum & 0xFFFFFFFFu) + (sum >> 32);
    }
    while (sum >> 32) sum = (sum & 0xFFFFFFFFu) + (sum >> 32);
    return static_cast<uint32_t>(sum);
}

static void FillGreyRamp(uint32_t* palette) {
    for (uint32_t i = 0; i < 256; ++i) palette[i] = i | (i << 8) | (i << 16);
}

void GivePalette(ImageRecord* image) {
    if (!image || image->format != kImageGrey) return;
    auto* pal = static_cast<uint32_t*>(HeapAlloc(1024));
    if (!pal) return;
    FillGreyRamp(pal);
    if (image->palette && !PaletteInBlock(image)) HeapFree(image->palette);
    image->palette = pal;
    image->format = kImagePaletted;
}

ImageRecord* ExpandPalette(ImageRecord* image, uint32_t targetFormat) {
    if (!image || targetFormat != kImage24) return image;
    if (image->format == kImageGrey) {
        if (image->palette) FillGreyRamp(image->palette);
        else GivePalette(image);
        image->format = kImagePaletted;
    }
    if (image->format != kImagePaletted || !image->palette) return image;
    ImageRecord* out = AllocImage(image->width, image->height, kImage24, image->name);
    if (!out) {
        FreeImage(image);
        return nullptr;
    }
    for (size_t i = 0, n = static_cast<size_t>(image->width) * image->height; i < n; ++i) {
        const uint32_t c = image->palette[image->pixels[i]];
        out->pixels[i * 3 + 0] = static_cast<uint8_t>(c >> 16);
        out->pixels[i * 3 + 1] = static_cast<uint8_t>(c >> 8);
        out->pixels[i * 3 + 2] = static_cast<uint8_t>(c);
    }
    out->checksum = image->checksum;
    FreeImage(image);
    return out;
}

// Nearest palette entry to a colour, by the sum of absolute 8-bit channel differences.
static uint8_t NearestEntry(const uint32_t* palette, int r, int g, int b) {
    int best = 0, bestDistance = INT_MAX;
    for (int i = 0; i < 256; ++i) {
        const uint32_t c = palette[i];
        const int d = std::abs(static_cast<int>((c >> 16) & 0xFF) - r) +
                      std::abs(static_cast<int>((c >> 8) & 0xFF) - g) + std::abs(static_cast<int>(c & 0xFF) - b);
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return static_cast<uint8_t>(best);
}

// One row of a half-size image: each byte channel is the mean of the 2 x 2 block below it.
template <uint32_t Bpp>
void AverageRows(const uint8_t* row0, const uint8_t* row1, uint8_t* out, uint32_t width) {
    for (uint32_t x = 0; x < width; ++x, row0 += 2 * Bpp, row1 += 2 * Bpp, out += Bpp)
        for (uint32_t c = 0; c < Bpp; ++c)
            out[c] = static_cast<uint8_t>((row0[c] + row0[Bpp + c] + row1[c] + row1[Bpp + c]) >> 2);
}

static void AverageRowsAnyDepth(uint32_t bpp, const uint8_t* row0, const uint8_t* row1, uint8_t* out,
                                uint32_t width) {
    for (uint32_t x = 0; x < width; ++x)
        for (uint32_t c = 0; c < bpp; ++c)
            out[x * bpp + c] = static_cast<uint8_t>((row0[2 * x * bpp + c] + row0[(2 * x + 1) * bpp + c] +
                                                     row1[2 * x * bpp + c] + row1[(2 * x + 1) * bpp + c]) >> 2);
}

// One row of a half-size paletted image: the two horizontally adjacent pixels of the odd source
// row, averaged and matched to the palette.
static void HalvePalettedRow(const uint32_t* palette, const uint8_t* row1, uint8_t* out, uint32_t width) {
    for (uint32_t x = 0; x < width; ++x) {
        const uint32_t a = palette[row1[2 * x]], b = palette[row1[2 * x + 1]];
        const int r = static_cast<int>(((a >> 16) & 0xFF) + ((b >> 16) & 0xFF)) / 2;
        const int g = static_cast<int>(((a >> 8) & 0xFF) + ((b >> 8) & 0xFF)) / 2;
        const int bl = static_cast<int>((a & 0xFF) + (b & 0xFF)) / 2;
        out[x] = NearestEntry(palette, r, g, bl);
    }
}

int HalveImage(ImageRecord* image, int levels) {
    if (!image || levels < 2) return 0;
    if (image->width != image->height || (image->width & 1) || (image->height & 1)) return -1;
    ImageRecord* half = AllocImage(image->width / 2u, image->height / 2u, image->format, image->name);
    if (!half) return -1;
    if (image->palette && half->palette) std::memcpy(half->palette, image->palette, 1024);
    else if (image->palette && !half->palette) half->palette = nullptr;
    const size_t src = image->stride;
    for (uint32_t y = 0; y < half->height; ++y) {
        const uint8_t* row0 = image->pixels + (2 * y) * src;
        const uint8_t* row1 = row0 + src;
        uint8_t* out = half->pixels + y * half->stride;
        switch (image->format) {
        case kImagePaletted:
            if (image->palette) HalvePalettedRow(image->palette, row1, out, half->width);
            else AverageRows<1>(row0, row1, out, half->width);
            break;
        case kImage16:
            // Packed 16-bit pixels: the top-left one of each block.
            for (uint32_t x = 0; x < half->width; ++x) std::memcpy(out + x * 2, row0 + 4 * x, 2);
            break;
        case kImage24:
            AverageRows<3>(row0, row1, out, half->width);
            break;
        case kImage32:
            AverageRows<4>(row0, row1, out, half->width);
            break;
        default:
            if (ImageBytesPerPixel(image->format) == 1) AverageRows<1>(row0, row1, out, half->width);
            else AverageRowsAnyDepth(ImageBytesPerPixel(image->format), row0, row1, out, half->width);
            break;
        }
    }
    // A chain made earlier is replaced, not leaked.
    FreeImage(image->nextLevel);
    image->nextLevel = half;
    return HalveImage(half, levels - 1);
}

}  // namespace kes
