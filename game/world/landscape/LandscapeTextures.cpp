#include "game/world/landscape/LandscapeTextures.h"

#include <cstring>
#include <memory>
#include <new>
#include <utility>

#include "game/core/image/ImageDecode.h"
#include "game/core/image/ImageStream.h"
#include "game/core/render/RenderInterface.h"
#include "game/core/texture/TextureContainer.h"
#include "game/world/chunk/ChunkPicture.h"
#include "game/world/chunk/TextureList.h"
#include "game/world/landscape/OrderedJobs.h"

namespace kes {

namespace {

constexpr uint32_t kKindTxtr = ChunkTag("TXTR");

uint8_t* Pixel(ImageRecord* img, uint32_t x, uint32_t y) { return img->pixels + y * img->stride + x * 3; }
const uint8_t* Pixel(const ImageRecord& img, uint32_t x, uint32_t y) {
    return img.pixels + y * img.stride + x * 3;
}

}  // namespace

ImageRecord* ToRgb24(ImageRecord* image) {
    if (!image) return nullptr;
    if (image->format == kImage24) return image;
    if (image->format == kImageGrey) GivePalette(image);
    if (image->format == kImagePaletted) return ExpandPalette(image, kImage24);
    ImageRecord* out = AllocImage(image->width, image->height, kImage24, image->name);
    if (!out) {
        FreeImage(image);
        return nullptr;
    }
    const uint32_t n = static_cast<uint32_t>(image->width) * image->height;
    for (uint32_t i = 0; i < n; ++i) {
        uint8_t* d = out->pixels + i * 3;
        if (image->format == kImage32) {
            const uint8_t* p = image->pixels + i * 4;  // blue, green, red, unused
            d[0] = p[2], d[1] = p[1], d[2] = p[0];
        } else {  // 16-bit pixels, five bits a channel
            const uint16_t p = static_cast<uint16_t>(image->pixels[i * 2] | (image->pixels[i * 2 + 1] << 8));
            d[0] = static_cast<uint8_t>(((p >> 10) & 31) << 3);
            d[1] = static_cast<uint8_t>(((p >> 5) & 31) << 3);
            d[2] = static_cast<uint8_t>((p & 31) << 3);
        }
    }
    FreeImage(image);
    return out;
}

void CopyTileEdges(const ImageRecord& src, ImageRecord* dst) {
    if (!dst || dst->width == 0 || dst->height == 0 || src.format != kImage24 || dst->format != kImage24) return;
    const uint32_t w = dst->width, h = dst->height;
    auto srcX = [&](uint32_t x) { return x * 2 < src.width ? x * 2 : src.width - 1u; };
    auto srcY = [&](uint32_t y) { return y * 2 < src.height ? y * 2 : src.height - 1u; };
    for (uint32_t x = 0; x < w; ++x) {
        std::memcpy(Pixel(dst, x, 0), Pixel(src, srcX(x), 0), 3);
        std::memcpy(Pixel(dst, x, h - 1), Pixel(src, srcX(x), src.height - 1u), 3);
    }
    for (uint32_t y = 0; y < h; ++y) {
        std::memcpy(Pixel(dst, 0, y), Pixel(src, 0, srcY(y)), 3);
        std::memcpy(Pixel(dst, w - 1, y), Pixel(src, src.width - 1u, srcY(y)), 3);
    }
}

ImageRecord* HalveTileImage(const ImageRecord& src) {
    const uint32_t w = src.width > 1 ? src.width / 2u : 1u, h = src.height > 1 ? src.height / 2u : 1u;
    ImageRecord* out = AllocImage(w, h, kImage24, src.name);
    if (!out) return nullptr;
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            const uint32_t x0 = x * 2 < src.width ? x * 2 : src.width - 1u, y0 = y * 2 < src.height ? y * 2 : src.height - 1u;
            const uint32_t x1 = x0 + 1 < src.width ? x0 + 1 : x0, y1 = y0 + 1 < src.height ? y0 + 1 : y0;
            for (int k = 0; k < 3; ++k)
                Pixel(out, x, y)[k] = static_cast<uint8_t>((Pixel(src, x0, y0)[k] + Pixel(src, x1, y0)[k] +
                                                            Pixel(src, x0, y1)[k] + Pixel(src, x1, y1)[k]) >> 2);
        }
    CopyTileEdges(src, out);
    return out;
}

namespace {

// One record of the list on its way from the file to the device. The main thread fills the name
// and the picture's bytes; one worker then owns the slot until its job has run.
struct TextureSlot {
    char name[129] = {};
    std::unique_ptr<uint8_t[]> bytes; // the stored picture, decoded by the worker
    size_t size = 0, capacity = 0;
    ImageRecord* image = nullptr;     // the decoded picture, then the container's prepared image
    PreparedTexels* texels = nullptr; // its texels converted for the upload
    bool failed = false;              // an unreadable picture or no memory while preparing

    ~TextureSlot() {
        FreeImage(image);
        FreePreparedTexels(texels);
    }
};

// Picture buffers of finished slots, handed to the next records read: a world reads many pictures
// of one size, and fresh memory for each costs more than reading them.
struct BufferPool {
    struct Buffer {
        std::unique_ptr<uint8_t[]> bytes;
        size_t capacity = 0;
    };
    std::vector<Buffer> free;

