#include "game/frontend/pages/select/SelectShared.h"

#include <algorithm>

#include "game/core/config/Config.h"
#include "game/core/render/RenderInterface.h"
#include "game/core/sprite/Sprites.h"
#include "game/frontend/menu/FrontEnd.h"
#include "game/frontend/menu/Menu.h"
#include "game/frontend/session/RaceSession.h"
#include "platform/sys/Fpu.h"

namespace kes {

namespace {

// The world page's preview rectangle, as fractions of the screen.
constexpr float kPreviewRect[4] = {0.1484375f, 0.18958334f, 0.421875f, 0.48333335f};
constexpr TextureRect kWholeTexture = {0.0f, 0.0f, 1.0f, 1.0f};

}  // namespace

std::string PieceInLanguage(std::string_view text, uint32_t language) {
    std::string_view first = text.substr(0, text.find('@'));
    for (uint32_t i = 0; i < language; ++i) {
        const size_t at = text.find('@');
        if (at == std::string_view::npos) return std::string(first);
        text.remove_prefix(at + 1);
    }
    const std::string_view piece = text.substr(0, text.find('@'));
    return std::string(piece.empty() ? first : piece);
}

std::string WorldNameInLanguage(const WorldRecord& world) { return PieceInLanguage(world.nameText, g_Config.language); }

std::string WorldDescriptionInLanguage(const WorldRecord& world) {
    const auto& lines = world.description;
    if (lines.empty()) return {};
    const uint32_t language = g_Config.language;
    if (language < lines.size() && !lines[language].empty()) return lines[language];
    return lines[0];
}

int32_t ClickedListRow(MenuItem& list) {
    if (list.pressRow <= 0) return -1;
    const int32_t row = plat::FloatToInt(list.firstRow) + list.pressRow - 1;
    list.pressRow = 0;
    return row;
}

int32_t ClampSelection(int32_t selection, float maximum) {
    const int32_t last = maximum > 0.0f ? plat::FloatToInt(maximum) : 0;
    return std::clamp(selection, 0, last);
}

void DrawWorldPreviewPicture(const WorldRecord* world) {
    if (!world || !world->previewTexture) return;
    RenderInterface* r = MenuRenderer();
    if (!r) return;
    const Sprite picture = {kPreviewRect[0], kPreviewRect[1], kPreviewRect[2], kPreviewRect[3], 0.5f, 0xFFFFFFFFu,
                            &kWholeTexture};
    r->SelectTexture(world->previewTexture);
    DrawSprites(&picture, 1);
}

}  // namespace kes
