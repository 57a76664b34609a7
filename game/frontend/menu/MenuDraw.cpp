// Drawing of buttons, texts, items, lists and the cursor from the button textures and the fonts.
#include <algorithm>
#include <string_view>
#include <vector>

#include "game/core/render/RenderInterface.h"
#include "game/core/sprite/Sprites.h"
#include "game/core/text/TextTable.h"
#include "game/frontend/menu/ButtonImages.h"
#include "game/frontend/menu/FrontEnd.h"
#include "game/frontend/menu/Menu.h"
#include "game/frontend/menu/MenuInternal.h"
#include "platform/sys/Fpu.h"

namespace kes {

namespace {

// The list selection bar.
constexpr TextureRect kSelectionBar = {kSelectionBarTexels[0] / 256, kSelectionBarTexels[1] / 256,
                                       kSelectionBarTexels[2] / 256, kSelectionBarTexels[3] / 256};
constexpr TextureRect kCursorRect = {2.0f / 256, 2.0f / 256, 254.0f / 256, 254.0f / 256};

struct FontMetrics {
    int32_t width, height, advance, line;
};
constexpr FontMetrics kLargeFont = {16, 18, 11, 18};
constexpr FontMetrics kSmallFont = {8, 10, 7, 12};

void Select(uint32_t handle) {
    if (RenderInterface* r = MenuRenderer()) r->SelectTexture(handle);
}

const char* Label(const MenuItem* item) { return item->label ? GetText(static_cast<int>(item->label)) : nullptr; }

// Breaks a text into lines: "\r" and "@" end a line; a line longer than perLine breaks at its last
// blank within the limit (or at the limit when it has none).
std::vector<std::string_view> Lines(std::string_view text, uint32_t perLine) {
    std::vector<std::string_view> out;
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != '\r' && text[i] != '@') continue;
        std::string_view line = text.substr(start, i - start);
        while (perLine > 0 && line.size() > perLine) {
            const size_t blank = line.substr(0, perLine + 1).rfind(' ');
            const size_t cut = blank == std::string_view::npos || blank == 0 ? perLine : blank;
            out.push_back(line.substr(0, cut));
            line = line.substr(cut + (cut == blank ? 1 : 0));
        }
        out.push_back(line);
        start = i + 1;
    }
    return out;
}

struct ListGeometry {
    int32_t originX, originY, width, height, column, row, visible, barLeft, barRight;
    bool engineRows, largeBar;
};

const ListGeometry* ListFor(uint32_t type) {
    static const ListGeometry kList16 = {15, 15, 119, 156, 7, 14, 11, 8, 136, true, false};
    static const ListGeometry kList18 = {20, 70, 154, 260, 11, 20, 13, 20, 158, false, true};
    static const ListGeometry kList21 = {19, 23, 217, 228, 7, 12, 19, 19, 249, true, false};
    switch (type) {
    case kItemListBox: return &kList16;
    case kItemLargeList: return &kList18;
    case kItemWideList: return &kList21;
    default: return nullptr;
    }
}

