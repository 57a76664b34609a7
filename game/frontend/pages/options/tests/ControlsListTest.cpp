// The binding list of the controls page: labels, key names in the font's glyph codes, the bounded
// line and where a click on a line falls.
#include <gtest/gtest.h>

#include <string>

#include "game/core/text/TextTable.h"
#include "game/frontend/pages/options/ControlsList.h"

namespace kes {
namespace {

// A Windows-1252 name as the font's glyphs.
std::string Glyphs(const std::string& cp1252) {
    std::string out;
    for (unsigned char c : cp1252) out.push_back(static_cast<char>(MapTextChar(c)));
    return out;
}

TEST(ControlsList, KeyNamesByLanguageInGlyphCodes) {
    const struct {
        uint32_t language, code;
        const char* cp1252;
    } kCases[] = {
        {0, 0, ""},          {0, 1, "ESC"},         {0, 16, "Q"},        {0, 51, ","},
        {0, 54, "RSHIFT"},   {0, 157, "RCTRL"},     {0, 203, "LEFT"},    {0, 84, "?"},
        {0, 256, "LMOUSE"},  {0, 259, "?"},         {0, 260, "JOY 1"},   {0, 273, "JOY 14"},
        {0, 274, "?"},       {0, 9999, "?"},        // beyond the tables
        {1, 39, "\xF1"},     {1, 13, "\xA1"},       {1, 16, "Q"},        // Spanish: n tilde, inverted !
        {2, 3, "\xE9"},      {2, 4, "\""},          {2, 16, "A"},        {2, 28, "ENTREE"},
        {2, 256, "SOUR G"},  {2, 200, "HAUT"},      {2, 40, "\xF9"},     // French
        {3, 12, "\xDF"},     {3, 21, "Z"},          {3, 44, "Y"},        {3, 26, "\xFC"},  // German
        {3, 83, ",(PAD)"},   {5, 1, "ESC"},         // an unknown language: English
    };
    for (const auto& c : kCases) {
        const std::string name = BindingName(c.language, c.code, false);
        EXPECT_EQ(name, Glyphs(c.cp1252)) << "language " << c.language << " code " << c.code;
        for (unsigned char g : name) EXPECT_TRUE(g >= 32 && g < 180) << "no glyph for byte " << int(g);
    }
    // The acute accent has no glyph: it shows as a blank rather than a byte beyond the font.
    EXPECT_EQ(BindingName(3, 13, false), " ");
    EXPECT_EQ(BindingName(0, 1, true), "------") << "a binding waiting for its key";
}

TEST(ControlsList, AirSwapExchangesTheAirRollLabels) {
    const struct {
        uint32_t slot, airSwap, text;
    } kCases[] = {
        {0, 0, 90}, {0, 1, 90}, {9, 0, 100}, {10, 0, 101}, {9, 1, 98}, {10, 1, 99},
        {16, 0, 104}, {28, 0, 144}, {29, 0, 143}, {30, 0, 145}, {31, 0, 0},
    };
    for (const auto& c : kCases) EXPECT_EQ(ActionLabelText(c.slot, c.airSwap), c.text) << c.slot << "/" << c.airSwap;
}

TEST(ControlsList, LinesKeepTheirColumnsAndNeverOverrun) {
    EXPECT_EQ(ControlsLine("GAZ", "RSHIFT", "JOY 4"), "GAZ              RSHIFT    JOY 4");
    EXPECT_EQ(ControlsLine("", "", ""), std::string(14 + 3 + 6 + 3 + 6, ' '));
    const std::string line = ControlsLine("A LABEL OF THIRTY CHARACTERS!!", "LONGER THAN SIX", "?");
    EXPECT_LT(line.size(), kControlsLineSize);
    EXPECT_EQ(line.substr(0, 17), "A LABEL OF THI   ") << "the label is cut to 14 characters";
    EXPECT_EQ(line.substr(17, 6), "LONGER");
    EXPECT_EQ(ControlsLine(nullptr, "a", "b").size(), 32u);
}

TEST(ControlsList, ClicksFallOnTheDrawnBindingNames) {
    const struct {
        int32_t cell, column;
    } kCases[] = {{0, -1}, {1, -1}, {17, -1}, {18, 0}, {23, 0}, {24, -1}, {26, -1}, {27, 1}, {32, 1}, {33, -1}, {40, -1}};
    for (const auto& c : kCases) EXPECT_EQ(BindingColumnAt(c.cell), c.column) << "cell " << c.cell;
    EXPECT_EQ(BindingColumnStart(0), 17);
    EXPECT_EQ(BindingColumnStart(1), 26);
}

}  // namespace
}  // namespace kes
