#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/app/startup/CommandLine.h"

namespace kes {
namespace {

TEST(CommandLine, TokenizerKeepsQuotedBlanks) {
    struct Case { const char* text; std::vector<std::string> tokens; };
    const Case cases[] = {
        {"", {}},
        {"  \t ", {}},
        {"game.exe", {"game.exe"}},
        {"  a\tb  c ", {"a", "b", "c"}},
        {"x /TRACKFOLDER \"My Tracks\" w.wld", {"x", "/TRACKFOLDER", "My Tracks", "w.wld"}},
        {"x \"open ended", {"x", "open ended"}},
        {"x \"\" y", {"x", "", "y"}},
        {"a\"b c\"", {"a\"b", "c\""}},
    };
    for (const Case& c : cases) EXPECT_EQ(TokenizeCommandLine(c.text), c.tokens) << c.text;
}

TEST(CommandLine, SwitchesAsATable) {
    struct Case {
        const char* text;
        std::string trackFolder;
        bool noMenu, windowed, noConfig;
        std::string world;
    };
    const Case cases[] = {
        {"k", "", false, false, false, ""},
        {"k /TRACKFOLDER \"D:\\My Tracks\"", "D:\\My Tracks\\", false, false, false, ""},
        {"k /trackfolder Mine\\", "Mine\\", false, false, false, ""},
        {"k one.wld two.wld", "", false, false, false, "two.wld"},
        {"k /aibiker 100 w.wld", "", false, false, false, "w.wld"},
        {"k /AVISTRETCH 1 2 w.wld /AVIFPS 30", "", false, false, false, "w.wld"},
        {"k /NOMENU /window /NoConfig", "", true, true, true, ""},
        {"k /NOMENU /MENU", "", false, false, false, ""},
        {"k /AVIRECORD out.avi", "", false, false, false, ""},
        {"k /TRACKFOLDER", "\\", false, false, false, ""},
    };
    for (const Case& c : cases) {
        const CommandLine cl = ParseCommandTokens(TokenizeCommandLine(c.text));
        EXPECT_EQ(cl.programPath, "k") << c.text;
        EXPECT_EQ(cl.trackFolder, c.trackFolder) << c.text;
        EXPECT_EQ(cl.noMenu, c.noMenu) << c.text;
        EXPECT_EQ(cl.windowed, c.windowed) << c.text;
        EXPECT_EQ(cl.noConfig, c.noConfig) << c.text;
        EXPECT_EQ(cl.worldFile, c.world) << c.text;
    }
}

TEST(CommandLine, SwitchesWithoutEffectKeepTheirLimits) {
    const CommandLine a = ParseCommandTokens(TokenizeCommandLine("k /aibiker 100 /CDTRACK 64 /AVISTRETCH 3 -4"));
    EXPECT_EQ(a.aiBiker, 64u);
    EXPECT_EQ(a.cdTrack, 0u);
    EXPECT_EQ(a.aviStretchA, 3);
    EXPECT_EQ(a.aviStretchB, -4);
    const CommandLine b = ParseCommandTokens(TokenizeCommandLine("k /AIBIKER 7x /CDTRACK 63 /AVIRECORD f.avi"));
    EXPECT_EQ(b.aiBiker, 7u);
    EXPECT_EQ(b.cdTrack, 63u);
    EXPECT_EQ(b.aviRecord, "f.avi");
    EXPECT_TRUE(b.worldFile.empty());
    EXPECT_EQ(AtoiLike("  -12abc"), -12);
    EXPECT_EQ(AtoiLike("99999999999999"), 2147483647);
    EXPECT_EQ(AtoiLike("x"), 0);
}

}  // namespace
}  // namespace kes