void DrawList(ViewRecord* view, MenuItem* item, const ListGeometry& g) {
    const float left = item->hit[0] + static_cast<float>(g.originX) / 640.0f;
    const float top = item->hit[1] + static_cast<float>(g.originY) / 480.0f;
    item->listArea[0] = left;
    item->listArea[1] = top;
    item->listArea[2] = left + static_cast<float>(g.width) / 640.0f;
    item->listArea[3] = top + static_cast<float>(g.height) / 480.0f;
    item->inverseColumn = 640.0f / static_cast<float>(g.column);
    item->inverseRow = 480.0f / static_cast<float>(g.row);
    const int32_t rowY0 = g.originY;
    if (item->maximum != 0) {
        const int32_t selected = plat::FloatToInt(item->value);
        int32_t first = plat::FloatToInt(item->firstRow);
        if (selected < first) first = selected;
        if (selected > first + g.visible - 1) first = selected - (g.visible - 1);
        item->firstRow = static_cast<float>(first);
        const int32_t r = selected - first;
        int32_t barLeft = g.barLeft, barRight = g.barRight;
        if (item->type == kItemWideList && item->barLeft != 0) {
            barLeft = g.barLeft + item->barLeft;
            barRight = g.barLeft + item->barRight;
        }
        const int32_t y = item->y + rowY0 + g.row * r;
        const int32_t height = g.largeBar ? 19 : 11;
        const Sprite bar = {static_cast<float>(item->x + barLeft) / 640.0f, static_cast<float>(y) / 480.0f,
                            static_cast<float>(item->x + barRight) / 640.0f, static_cast<float>(y + height) / 480.0f,
                            0.5f, kButtonNormal, &kSelectionBar};
        Select(FrontEnd().buttons[0]);
        DrawSprites(&bar, 1);
    }
    if (!g.engineRows || !item->list) return;
    const int32_t first = plat::FloatToInt(item->firstRow);
    const int32_t textX = item->type == kItemListBox ? 8 : 19;
    int32_t count = 0;
    while (item->list[count]) ++count;
    for (int32_t r = 0; r < g.visible && first + r < count; ++r) {
        if (first + r < 0) continue;
        DrawMenuText(view, item->x + textX, item->y + rowY0 + g.row * r, item->list[first + r], 4, false, 44);
    }
}

}  // namespace

const TextureRect& GlyphRect(bool large, uint32_t code) {
    static const auto tables = [] {
        struct Tables {
            TextureRect large[kGlyphCount], small[kGlyphCount];
        } t{};
        for (uint32_t c = 0; c < kGlyphCount; ++c) {
            const float column = static_cast<float>(c % 16), row = static_cast<float>(c / 16);
            const float ll = (16.0f * column + 0.33f) / 256.0f, lt = (18.0f * row + 0.33f) / 256.0f;
            t.large[c] = {ll, lt, ll + 0.059570312f, lt + 0.06738281f};
            const float sl = (8.0f * column + 0.33f) / 128.0f, st = (10.0f * row + 0.33f) / 128.0f;
            t.small[c] = {sl, st, sl + 0.056640625f, st + 0.072265625f};
        }
        return t;
    }();
    const uint32_t index = code >= 32 && code < 32 + kGlyphCount ? code - 32 : 0;
    return large ? tables.large[index] : tables.small[index];
}

void DrawButton(ViewRecord*, int32_t x, int32_t y, uint32_t image, float* outRect, uint32_t colour) {
    if (image >= kButtonImageCount) return;
    const ButtonImage& b = kButtons[image];
    const float w = b.right - b.left, h = b.bottom - b.top;
    const float left = static_cast<float>(x) / 640.0f, top = static_cast<float>(y) / 480.0f;
    const TextureRect rect = {b.left / 256.0f, b.top / 256.0f, b.right / 256.0f, b.bottom / 256.0f};
    const Sprite s = {left, top, (static_cast<float>(x) + w) / 640.0f, (static_cast<float>(y) + h) / 480.0f, 0.5f,
                      colour, &rect};
    Select(FrontEnd().buttons[b.texture]);
    DrawSprites(&s, 1);
    if (outRect) {
        outRect[0] = left;
        outRect[1] = top;
        outRect[2] = left + (w + 0.05f) / 640.0f;
        outRect[3] = top + (h + 0.05f) / 480.0f;
    }
}

