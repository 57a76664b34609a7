#pragma once
// The skins offered for riders or for bikes: pictures from the data pack and from a user folder
// (Skins/Rider, Skins/Bike), each kept at full and half size. Textures are made when first drawn, at
// the size the texture-detail setting asks for, with the list's alpha mask. A skin is found again
// (for a remote player or a replay) by its picture's checksum.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "game/core/image/ImageRecord.h"

namespace kes {

class RenderInterface;

class SkinList {
public:
    // The alpha mask is a bitmap of the data pack, or none for a null or unknown name.
    SkinList(RenderInterface* render, const char* maskName);
    ~SkinList();
    SkinList(const SkinList&) = delete;
    SkinList& operator=(const SkinList&) = delete;

    // 0, or -1 when the bitmap is not in the data pack (or has no half-size level).
    int32_t AddFromPack(const char* bitmapName);
    // Adds every readable "*.bmp" of the folder (any case), in name order; pictures that cannot be
    // read are skipped with a line on stderr. 0, or -1 when the folder does not exist. The current
    // folder is left alone.
    int32_t AddFolder(std::string_view folder);

    // The skin's texture, made now if needed; 0 for an index outside the list (an empty list too).
    uint32_t GetTexture(uint32_t index);
    uint32_t GetChecksum(uint32_t index) const;
    // The first skin with that checksum; 0 (the first skin) when none has it.
    uint32_t FindChecksum(uint32_t checksum) const;
    // Releases every texture and frees every picture.
    void Clear();
    uint32_t Count() const { return static_cast<uint32_t>(skins_.size()); }
    const char* Name(uint32_t index) const { return index < skins_.size() ? skins_[index].name : ""; }

private:
    struct Skin {
        ImageRecord* full = nullptr;
        ImageRecord* half = nullptr;
        uint32_t texture = 0;
        uint32_t checksum = 0;
        uint32_t resolution = 1;  // 1 full size, 0 half size
        char name[16] = {};
    };
    // Takes the picture over; false (picture freed) when its half-size level cannot be made.
    bool Add(ImageRecord* picture);

    RenderInterface* render_;
    ImageRecord* mask_ = nullptr;
    ImageRecord* maskHalf_ = nullptr;
    std::vector<Skin> skins_;
};

}  // namespace kes