    void Lend(TextureSlot& t) {
        if (free.empty()) return;
        t.bytes = std::move(free.back().bytes);
        t.capacity = free.back().capacity;
        free.pop_back();
    }
    void Return(TextureSlot& t) {
        if (t.bytes) free.push_back({std::move(t.bytes), t.capacity});
        t.capacity = 0;
    }
};

// Brings a picture to the tile texture size and, when a device texture will be made, does the
// container's work ahead: mip levels with the tile edges of their larger level, texels converted.
void PrepareSlotImages(TextureSlot& t, int halvings, bool forDevice, const TextureSettings& settings) {
    // The slot holds the image at every step, so that nothing is lost should a step throw.
    // Nothing reads a ground texture's checksum: it is not worked out.
    MemoryImageStream stored(t.bytes.get(), t.size);
    t.image = ToRgb24(ReadImageFromStream(stored, 0, PictureChecksum::Skip));
    for (int k = 0; t.image && k < halvings && t.image->width > 1; ++k) {
        ImageRecord* half = HalveTileImage(*t.image);
        FreeImage(t.image);
        t.image = half;
    }
    if (t.image && forDevice) {
        t.image = PrepareContainerImage(t.image);
        for (ImageRecord* level = t.image; level && level->nextLevel; level = level->nextLevel)
            CopyTileEdges(*level, level->nextLevel);
        // Without texels the upload converts them itself: only memory is short, nothing is lost.
        if (t.image) t.texels = PrepareTexels(t.image, nullptr, 0, settings);
    }
    t.failed = !t.image;
}

// A job on a worker thread: no exception may leave it, so memory running out on the way is
// reported as the slot's failure, as on the loading thread.
void PrepareSlot(TextureSlot& t, int halvings, bool forDevice, const TextureSettings& settings) {
    try {
        PrepareSlotImages(t, halvings, forDevice, settings);
    } catch (const std::bad_alloc&) {
        t.failed = true;
    }
}

// Makes the texture of a prepared slot and its handle, in list order on the main thread.
int32_t FinishSlot(TextureSlot& t, RenderInterface* render, std::vector<uint32_t>* handles) {
    if (t.failed) return kWorldOutOfMemory;
    uint32_t handle = 0;
    if (render) {
        // The container is made here, before the interface makes the device texture from it, so
        // that its mip levels carry the tile edges of their larger level from the start. A texture
        // of the same name that already exists is shared, as the interface does.
        if (!FindTexture(t.name)) {
            if (AddPreparedTextureContainer(t.name, std::exchange(t.image, nullptr), 0,
                                            std::exchange(t.texels, nullptr)) != 0)
                return kWorldOutOfMemory;
        }
        if (render->CreateTextureFromImage(t.name, nullptr, &handle, 1) != 0) handle = 0;
        // An interface that makes no device texture leaves the texels unused.
        DropPreparedTexels(FindTexture(t.name));
    }
    FreeImage(std::exchange(t.image, nullptr));
    FreePreparedTexels(std::exchange(t.texels, nullptr));
    handles->push_back(handle);
    return 0;
}

}  // namespace

int32_t LoadLandscapeTextures(ChunkStream& s, RenderInterface* render, uint32_t textureSize,
                              LandscapeProgressFn progress, std::vector<uint32_t>* handles) {
    handles->clear();
    s.Skip(8);  // the list's own head: the tag and size are the editor's business
    const uint32_t count = s.U32();
    if (!s.Ok() || count > s.Remaining() / kMinTextureRecordBytes) return kWorldOutOfMemory;
    // Stored textures are 256 pixels a side; each detail step below the highest halves them once.
    const int halvings = textureSize >= 256 ? 0 : textureSize == 128 ? 1 : 2;
    const TextureSettings settings = CurrentTextureSettings();
    // The file is read and the textures made in list order here; what lies between (sizing, mip
    // levels, texel conversion) runs on workers, a few records ahead of the uploads.
    std::vector<TextureSlot> slots(count);
    BufferPool pool;
    const unsigned threads = LoadThreads(count);
    const size_t ahead = static_cast<size_t>(threads) * 2;
    OrderedJobs jobs(threads, count,
                     [&](size_t i) { PrepareSlot(slots[i], halvings, render != nullptr, settings); });
    int32_t result = 0;
    uint32_t read = 0, finished = 0;
    auto finishNext = [&] {
        jobs.Wait(finished);
        result = FinishSlot(slots[finished], render, handles);
        pool.Return(slots[finished]);
        ++finished;
        return result == 0;
    };
    for (; read < count; ++read) {
        if (read - finished >= ahead && !finishNext()) return result;
        if (progress) progress(s);
        const uint32_t kind = s.U32();
        if (!s.Ok()) {
            result = kWorldOutOfMemory;
            break;
        }
        if (kind != kKindTxtr) {
            result = kWorldBadTextureKind;
            break;
        }
        TextureSlot& t = slots[read];
        if (!s.Bytes(t.name, 128)) {
            result = kWorldBadTextureKind;
            break;
        }
        pool.Lend(t);
        t.size = ReadChunkPictureBytes(s, &t.bytes, &t.capacity);
        if (t.size == 0) {
            result = kWorldOutOfMemory;
            break;
        }
        jobs.Submit();
    }
    // The records before a bad one are still made, in order; their own failure comes first.
    const int32_t readResult = result;
    while (finished < read)
        if (!finishNext()) return result;
    return readResult;
}

}  // namespace kes
