// Key-name tables: English, and the codes the other keyboards name differently.
#include "game/core/input/KeyNames.h"

#include <array>
#include <iterator>

namespace kes {
namespace {

struct Name {
    uint16_t code;
    const char* text;
};

constexpr Name kEnglish[] = {
    {1, "ESC"}, {2, "1"}, {3, "2"}, {4, "3"}, {5, "4"}, {6, "5"}, {7, "6"}, {8, "7"}, {9, "8"}, {10, "9"},
    {11, "0"}, {12, "-"}, {13, "="}, {14, "BACKSP"}, {15, "TAB"}, {16, "Q"}, {17, "W"}, {18, "E"},
    {19, "R"}, {20, "T"}, {21, "Y"}, {22, "U"}, {23, "I"}, {24, "O"}, {25, "P"}, {26, "["}, {27, "]"},
    {28, "RETURN"}, {29, "LCTRL"}, {30, "A"}, {31, "S"}, {32, "D"}, {33, "F"}, {34, "G"}, {35, "H"},
    {36, "J"}, {37, "K"}, {38, "L"}, {39, ";"}, {40, "'"}, {41, "#"}, {42, "LSHIFT"}, {43, "\\"},
    {44, "Z"}, {45, "X"}, {46, "C"}, {47, "V"}, {48, "B"}, {49, "N"}, {50, "M"}, {51, ","}, {52, "."},
    {53, "/"}, {54, "RSHIFT"}, {55, "*"}, {56, "LALT"}, {57, "SPACE"}, {58, "CPSLCK"}, {59, "F1"},
    {60, "F2"}, {61, "F3"}, {62, "F4"}, {63, "F5"}, {64, "F6"}, {65, "F7"}, {66, "F8"}, {67, "F9"},
    {68, "F10"}, {69, "NUMLCK"}, {70, "SCRLCK"}, {71, "7(PAD)"}, {72, "8(PAD)"}, {73, "9(PAD)"},
    {74, "-(PAD)"}, {75, "4(PAD)"}, {76, "5(PAD)"}, {77, "6(PAD)"}, {78, "+(PAD)"}, {79, "1(PAD)"},
    {80, "2(PAD)"}, {81, "3(PAD)"}, {82, "0(PAD)"}, {83, ".(PAD)"}, {86, "\\"}, {87, "F11"}, {88, "F12"},
    {100, "F13"}, {101, "F14"}, {102, "F15"}, {112, "KANA"}, {121, "CONVRT"}, {123, "NOCONV"},
    {125, "YEN"}, {141, "=(PAD)"}, {144, "CIRCOM"}, {145, "@"}, {146, ":"}, {147, "_"}, {148, "KANJI"},
    {149, "STOP"}, {150, "AX"}, {156, "ENTER"}, {157, "RCTRL"}, {179, ",(PAD)"}, {181, "/(PAD)"},
    {183, "SYSREQ"}, {184, "RALT"}, {199, "HOME"}, {200, "UP"}, {201, "PG UP"}, {203, "LEFT"},
    {205, "RIGHT"}, {207, "END"}, {208, "DOWN"}, {209, "PGDOWN"}, {210, "INSERT"}, {211, "DELETE"},
    {219, "LWIN"}, {220, "RWIN"}, {221, "APMENU"}, {256, "LMOUSE"}, {257, "RMOUSE"}, {258, "MMOUSE"},
    {260, "JOY 1"}, {261, "JOY 2"}, {262, "JOY 3"}, {263, "JOY 4"}, {264, "JOY 5"}, {265, "JOY 6"},
    {266, "JOY 7"}, {267, "JOY 8"}, {268, "JOY 9"}, {269, "JOY 10"}, {270, "JOY 11"}, {271, "JOY 12"},
    {272, "JOY 13"}, {273, "JOY 14"},
};

constexpr Name kSpanish[] = {
    {12, "'"}, {13, "\xA1"}, {26, "`"}, {27, "+"}, {39, "\xF1"}, {40, "\xB4"}, {41, "\xE7"}, {43, "<"}, {53, "-"},
};

constexpr Name kGerman[] = {
    {12, "\xDF"}, {13, "\xB4"}, {21, "Z"}, {26, "\xFC"}, {27, "+"}, {39, "\xF6"}, {40, "\xE4"}, {43, "<"},
    {44, "Y"}, {53, "-"}, {83, ",(PAD)"},
};

// A French (AZERTY) keyboard.
constexpr Name kFrench[] = {
    {2, "&"}, {3, "\xE9"}, {4, "\""}, {5, "'"}, {6, "("}, {7, "-"}, {8, "\xE8"}, {9, "_"}, {10, "\xE7"},
    {11, "\xE0"}, {12, ")"}, {16, "A"}, {17, "Z"}, {26, "^"}, {27, "$"}, {28, "ENTREE"}, {29, "CTRL G"},
    {30, "Q"}, {39, "M"}, {40, "\xF9"}, {41, "*"}, {42, "SHIFTG"}, {43, "<"}, {44, "W"}, {50, ","},
    {51, ";"}, {52, ":"}, {53, "!"}, {54, "SHIFTD"}, {56, "ALT G"}, {57, "ESPACE"}, {69, "VERNUM"},
    {70, "ARRDEF"}, {183, "SYSTEM"}, {184, "ALT D"}, {200, "HAUT"}, {201, "PREC"}, {203, "GAUCHE"},
    {205, "DROITE"}, {207, "FIN"}, {208, "BAS"}, {209, "SUIV"}, {210, "INSER"}, {211, "SUPR"},
    {219, "WIN G"}, {220, "WIN D"}, {256, "SOUR G"}, {257, "SOUR D"}, {258, "SOUR M"},
};

using Table = std::array<const char*, kKeyNameCount>;

Table Build(const Name* overrides, size_t count) {
    Table t;
    t.fill("?");
    for (const Name& n : kEnglish) t[n.code] = n.text;
    for (size_t i = 0; i < count; ++i) t[overrides[i].code] = overrides[i].text;
    return t;
}

}  // namespace

const char* KeyName(uint32_t language, uint32_t code) {
    static const Table english = Build(nullptr, 0);
    static const Table spanish = Build(kSpanish, std::size(kSpanish));
    static const Table french = Build(kFrench, std::size(kFrench));
    static const Table german = Build(kGerman, std::size(kGerman));
    if (code >= kKeyNameCount) return "?";
    switch (language) {
    case 1: return spanish[code];
    case 2: return french[code];
    case 3: return german[code];
    default: return english[code];
    }
}

}  // namespace kes
