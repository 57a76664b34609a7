#pragma once
// The bikes' models: three bodies (125, 250, 500), the wheel, rear fork, handlebar and front fork,
// the bike skins with their alpha mask, the two wheel textures and the 8 x 10 overlay font of the name
// labels. A bike is drawn as a chain of parts from its drawing block: rear wheel and rear fork on the
// bike's matrix, the body on the rear fork, the handlebar on the body, the front fork on the
// handlebar and the front wheel on the fork.
#include <array>
#include <cstdint>
#include <memory>
#include <string_view>

#include "game/core/maths/MathTypes.h"
#include "game/core/mesh/Mesh.h"
#include "game/core/sprite/Sprites.h"
#include "game/frontend/skins/SkinList.h"
#include "game/world/race/BikeDrawBlock.h"

namespace kes {

constexpr int32_t kBikeModelsOutOfMemory = static_cast<int32_t>(0x8007000E);

enum BikeMeshIndex : uint32_t {
    kBikeBody125 = 0,
    kBikeBody250 = 1,
    kBikeBody500 = 2,
    kBikeWheel = 3,
    kBikeRearFork = 4,
    kBikeHandlebar = 5,
    kBikeFrontFork = 6,
    kBikeMeshCount = 7,
};

struct BikePartMatrices {
    Matrix4 rearWheel, rearFork, body, handlebar, frontFork, frontWheel;
};

constexpr uint32_t kOverlayGlyphCount = 192;  // character codes 32 to 223

struct BikeModelSet {
    RenderInterface* renderer = nullptr;
    std::unique_ptr<SkinList> skins;
    uint32_t frontWheelTexture = 0;  // "WHEEL"
    uint32_t rearWheelTexture = 0;   // "BWHEEL"
    uint32_t fontTexture = 0;
    std::array<std::unique_ptr<Mesh>, kBikeMeshCount> meshes;
    bool meshesLoaded = true;
    std::array<TextureRect, kOverlayGlyphCount> glyphs{};
};

// The game's bike models.
BikeModelSet& TheBikeModels();

// 0 when everything loaded; 1 when a mesh failed (the meshes after it stay empty and bikes show only
// their handlebar and front wheel); kBikeModelsOutOfMemory when the skin list cannot be made.
// userSkinFolder: the player's bike skin folder, or empty for none.
int32_t LoadBikeModels(BikeModelSet& set, RenderInterface* renderer, bool withLods,
                       std::string_view userSkinFolder = {});
void FreeBikeModels(BikeModelSet& set);

// The part matrices of a drawing block (row vectors, each part's local matrix times its parent's).
void ComputeBikeParts(const BikeDrawBlock& block, BikePartMatrices* out);
// The skin list index a bike skin number stands for: wrapped into the count; -1 with no skins.
int32_t WrapBikeSkin(int32_t skin, uint32_t count);

// Draws the bike (eye: the viewer, which picks the meshes' detail levels) and, with a label, the
// name above it; stores the body's matrix as the block's riderMatrix. Returns 0.
int32_t DrawBike(BikeModelSet& set, BikeDrawBlock& block, RenderInterface* renderer, const char* label,
                 const Vec3& eye);
// The label part of DrawBike: the name's sprites above the point (0, 2.5, 6.0) of bike space.
void DrawBikeLabel(BikeModelSet& set, const BikeDrawBlock& block, RenderInterface* renderer, const char* label);
// Walks the meshes' vertex and face counts (the race start touches the models); returns 0.
int32_t TouchBikeMeshes(const BikeModelSet& set);

// The glyph of a character code of the overlay font: 16 cells a row of 8 x 10 texels on 128 x 128.
TextureRect OverlayGlyph(uint32_t code);
// Lays out the label's sprites centred on the screen point (x, y) (fractions of the screen): one
// sprite per character, 10/480 of the screen high above the point. Characters outside 32..223 are
// drawn as a space. Returns the number of sprites written (at most capacity).
uint32_t LayoutBikeLabel(const char* label, float x, float y, const std::array<TextureRect, kOverlayGlyphCount>& glyphs,
                         Sprite* out, uint32_t capacity);

}  // namespace kes