void DrawMenuText(ViewRecord*, int32_t x, int32_t y, const char* text, uint32_t font, bool centred,
                  uint32_t perLine) {
    if (!text || font < 1 || font > kFontCount) return;
    const bool large = font <= 3;
    const FontMetrics& m = large ? kLargeFont : kSmallFont;
    Select(FrontEnd().fonts[font - 1]);
    Sprite sprites[256];
    int32_t lineY = y;
    for (std::string_view line : Lines(text, perLine)) {
        int32_t cx = x;
        if (centred)
            cx = x + m.advance / 2 - m.width / 2 - static_cast<int32_t>(line.size()) * m.advance / 2;
        uint32_t count = 0;
        for (char ch : line) {
            const auto code = static_cast<uint8_t>(ch);
            // Only codes with a glyph are drawn; others (control bytes, bytes beyond the tables) keep
            // their place.
            if (code >= 32 && code < 32 + kGlyphCount && count < std::size(sprites)) {
                sprites[count++] = {static_cast<float>(cx) / 640.0f, static_cast<float>(lineY) / 480.0f,
                                    static_cast<float>(cx + m.width) / 640.0f,
                                    static_cast<float>(lineY + m.height) / 480.0f, 0.5f, 0xFFFFFFFFu,
                                    &GlyphRect(large, code)};
            }
            cx += m.advance;
        }
        if (count) DrawSprites(sprites, count);
        lineY += m.line;
    }
}

void DrawMenuCursor() {
    if (!FrontEnd().cursor) return;
    int32_t x = 0, y = 0;
    MenuCursor(&x, &y);
    const Sprite s = {static_cast<float>(x - 5) / 640.0f, static_cast<float>(y - 2) / 480.0f,
                      static_cast<float>(x + 47) / 640.0f, static_cast<float>(y + 50) / 480.0f, 0.0f, 0xFFFFFFFFu,
                      &kCursorRect};
    Select(FrontEnd().cursor);
    DrawSprites(&s, 1);
}

