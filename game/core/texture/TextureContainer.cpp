#include "game/core/texture/TextureContainer.h"

#include <strings.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "game/core/config/Config.h"
#include "game/core/image/ImageDecode.h"
#include "platform/bytes/ByteIO.h"
#include "platform/gfx/GfxDevice.h"

namespace kes {

// Texels converted for one container's images under given settings, with the levels that point at them.
struct PreparedTexels {
    const ImageRecord* image = nullptr;
    const ImageRecord* alpha = nullptr;
    uint32_t keepFormat = 0;
    TextureSettings settings;
    std::unique_ptr<uint8_t[]> texels;
    std::vector<plat::GfxLevelView> chain;
    bool keyed = false;

    bool Matches(const ImageRecord* i, const ImageRecord* a, uint32_t keep, const TextureSettings& s) const {
        return i == image && a == alpha && keep == keepFormat && s.picture1 == settings.picture1 &&
               s.picture2 == settings.picture2 && s.mipMapping == settings.mipMapping &&
               s.deviceAlphaTest == settings.deviceAlphaTest;
    }
};

namespace {

TextureContainer* g_head = nullptr;
char g_recordName[128];

constexpr uint32_t kKindTxtr = 0x52545854;  // "TXTR" in file order
constexpr uint32_t kKindTxta = 0x41545854;  // "TXTA"

void CopyName(char* dst, const char* src) {
    std::memset(dst, 0, 128);
    if (src) std::memcpy(dst, src, strnlen(src, 127));
}

void Unlink(TextureContainer* c) {
    if (c->prev) c->prev->next = c->next;
    else g_head = c->next;
    if (c->next) c->next->prev = c->prev;
    c->prev = c->next = nullptr;
}

void PushHead(TextureContainer* c) {
    c->prev = nullptr;
    c->next = g_head;
    if (g_head) g_head->prev = c;
    g_head = c;
}

void ReleaseDeviceTexture(TextureContainer* c) {
    if (c->texture && c->device) c->device->DestroyTexture(c->texture);
    c->texture = nullptr;
}

// Replaces an image by its half-size level; an image that cannot be halved stays as it is.
ImageRecord* HalfSize(ImageRecord* image) {
    if (!image || HalveImage(image, 2) != 0 || !image->nextLevel) return image;
    ImageRecord* half = image->nextLevel;
    image->nextLevel = nullptr;
    FreeImage(image);
    return half;
}

// The grey level of one pixel of an alpha image.
uint8_t AlphaAt(const ImageRecord& a, uint32_t x, uint32_t y) {
    const uint8_t* p = a.pixels + static_cast<size_t>(y) * a.stride + x * ImageBytesPerPixel(a.format);
    if (a.format == kImagePaletted && a.palette) return static_cast<uint8_t>(a.palette[p[0]] & 0xFF);
    return p[0];
}

// One row of colour texels as red, green, blue and full alpha, each channel through the picture
// adjustment table.
// The adjustment table for one channel as whole texels: the adjusted value at the channel's byte
// of a texel, the other bytes zero (built bytewise, so that it holds for either byte order).
struct TexelTables {
    uint32_t channel[3][256];
    uint32_t opaque;

