#include "game/frontend/pages/select/SkinPreview.h"

#include "game/core/render/RenderInterface.h"
#include "game/core/sprite/Sprites.h"
#include "game/frontend/menu/Menu.h"
#include "game/frontend/profile/Profile.h"
#include "game/frontend/skins/SkinList.h"
#include "game/world/models/BikeModels.h"
#include "game/world/models/RiderModel.h"

namespace kes {

namespace {

constexpr TextureRect kWholeTexture = {0.0f, 0.0f, 1.0f, 1.0f};
constexpr int32_t kGap = 10;

uint32_t IndexOf(const SkinList* skins, uint32_t checksum) {
    return skins && checksum != 0 ? skins->FindChecksum(checksum) : 0;
}

void DrawSquare(SkinList* skins, uint32_t index, int32_t x, int32_t y, int32_t size) {
    RenderInterface* r = MenuRenderer();
    const uint32_t texture = skins && r ? skins->GetTexture(index) : 0;
    if (!texture) return;
    const Sprite square = {static_cast<float>(x) / 640.0f, static_cast<float>(y) / 480.0f,
                           static_cast<float>(x + size) / 640.0f, static_cast<float>(y + size) / 480.0f, 0.5f,
                           0xFFFFFFFFu, &kWholeTexture};
    r->SelectTexture(texture);
    DrawSprites(&square, 1);
}

}  // namespace

uint32_t RiderSkinIndex(const Profile& profile) { return IndexOf(TheRiderModel().skins.get(), profile.GetRiderSkin()); }
uint32_t BikeSkinIndex(const Profile& profile) { return IndexOf(TheBikeModels().skins.get(), profile.GetBikeSkin()); }

void DrawSkinPreview(int32_t x, int32_t y, int32_t size, uint32_t riderSkin, uint32_t bikeSkin) {
    DrawSquare(TheRiderModel().skins.get(), riderSkin, x, y, size);
    DrawSquare(TheBikeModels().skins.get(), bikeSkin, x + size + kGap, y, size);
}

}  // namespace kes