void DrawMenuItem(ViewRecord* view, MenuItem* item) {
    if (!item || (item->flags & kItemHidden)) return;
    const int32_t x = item->x, y = item->y;
    const bool lit = (item->state & kItemLit) != 0;
    const char* label = Label(item);
    auto text = [&](int32_t dx, int32_t dy, const char* s, uint32_t font, bool centred, uint32_t perLine = 44) {
        DrawMenuText(view, x + dx, y + dy, s, font, centred, perLine);
    };
    auto knob = [&](int32_t dx, int32_t dy) { DrawButton(view, x + dx, y + dy, 8, item->hit, kButtonNormal); };
    auto litButton = [&](uint32_t normal, uint32_t lighted, int32_t offset) {
        DrawButton(view, x, y, normal, item->hit, kButtonNormal);
        if (lit) DrawButton(view, x + offset, y + offset, lighted, nullptr, kButtonLit);
    };
    const float fraction = item->maximum != 0 ? item->value / item->maximum : 0.0f;
    switch (item->type) {
    case kItemTitle:
        DrawButton(view, x, y, 0, nullptr, kButtonNormal);
        text(118, 22, label, 3, true);
        break;
    case kItemHeading:
        DrawButton(view, x, y, 1, nullptr, kButtonNormal);
        text(122, 17, label, 3, true);
        break;
    case kItemField:
        DrawButton(view, x, y, 2, nullptr, kButtonNormal);
        text(209, 10, item->text, 6, false);
        text(89, 10, label, 1, true);
        break;
    case kItemValueText:
        DrawButton(view, x, y, 3, nullptr, kButtonNormal);
        text(83, 8, label ? label : item->text, 1, true);
        break;
    case kItemBottomButton:
        litButton(4, 5, 2);
        text(lit ? 49 : 47, lit ? 9 : 7, label, 1, false);
        break;
    case kItemMenuButton:
        litButton(6, 7, 2);
        text(lit ? 83 : 81, lit ? 8 : 6, label, 1, false);
        break;
    case kItemSlider:
        DrawButton(view, x, y, 2, nullptr, kButtonNormal);
        if (item->maximum != 0) knob(8 + plat::FloatToInt(150.0f * fraction), 36);
        text(194, 19, item->text, 6, false);
        text(87, 11, label, 1, true);
        break;
    case kItemLeftArrow: litButton(13, 14, 0); break;
    case kItemRightArrow: litButton(11, 12, 0); break;
    case kItemUpArrow: litButton(15, 16, 0); break;
    case kItemDownArrow: litButton(9, 10, 0); break;
    case kItemTextBox:
        DrawButton(view, x, y, 17, item->hit, kButtonNormal);
        text(16, 46, item->text, (item->flags & kItemSecondFont) ? 4 : 3, false);
        text(101, 16, label, 1, true);
        break;
    case kItemSixLineBox:
        DrawButton(view, x, y, 18, item->hit, kButtonNormal);
        for (int32_t i = 0; item->list && i < 6 && item->list[i]; ++i) text(19, 47 + 12 * i, item->list[i], 4, false);
        text(100, 15, label, 1, true);
        break;
    case kItemCaptionSlider:
        DrawButton(view, x, y, 19, nullptr, kButtonNormal);
        if (item->maximum != 0) knob(8 + plat::FloatToInt(150.0f * fraction), 68);
        text(87, 43, item->text, 6, true);
        text(88, 11, label, 1, true);
        break;
    case kItemScrollBar:
        DrawButton(view, x, y, 21, nullptr, kButtonNormal);
        if (item->maximum != 0) knob(-5, -8 + plat::FloatToInt(95.0f * fraction));
        break;
    case kItemListBox:
        DrawButton(view, x, y, 22, item->hit, kButtonNormal);
        DrawList(view, item, *ListFor(item->type));
        break;
    case kItemPanel:
        DrawButton(view, x, y, 23, nullptr, kButtonNormal);
        text(12, 52, item->text, 4, false, 30);
        text(104, 16, label, 3, true);
        break;
    case kItemLargeList: {
        DrawButton(view, x, y, 24, item->hit, kButtonNormal);
        DrawButton(view, x, y + 176, 25, nullptr, kButtonNormal);
        // The list area is measured from the frame; the knob then takes the hit rectangle.
        DrawList(view, item, *ListFor(item->type));
        if (item->maximum != 0) knob(175, 112 + plat::FloatToInt(180.0f * fraction));
        text(88, 12, label, 3, true);
        break;
    }
    case kItemPicture: DrawButton(view, x, y, 26, nullptr, kButtonNormal); break;
    case kItemBigPicture: DrawButton(view, x, y, 33, nullptr, kButtonNormal); break;
    case kItemWideList: {
        DrawButton(view, x, y, 27, item->hit, kButtonNormal);
        DrawButton(view, x + 145, y, 30, nullptr, kButtonNormal);
        DrawButton(view, x, y + 135, 31, nullptr, kButtonNormal);
        DrawButton(view, x + 145, y + 135, 32, nullptr, kButtonNormal);
        DrawList(view, item, *ListFor(item->type));
        if (item->maximum != 0) knob(275, 49 + plat::FloatToInt(160.0f * fraction));
        break;
    }
    case kItemHeadingPanel:
        DrawButton(view, x, y, 28, nullptr, kButtonNormal);
        DrawButton(view, x + 172, y, 29, nullptr, kButtonNormal);
        text(172, 18, item->text ? item->text : label, 3, true);
        break;
    case kItemTwoPartField:
        DrawButton(view, x, y, 34, nullptr, kButtonNormal);
        DrawButton(view, x + 172, y, 35, nullptr, kButtonNormal);
        text(19, 12, item->text, 4, false);
        break;
    case kItemHotSpot:
        DrawButton(view, x, y, 38, item->hit, kButtonNormal);
        if (lit) DrawButton(view, x, y, 40, nullptr, kButtonNormal);
        break;
    case kItemDescriptionField:
        DrawButton(view, x, y, 41, nullptr, kButtonNormal);
        DrawButton(view, x + 172, y, 42, nullptr, kButtonNormal);
        text(19, 12, item->text, 4, false);
        break;
    case kItemWideField:
        DrawButton(view, x, y, 43, nullptr, kButtonNormal);
        DrawButton(view, x + 178, y, 44, nullptr, kButtonNormal);
        text(14, 15, item->text, 3, false);
        break;
    default: break;
    }
    if (item->drawn) item->drawn();
}

}  // namespace kes
