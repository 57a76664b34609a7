#include <gtest/gtest.h>

#include <string>

#include "game/core/input/KeyNames.h"

namespace kes {
namespace {

TEST(KeyNames, TablesNameTheirKeyboards) {
    struct Case { uint32_t language, code; const char* name; };
    const Case cases[] = {
        {0, 0, "?"}, {0, 1, "ESC"}, {0, 14, "BACKSP"}, {0, 51, ","}, {0, 84, "?"}, {0, 88, "F12"},
        {0, 201, "PG UP"}, {0, 256, "LMOUSE"}, {0, 259, "?"}, {0, 260, "JOY 1"}, {0, 273, "JOY 14"},
        {0, 274, "?"}, {7, 30, "A"},
        {1, 12, "'"}, {1, 13, "\xA1"}, {1, 39, "\xF1"}, {1, 53, "-"}, {1, 30, "A"},
        {2, 2, "&"}, {2, 3, "\xE9"}, {2, 16, "A"}, {2, 17, "Z"}, {2, 28, "ENTREE"}, {2, 57, "ESPACE"},
        {2, 211, "SUPR"}, {2, 258, "SOUR M"}, {2, 59, "F1"},
        {3, 12, "\xDF"}, {3, 21, "Z"}, {3, 44, "Y"}, {3, 83, ",(PAD)"}, {3, 26, "\xFC"},
    };
    for (const Case& c : cases) EXPECT_EQ(std::string(KeyName(c.language, c.code)), c.name) << c.language << "/" << c.code;
}

}  // namespace
}  // namespace kes