    explicit TexelTables(const uint8_t* table) {
        for (int k = 0; k < 3; ++k)
            for (int c = 0; c < 256; ++c) {
                uint8_t bytes[4] = {0, 0, 0, 0};
                bytes[k] = table[c];
                std::memcpy(&channel[k][c], bytes, 4);
            }
        const uint8_t alpha[4] = {0, 0, 0, 255};
        std::memcpy(&opaque, alpha, 4);
    }
};

void ColourRow(const ImageRecord& img, const uint8_t* row, const uint8_t* table, const TexelTables& texels,
               uint8_t* out) {
    const uint32_t w = img.width;
    switch (img.format) {
    case kImage24:
        // The commonest case by far: one lookup per channel and one store per texel.
        for (uint32_t x = 0; x < w; ++x, row += 3, out += 4) {
            const uint32_t t = texels.channel[0][row[0]] | texels.channel[1][row[1]] | texels.channel[2][row[2]] |
                               texels.opaque;
            std::memcpy(out, &t, 4);
        }
        break;
    case kImage32:  // bitmap order: blue, green, red, unused
        for (uint32_t x = 0; x < w; ++x, row += 4, out += 4) {
            out[0] = table[row[2]];
            out[1] = table[row[1]];
            out[2] = table[row[0]];
            out[3] = 255;
        }
        break;
    case kImage16:  // 5 bits per channel, bitmap order
        for (uint32_t x = 0; x < w; ++x, row += 2, out += 4) {
            const uint16_t v = plat::LoadU16(row);
            out[0] = table[((v >> 10) & 31) * 255 / 31];
            out[1] = table[((v >> 5) & 31) * 255 / 31];
            out[2] = table[(v & 31) * 255 / 31];
            out[3] = 255;
        }
        break;
    case kImagePaletted:
        for (uint32_t x = 0; x < w; ++x, out += 4) {
            const uint32_t c = img.palette ? img.palette[row[x]] : 0;
            out[0] = table[(c >> 16) & 0xFF];
            out[1] = table[(c >> 8) & 0xFF];
            out[2] = table[c & 0xFF];
            out[3] = 255;
        }
        break;
    default:  // grey
        for (uint32_t x = 0; x < w; ++x, out += 4) {
            out[0] = out[1] = out[2] = table[row[x]];
            out[3] = 255;
        }
        break;
    }
}

// One level's texels as red, green, blue, alpha, written to out (width x height x 4 bytes).
void BuildLevel(const ImageRecord& img, const ImageRecord* alpha, const TextureSettings& s, bool* keyed,
                uint8_t* out) {
    const uint32_t key = ColourKeyValue(0xFF0000, 0xFF00, 0xFF);
    uint8_t table[256];
    for (int c = 0; c < 256; ++c) table[c] = AdjustChannel(static_cast<uint8_t>(c), s.picture1, s.picture2);
    const TexelTables texels(table);
    const size_t outStride = static_cast<size_t>(img.width) * 4;
    for (uint32_t y = 0; y < img.height; ++y, out += outStride) {
        ColourRow(img, img.pixels + static_cast<size_t>(y) * img.stride, table, texels, out);
        if (!alpha) continue;
        // An alpha image of another size is sampled at the matching place.
        const uint32_t ay = static_cast<uint32_t>(static_cast<uint64_t>(y) * alpha->height / img.height);
        for (uint32_t x = 0; x < img.width; ++x) {
            const uint32_t ax = static_cast<uint32_t>(static_cast<uint64_t>(x) * alpha->width / img.width);
            uint8_t* t = out + x * 4;
            t[3] = static_cast<uint8_t>(AlphaField(AlphaAt(*alpha, ax, ay), 0xFF));
            if (t[3] == 0 && !s.deviceAlphaTest) {
                t[0] = static_cast<uint8_t>(key >> 16);
                t[1] = static_cast<uint8_t>(key >> 8);
                t[2] = static_cast<uint8_t>(key);
                *keyed = true;
            }
        }
    }
}

// The levels a texture uploads, their sizes entered in chain; returns the bytes of all their texels.
size_t PlanLevels(const ImageRecord* image, uint32_t keepFormat, const TextureSettings& s,
                  std::vector<plat::GfxLevelView>* chain) {
    int levels = 1;
    if (s.mipMapping && !keepFormat) {
        levels = 0;
        for (const ImageRecord* i = image; i && i->width > 0; i = i->nextLevel) ++levels;
    }
    chain->clear();
    size_t total = 0;
    for (const ImageRecord* i = image; i && static_cast<int>(chain->size()) < levels; i = i->nextLevel) {
        chain->push_back({i->width, i->height, nullptr});
        total += static_cast<size_t>(i->width) * i->height * 4;
    }
    return total;
}

// Converts the planned levels into texels (one block, level after level) and points the chain at
// them. True when some texel took the colour key.
bool FillLevels(const ImageRecord* image, const ImageRecord* alpha, const TextureSettings& s,
                std::vector<plat::GfxLevelView>* chain, uint8_t* texels) {
    const ImageRecord* colour = image;
    bool keyed = false;
    uint8_t* at = texels;
    for (plat::GfxLevelView& level : *chain) {
        BuildLevel(*colour, alpha, s, &keyed, at);
        level.rgba = at;
        at += static_cast<size_t>(colour->width) * colour->height * 4;
        colour = colour->nextLevel;
        // An alpha chain shorter than the colour chain keeps its last level.
        if (alpha && alpha->nextLevel) alpha = alpha->nextLevel;
    }
    return keyed;
}

// A buffer for the texels of one texture on their way to the device, kept between textures: a
// world loads hundreds of them, and fresh memory for each costs more than converting them.
uint8_t* TexelScratch(size_t bytes) {
    static std::unique_ptr<uint8_t[]> buffer;
    static size_t capacity = 0;
    if (bytes > capacity) {
        buffer.reset(new (std::nothrow) uint8_t[bytes]);
        capacity = buffer ? bytes : 0;
    }
    return buffer.get();
}

}  // namespace

TextureSettings& CurrentTextureSettings() {
    static TextureSettings settings;
    // The sliders and the switch are the settings record's, taken at every use: a change on the
    // options pages reaches the next texture built or rebuilt.
    settings.picture1 = static_cast<int32_t>(std::min<uint32_t>(g_Config.displaySlider1, 100));
    settings.picture2 = static_cast<int32_t>(std::min<uint32_t>(g_Config.displaySlider2, 100));
    settings.mipMapping = g_Config.mipMapping != 0;
    return settings;
}

uint8_t AdjustChannel(uint8_t c, int32_t picture1, int32_t picture2) {
    const int32_t scale = ((picture1 + 50) * 256) / 100;
    const int32_t offset = picture2 - 49;
    return static_cast<uint8_t>(std::clamp(((c * scale) >> 8) + offset, 0, 255));
}

uint32_t ColourKeyValue(uint32_t redMask, uint32_t greenMask, uint32_t blueMask) {
    const uint64_t r = (static_cast<uint64_t>(redMask) * 40 / 255) & redMask;
    const uint64_t g = (static_cast<uint64_t>(greenMask) * 40 / 255) & greenMask;
    const uint64_t b = (static_cast<uint64_t>(blueMask) * 50 / 255) & blueMask;
    return static_cast<uint32_t>(r | g | b);
}

uint32_t AlphaField(uint32_t alpha, uint32_t alphaMask) {
    return static_cast<uint32_t>(((static_cast<uint64_t>(alpha) + 1) * alphaMask) >> 8) & alphaMask;
}

TextureContainer* TextureListHead() { return g_head; }

TextureContainer* FindTexture(const char* name) {
    if (!name) return nullptr;
    for (TextureContainer* c = g_head; c; c = c->next)
        if (strcasecmp(c->name, name) == 0) return c;
    return nullptr;
}

static void PrepareColour(TextureContainer* c, uint32_t keepFormat, uint32_t halfSize) {
    if (keepFormat && !halfSize) return;
    if (c->image && c->image->format == kImagePaletted) c->image = ExpandPalette(c->image, kImage24);
    if (halfSize && c->image && c->image->format == kImage24) c->image = HalfSize(c->image);
    if (!keepFormat && c->image) HalveImage(c->image, 5);
    if (c->alphaImage) {
        if (halfSize) c->alphaImage = HalfSize(c->alphaImage);
        HalveImage(c->alphaImage, 5);
    }
}

int32_t ReadTextureRecord(ImageStream& stream, const char** outName, uint32_t keepFormat, uint32_t halfSize) {
    if (outName) *outName = g_recordName;
    uint8_t word[4];
    if (stream.Read(word, 4) != 4) return 1;
    const uint32_t kind = plat::LoadU32(word);
    if (kind != kKindTxtr && kind != kKindTxta) return 1;
    char name[128];
    if (stream.Read(name, 128) != 128) return -1;
    name[127] = 0;
    CopyName(g_recordName, name);
    ImageRecord* colour = ReadImageFromStream(stream);
    if (!colour) return -1;
    SetImageName(colour, g_recordName);
    ImageRecord* alpha = nullptr;
    if (kind == kKindTxta) {
        alpha = ReadImageFromStream(stream);
        if (!alpha) {
            FreeImage(colour);
            return -1;
        }
    }
    // A name already held keeps its container as it is: the pictures just read are dropped, so a
    // texture listed twice is neither shrunk twice nor given a second chain.
    if (FindTexture(g_recordName)) {
        FreeImage(colour);
        FreeImage(alpha);
        return 0;
    }
    auto* c = new (std::nothrow) TextureContainer{};
    if (!c) {
        FreeImage(colour);
        FreeImage(alpha);
        return kResultOutOfMemory;
    }
    c->image = colour;
    c->alphaImage = alpha;
    c->moreAlphaBits = alpha ? 1 : 0;
    c->keepFormat = keepFormat;
    CopyName(c->name, g_recordName);
    PushHead(c);
    PrepareColour(c, keepFormat, halfSize);
    return 0;
}

int32_t NewTextureContainer(const char* name, ImageRecord* image, uint32_t keepFormat) {
    auto* c = new (std::nothrow) TextureContainer{};
    if (!c) return kResultOutOfMemory;
    CopyName(c->name, name);
    c->keepFormat = keepFormat;
    c->image = PrepareContainerImage(image);
    PushHead(c);
    return 0;
}

int32_t CreateTextureSurface(TextureContainer* c, plat::GfxDevice* device) {
    if (!c || !c->image) return -1;
    if (!device) return kResultFail;
    ReleaseDeviceTexture(c);
    const TextureSettings& s = CurrentTextureSettings();
    const bool wantAlpha = c->forceAlpha || c->alphaImage;
    // Texels converted ahead are used once, and only while they still match the images and settings.
    std::unique_ptr<PreparedTexels> prepared(std::exchange(c->prepared, nullptr));
    if (prepared && !prepared->Matches(c->image, c->alphaImage, c->keepFormat, s)) prepared.reset();
    std::vector<plat::GfxLevelView> chain;
    bool keyed = false;
    if (prepared) {
        chain = prepared->chain;
        keyed = prepared->keyed;
    } else {
        // All levels go into one buffer, converted once and handed to the device without copies.
        const size_t total = PlanLevels(c->image, c->keepFormat, s, &chain);
        uint8_t* texels = TexelScratch(total);
        if (!texels) return kResultFail;
        keyed = FillLevels(c->image, c->alphaImage, s, &chain, texels);
    }
    c->texture = device->CreateTexture(chain.data(), chain.size(), wantAlpha);
    if (!c->texture) return kResultFail;
    if (keyed) device->SetColourKey(c->texture, true, ColourKeyValue(0xFF0000, 0xFF00, 0xFF));
    c->device = device;
    return 0;
}

ImageRecord* PrepareContainerImage(ImageRecord* image) {
    if (image) {
        image = ExpandPalette(image, kImage24);
        if (image) HalveImage(image, 5);
    }
    return image;
}

PreparedTexels* PrepareTexels(const ImageRecord* image, const ImageRecord* alpha, uint32_t keepFormat,
                              const TextureSettings& settings) {
    if (!image) return nullptr;
    std::unique_ptr<PreparedTexels> p(new (std::nothrow) PreparedTexels);
    if (!p) return nullptr;
    p->image = image;
    p->alpha = alpha;
    p->keepFormat = keepFormat;
    p->settings = settings;
    const size_t total = PlanLevels(image, keepFormat, settings, &p->chain);
    p->texels.reset(new (std::nothrow) uint8_t[total]);
    if (!p->texels) return nullptr;
    p->keyed = FillLevels(image, alpha, settings, &p->chain, p->texels.get());
    return p.release();
}

void FreePreparedTexels(PreparedTexels* texels) { delete texels; }

int32_t AddPreparedTextureContainer(const char* name, ImageRecord* image, uint32_t keepFormat,
                                    PreparedTexels* texels) {
    auto* c = new (std::nothrow) TextureContainer{};
    if (!c) {
        FreeImage(image);
        FreePreparedTexels(texels);
        return kResultOutOfMemory;
    }
    CopyName(c->name, name);
    c->keepFormat = keepFormat;
    c->image = image;
    c->prepared = texels;
    PushHead(c);
    return 0;
}

void DropPreparedTexels(TextureContainer* c) {
    if (!c) return;
    FreePreparedTexels(c->prepared);
    c->prepared = nullptr;
}

int32_t RebuildTexture(const char* name, plat::GfxDevice* device) {
    if (!device) return kResultBadArgument;
    TextureContainer* c = FindTexture(name);
    if (!c) return kResultNotFound;
    ReleaseDeviceTexture(c);
    return CreateTextureSurface(c, device);
}

int32_t ReplaceAlphaImage(const char* name, ImageRecord* alpha, plat::GfxDevice* device, uint32_t flags) {
    TextureContainer* c = FindTexture(name);
    if (!c) {
        FreeImage(alpha);
        return kResultNotFound;
    }
    DropPreparedTexels(c);
    FreeImage(c->alphaImage);
    c->alphaImage = alpha;
    if (alpha) {
        c->moreAlphaBits = flags;
        HalveImage(alpha, 5);
    }
    return RebuildTexture(name, device);
}

void ReleaseTextureSurface(const char* name) {
    if (TextureContainer* c = FindTexture(name)) ReleaseDeviceTexture(c);
}

void ReleaseAllTextureSurfaces() {
    for (TextureContainer* c = g_head; c; c = c->next) ReleaseDeviceTexture(c);
}

void DestroyTexture(const char* name) {
    TextureContainer* c = FindTexture(name);
    if (!c) return;
    Unlink(c);
    ReleaseDeviceTexture(c);
    FreeImage(c->image);
    FreeImage(c->alphaImage);
    DropPreparedTexels(c);
    delete c;
}

}  // namespace kes
