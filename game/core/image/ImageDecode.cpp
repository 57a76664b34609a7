#include "game/core/image/ImageDecode.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <new>
#include <vector>

#include "platform/bitmap/BitmapFile.h"
#include "platform/bytes/ByteIO.h"

namespace kes {

namespace {

constexpr size_t kInfoHeaderSize = 40;

struct InfoHeader {
    uint32_t size;
    int32_t width;
    int32_t height;
    uint16_t planes;
    uint16_t bitCount;
    uint32_t compression;
    uint32_t sizeImage;
    uint32_t clrUsed;
};

InfoHeader ParseInfoHeader(const uint8_t* p) {
    InfoHeader h;
    h.size = plat::LoadU32(p);
    h.width = plat::LoadI32(p + 4);
    h.height = plat::LoadI32(p + 8);
    h.planes = plat::LoadU16(p + 12);
    h.bitCount = plat::LoadU16(p + 14);
    h.compression = plat::LoadU32(p + 16);
    h.sizeImage = plat::LoadU32(p + 20);
    h.clrUsed = plat::LoadU32(p + 32);
    return h;
}

uint32_t FormatForBits(uint32_t bits, bool grey) {
    if (bits <= 8) return grey ? kImageGrey : kImagePaletted;
    if (bits <= 16) return kImage16;
    if (bits <= 24) return kImage24;
    return kImage32;
}

// The row layout of a picture, checked: false for sizes the record cannot hold.
struct Layout {
    uint32_t width = 0, rows = 0;
    size_t rowSize = 0;
    bool topDown = false;
};

// How the rows are padded: bitmap files always to four bytes; stored pictures to two bytes, or to
// four when the header's image size says so.
enum class RowPadding { Bitmap, Stored };

bool MakeLayout(const InfoHeader& h, RowPadding padding, Layout* out) {
    if (h.width <= 0 || h.width > 0xFFFF || h.bitCount == 0 || h.bitCount > 32) return false;
    const int64_t height = h.height;
    const int64_t rows = height < 0 ? -height : height;
    if (rows == 0 || rows > 0xFFFF) return false;
    const uint64_t bitsPerRow = static_cast<uint64_t>(h.bitCount) * static_cast<uint32_t>(h.width);
    out->width = static_cast<uint32_t>(h.width);
    out->rows = static_cast<uint32_t>(rows);
    out->rowSize = padding == RowPadding::Bitmap
                       ? static_cast<size_t>((bitsPerRow + 31) / 32 * 4)
                       : StoredRowBytes(h.bitCount, out->width, out->rows, h.sizeImage);
    out->topDown = height < 0;
    return true;
}

// Exchanges the first and third byte of each 3-byte pixel: blue, green, red becomes red, green, blue.
void SwapRedBlue(uint8_t* p, size_t pixels) {
    for (size_t i = 0; i < pixels; ++i, p += 3) {
        const uint8_t t = p[0];
        p[0] = p[2];
        p[2] = t;
    }
}

// Puts rows that were read bottom row first into top-first order, exchanging rows pairwise in place.
void FlipRows(ImageRecord* image) {
    const size_t stride = image->stride;
    for (uint32_t top = 0, bottom = image->height - 1u; top < bottom; ++top, --bottom)
        std::swap_ranges(image->pixels + top * stride, image->pixels + (top + 1) * stride,
                         image->pixels + bottom * stride);
}

// The palette and (when asked) the checksum of a record whose pixels are in place.
ImageRecord* FinishRecord(ImageRecord* image, const uint32_t* table, PictureChecksum checksum) {
    if (image->palette) {
        if (table) std::memcpy(image->palette, table, 1024);
        else std::memset(image->palette, 0, 1024);
    }
    image->checksum = checksum == PictureChecksum::Compute ? ImageChecksum(*image) : 0;
    return image;
}

// Fills a new record from rows held in memory. Each record row takes as many bytes of its source
// row as both have (a source row narrower than the record's stride leaves zeros).
ImageRecord* BuildRecord(const Layout& l, uint32_t format, const uint8_t* rows, const uint32_t* table,
                         bool flip, PictureChecksum checksum = PictureChecksum::Compute) {
    ImageRecord* image = AllocImage(l.width, l.rows, format, "");
    if (!image) return nullptr;
    const size_t copy = image->stride < l.rowSize ? image->stride : l.rowSize;
    for (uint32_t i = 0; i < l.rows; ++i) {
        const uint8_t* src = rows + static_cast<size_t>(flip ? l.rows - 1 - i : i) * l.rowSize;
        uint8_t* dst = image->pixels + static_cast<size_t>(i) * image->stride;
        std::memcpy(dst, src, copy);
        if (copy < image->stride) std::memset(dst + copy, 0, image->stride - copy);
    }
    if (format == kImage24) SwapRedBlue(image->pixels, static_cast<size_t>(l.width) * l.rows);
    return FinishRecord(image, table, checksum);
}

void ReadTable(const uint8_t* p, size_t entries, uint32_t* table) {
    for (size_t i = 0; i < 256; ++i) table[i] = i < entries ? plat::LoadU32(p + i * 4) : 0;
}

}  // namespace

size_t StoredRowBytes(uint32_t bits, uint32_t width, uint32_t rows, uint32_t imageSize) {
    const uint64_t bitsPerRow = static_cast<uint64_t>(bits) * width;
    const uint64_t even = (bitsPerRow + 15) / 16 * 2;
    const uint64_t padded4 = (bitsPerRow + 31) / 32 * 4;
    return static_cast<size_t>(padded4 != even && imageSize == padded4 * rows ? padded4 : even);
}

bool IsGreyRamp(const uint32_t* table) {
    for (uint32_t i = 0; i < 256; ++i) {
        const uint32_t b = table[i] & 0xFF, g = (table[i] >> 8) & 0xFF, r = (table[i] >> 16) & 0xFF;
        if (b != g || g != r || (b != i && b != 255 - i)) return false;
    }
    return true;
}

ImageRecord* ReadImageFromStream(ImageStream& stream, uint32_t pixelOffset, PictureChecksum checksum) {
    const uint64_t start = stream.Tell();
    uint8_t header[kInfoHeaderSize];
    if (stream.Read(header, sizeof header) != sizeof header) return nullptr;
    const InfoHeader h = ParseInfoHeader(header);
    uint32_t table[256] = {};
    bool grey = false;
    if (h.bitCount <= 8) {
        uint8_t raw[1024];
        if (stream.Read(raw, sizeof raw) != sizeof raw) return nullptr;
        ReadTable(raw, 256, table);
        grey = IsGreyRamp(table);
    }
    if (h.bitCount < 5) return nullptr;
    Layout l;
    if (!MakeLayout(h, RowPadding::Stored, &l)) return nullptr;
    if (pixelOffset != 0) {
        const uint64_t target = start + pixelOffset;
        if (target < stream.Tell() || !stream.Seek(target)) return nullptr;
    }
    const uint64_t bytes = static_cast<uint64_t>(l.rowSize) * l.rows;
    if (bytes > stream.Remaining()) return nullptr;
    const uint32_t format = FormatForBits(h.bitCount, grey);
    // The stream form is always stored bottom row first, whatever the sign of the height.
    if (l.rowSize == static_cast<size_t>(ImageBytesPerPixel(format)) * l.width) {
        // Stored rows are exactly the record's rows: read them in place with one read.
        ImageRecord* image = AllocImage(l.width, l.rows, format, "");
        if (!image) return nullptr;
        if (stream.Read(image->pixels, static_cast<size_t>(bytes)) != bytes) {
            FreeImage(image);
            return nullptr;
        }
        FlipRows(image);
        if (format == kImage24) SwapRedBlue(image->pixels, static_cast<size_t>(l.width) * l.rows);
        return FinishRecord(image, table, checksum);
    }
    std::unique_ptr<uint8_t[]> rows(new (std::nothrow) uint8_t[static_cast<size_t>(bytes)]);
    if (!rows || stream.Read(rows.get(), static_cast<size_t>(bytes)) != bytes) return nullptr;
    return BuildRecord(l, format, rows.get(), table, true, checksum);
}

// A record of red, green, blue bytes from 16- or 32-bit rows whose masks are not those of an
// uncompressed bitmap: each pixel is read through the masks.
static ImageRecord* BitFieldRecord(const plat::BitmapInfo& info, const uint8_t* rows, bool flip) {
    ImageRecord* image = AllocImage(info.width, info.height, kImage24, "");
    if (!image) return nullptr;
    for (uint32_t i = 0; i < info.height; ++i) {
        const uint8_t* src = rows + static_cast<size_t>(flip ? info.height - 1 - i : i) * info.rowBytes;
        plat::BitFieldRowToBgr(info, src, image->pixels + static_cast<size_t>(i) * image->stride);
    }
    SwapRedBlue(image->pixels, static_cast<size_t>(info.width) * info.height);
    return FinishRecord(image, nullptr, PictureChecksum::Compute);
}

// The DIB decoder; the colour table read (zeros without one) goes to tableOut.
static ImageRecord* DecodeDib(const uint8_t* bytes, size_t size, uint32_t pixelOffset, uint32_t* tableOut) {
    // The header in any of its sizes, uncompressed or bit fields of 16 and 32 bits (the shared
    // bitmap reader checks it and gives the masks).
    plat::BitmapInfo info;
    if (!plat::ReadBitmapInfo(bytes, size, &info, nullptr)) return nullptr;
    const InfoHeader h = ParseInfoHeader(bytes);
    uint32_t table[256] = {};
    bool grey = false;
    if (h.bitCount <= 8) {
        const size_t entries = h.clrUsed && h.clrUsed < 256 ? h.clrUsed : 256;
        const size_t tableStart = info.tableOffset;
        const size_t available = size > tableStart ? (size - tableStart) / 4 : 0;
        ReadTable(bytes + tableStart, entries < available ? entries : available, table);
        grey = IsGreyRamp(table);
    }
    if (h.bitCount < 5) return nullptr;
    Layout l;
    if (!MakeLayout(h, RowPadding::Bitmap, &l)) return nullptr;
    const uint64_t need = static_cast<uint64_t>(l.rowSize) * l.rows;
    if (pixelOffset < kInfoHeaderSize || pixelOffset > size || need > size - pixelOffset) return nullptr;
    std::memcpy(tableOut, table, sizeof table);
    if (h.bitCount > 8 && h.bitCount != 24 && !plat::HasPlainMasks(info))
        return BitFieldRecord(info, bytes + pixelOffset, !l.topDown);
    return BuildRecord(l, FormatForBits(h.bitCount, grey), bytes + pixelOffset, table, !l.topDown);
}

ImageRecord* ImageFromDib(const uint8_t* bytes, size_t size, uint32_t pixelOffset) {
    uint32_t table[256];
    return DecodeDib(bytes, size, pixelOffset, table);
}

ImageRecord* ImageFromBitmapFile(const uint8_t* bytes, size_t size) {
    if (!bytes || size < 14 + kInfoHeaderSize || bytes[0] != 'B' || bytes[1] != 'M') return nullptr;
    const uint32_t pixelOffset = plat::LoadU32(bytes + 10);
    if (pixelOffset < 14) return nullptr;
    const InfoHeader h = ParseInfoHeader(bytes + 14);
    // The system loader hands over 8, 16, 24 and 32 bits only.
    if (h.bitCount != 8 && h.bitCount != 16 && h.bitCount != 24 && h.bitCount != 32) return nullptr;
    uint32_t table[256];
    ImageRecord* image = DecodeDib(bytes + 14, size - 14, pixelOffset - 14, table);
    if (!image) return nullptr;
    if (image->format == kImageGrey) {
        // Grey pictures arrive as grey levels: indices translated through the table.
        for (size_t i = 0, n = static_cast<size_t>(image->height) * image->stride; i < n; ++i)
            image->pixels[i] = static_cast<uint8_t>(table[image->pixels[i]] & 0xFF);
        image->checksum = ImageChecksum(*image);
    }
    return image;
}

ImageRecord* LoadImageFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return nullptr;
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return ImageFromBitmapFile(bytes.data(), bytes.size());
}

}  // namespace kes
