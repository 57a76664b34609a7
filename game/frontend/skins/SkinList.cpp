#include "game/frontend/skins/SkinList.h"

#include <cstdio>
#include <cstring>

#include "game/core/config/Config.h"
#include "game/core/image/BitmapCache.h"
#include "game/core/image/ImageDecode.h"
#include "game/core/render/RenderInterface.h"
#include "platform/fs/Paths.h"

namespace kes {

namespace {

// Skin names are numbered from one counter shared by every list while the game runs, so that no two
// skins ever share a texture name.
uint32_t g_skinCounter = 0;

// Builds the half-size level and detaches it as an image of its own; null when it cannot be made.
ImageRecord* DetachHalf(ImageRecord* image) {
    if (!image || HalveImage(image, 2) != 0 || !image->nextLevel) return nullptr;
    ImageRecord* half = image->nextLevel;
    image->nextLevel = nullptr;
    return half;
}

ImageRecord* CopyImage(const ImageRecord* source) {
    if (!source) return nullptr;
    ImageRecord* copy = AllocImage(*source);
    if (!copy) return nullptr;
    std::memcpy(copy->pixels, source->pixels, static_cast<size_t>(source->stride) * source->height);
    if (source->palette && copy->palette) std::memcpy(copy->palette, source->palette, 256 * sizeof(uint32_t));
    copy->checksum = source->checksum;
    return copy;
}

}  // namespace

SkinList::SkinList(RenderInterface* render, const char* maskName) : render_(render) {
    if (!maskName) return;
    mask_ = LoadBitmapFromCache(maskName);
    maskHalf_ = DetachHalf(mask_);
}

SkinList::~SkinList() {
    Clear();
    FreeImage(mask_);
    FreeImage(maskHalf_);
}

bool SkinList::Add(ImageRecord* picture) {
    ImageRecord* half = DetachHalf(picture);
    if (!half) {
        FreeImage(picture);
        return false;
    }
    Skin skin;
    skin.full = picture;
    skin.half = half;
    skin.checksum = picture->checksum;
    std::snprintf(skin.name, sizeof skin.name, "Skin%u", g_skinCounter++);
    skins_.push_back(skin);
    return true;
}

int32_t SkinList::AddFromPack(const char* bitmapName) {
    ImageRecord* picture = LoadBitmapFromCache(bitmapName);
    return picture && Add(picture) ? 0 : -1;
}

int32_t SkinList::AddFolder(std::string_view folder) {
    if (!plat::IsFolder(folder)) return -1;
    const std::string base = plat::ResolvePath(folder);
    for (const plat::FolderEntry& f : plat::ListFolder(folder, "*.bmp")) {
        if (f.isFolder) continue;
        ImageRecord* picture = LoadImageFile(base + "/" + f.name);
        if (!picture || !Add(picture))
            std::fprintf(stderr, "Skins: %s/%s skipped (not a usable picture)\n", base.c_str(), f.name.c_str());
    }
    return 0;
}

uint32_t SkinList::GetTexture(uint32_t index) {
    if (index >= skins_.size() || !render_) return 0;
    Skin& skin = skins_[index];
    const uint32_t wanted = g_Config.textureDetail == 1 ? 1 : 0;
    if (skin.resolution != wanted) {
        if (skin.texture) render_->ReleaseTexture(skin.texture);
        skin.texture = 0;
        skin.resolution = wanted;
    }
    if (skin.texture) return skin.texture;
    // The texture keeps the image it is made from, so it gets a copy.
    ImageRecord* picture = CopyImage(wanted ? skin.full : skin.half);
    uint32_t handle = 0;
    if (!picture || render_->CreateTextureFromImage(skin.name, picture, &handle, 0) != 0) return 0;
    if (ImageRecord* mask = CopyImage(wanted ? mask_ : maskHalf_)) render_->UpdateTexture(handle, mask, 0);
    skin.texture = handle;
    return handle;
}

uint32_t SkinList::GetChecksum(uint32_t index) const { return index < skins_.size() ? skins_[index].checksum : 0; }

uint32_t SkinList::FindChecksum(uint32_t checksum) const {
    for (uint32_t i = 0; i < skins_.size(); ++i)
        if (skins_[i].checksum == checksum) return i;
    return 0;
}

void SkinList::Clear() {
    for (Skin& skin : skins_) {
        if (skin.texture && render_) render_->ReleaseTexture(skin.texture);
        FreeImage(skin.full);
        FreeImage(skin.half);
    }
    skins_.clear();
}

}  // namespace kes
