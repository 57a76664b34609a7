#pragma once
// Named textures: a colour image with its mip chain, an optional grey alpha image, and the device
// texture made from them. Containers live in one list (newest first) searched by name without
// regard to case; device textures are dropped before mode changes and rebuilt from the images.
#include <cstdint>

#include "game/core/image/ImageRecord.h"
#include "game/core/image/ImageStream.h"

namespace plat {
class GfxDevice;
class GfxTexture;
}

namespace kes {

struct PreparedTexels;

constexpr int32_t kResultOutOfMemory = static_cast<int32_t>(0x8007000E);
constexpr int32_t kResultBadArgument = static_cast<int32_t>(0x80070057);
constexpr int32_t kResultFail = static_cast<int32_t>(0x80004005);
constexpr int32_t kResultNotFound = static_cast<int32_t>(0x887600FF);

struct TextureContainer {
    ImageRecord* image;        // colour, 24-bit after preparation, with its chain of smaller levels
    ImageRecord* alphaImage;   // grey, with its chain, or null
    plat::GfxTexture* texture; // the device texture, or null until made
    plat::GfxDevice* device;   // the device that made it
    uint32_t stage;
    char name[128];
    uint32_t forceAlpha;       // a format with alpha is wanted even without an alpha image
    uint32_t moreAlphaBits;    // set for "TXTA" records
    uint32_t zero;
    uint32_t keepFormat;       // no palette expansion and no mip levels
    PreparedTexels* prepared;  // texels converted ahead of the first upload, or null
    TextureContainer* prev;
    TextureContainer* next;
};

// The two picture sliders and the mip-mapping switch of the settings that texture building uses;
// CurrentTextureSettings fills them from the settings record (g_Config) each time it is asked.
struct TextureSettings {
    int32_t picture1 = 50;
    int32_t picture2 = 50;
    bool mipMapping = true;
    // Whether the device alpha-tests; without it, texels of alpha 0 take the colour-key value and
    // the texture gets that key.
    bool deviceAlphaTest = true;
};

// The colour-key value for channel masks of the target format.
uint32_t ColourKeyValue(uint32_t redMask, uint32_t greenMask, uint32_t blueMask);
TextureSettings& CurrentTextureSettings();

TextureContainer* TextureListHead();
TextureContainer* FindTexture(const char* name);

// Reads one texture record ("TXTR" or "TXTA", name, colour picture, alpha picture for "TXTA").
// *outName points at a module buffer holding the record's name. 0 success; 1 unreadable or wrong
// kind; -1 unreadable picture; kResultOutOfMemory. A name already held leaves its container as it
// is (the record is read past and its pictures dropped).
int32_t ReadTextureRecord(ImageStream& stream, const char** outName, uint32_t keepFormat, uint32_t halfSize);
// A new container at the head of the list; the image (owned from now on) is prepared.
int32_t NewTextureContainer(const char* name, ImageRecord* image, uint32_t keepFormat);

// Loaders that prepare many textures at once do the container's image work and the conversion of
// its texels on worker threads, and only link the container and upload on the main thread. Both
// functions below touch nothing but their arguments, so any thread may call them.
// The image as NewTextureContainer prepares it: palette expanded, mip levels made.
ImageRecord* PrepareContainerImage(ImageRecord* image);
// The texels CreateTextureSurface would build for these images under these settings; null when
// memory fails. Freed by FreePreparedTexels, or taken over by a container.
PreparedTexels* PrepareTexels(const ImageRecord* image, const ImageRecord* alpha, uint32_t keepFormat,
                              const TextureSettings& settings);
void FreePreparedTexels(PreparedTexels* texels);
// A new container at the head of the list for an image already prepared by PrepareContainerImage;
// it owns the image and the texels (either may be null) from now on, also when it fails.
int32_t AddPreparedTextureContainer(const char* name, ImageRecord* image, uint32_t keepFormat,
                                    PreparedTexels* texels);
// Frees texels a container holds but has not uploaded.
void DropPreparedTexels(TextureContainer* container);
int32_t RebuildTexture(const char* name, plat::GfxDevice* device);
int32_t ReplaceAlphaImage(const char* name, ImageRecord* alpha, plat::GfxDevice* device, uint32_t flags);
void ReleaseTextureSurface(const char* name);
void ReleaseAllTextureSurfaces();
void DestroyTexture(const char* name);
// Makes the device texture from the images; 0, -1 without an image, kResultFail.
int32_t CreateTextureSurface(TextureContainer* container, plat::GfxDevice* device);

// The picture adjustment of the settings' sliders for one 8-bit channel value.
uint8_t AdjustChannel(uint8_t c, int32_t picture1, int32_t picture2);
// The alpha field of a texel for an alpha mask of the target format; full alpha stays full and
// zero stays zero whatever the width of the field.
uint32_t AlphaField(uint32_t alpha, uint32_t alphaMask);

}  // namespace kes
