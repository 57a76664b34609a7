#pragma once
// Helpers the choosing pages (main, world, profile, rider, championship) share: texts in the
// settings' language, list selection by arrows, keys and clicks, the world preview picture and the
// screenshot key of the current profile.
#include <cstdint>
#include <string>
#include <string_view>

namespace kes {

struct MenuItem;
struct WorldRecord;

// The language-th piece of a text whose pieces are separated by "@" (names of worlds); the first
// piece when that one is missing or empty, so that a world named in one language only still shows.
std::string PieceInLanguage(std::string_view text, uint32_t language);
// The world's name and description in the settings' language (descriptions hold one line per
// language).
std::string WorldNameInLanguage(const WorldRecord& world);
std::string WorldDescriptionInLanguage(const WorldRecord& world);

// The row a press on the list's rows chose (first visible + pressed row - 1), or -1 when there was
// none since the last call. The press is taken from the engine's pressed cell, which a press on the
// rows sets even where the item's hit rectangle is only its knob (the large list); it is used once.
int32_t ClickedListRow(MenuItem& list);
// A selection moved by delta and kept within 0 and FloatToInt(maximum) (0 for an empty list).
int32_t ClampSelection(int32_t selection, float maximum);

// Draws the world's preview picture (when it has one) into the preview rectangle that the world and
// championship pages share.
void DrawWorldPreviewPicture(const WorldRecord* world);

}  // namespace kes
