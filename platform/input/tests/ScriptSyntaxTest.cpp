// The editor's lines of the shared input-script syntax.
#include "platform/input/ScriptSyntax.h"

#include <gtest/gtest.h>

namespace plat {
namespace {

using Kind = ScriptEvent::Kind;

TEST(ScriptSyntax, EditorEventsWithTheirTextAndAnswers) {
    std::vector<ScriptEvent> e;
    std::string error;
    ASSERT_TRUE(ParseScript("3 command 40094\n"
                            "1 at 100 150\n"
                            "2 focus 1004\n"
                            "2 type Red Hill  two blanks\r\n"
                            "2 type\n"
                            "4 files /tmp/a.bmp /tmp/b.bmp\n"
                            "4 files\n"
                            "5 box no\n5 box 6\n"
                            "6 popup 60006\n"
                            "7 dialog type 1044 pass word\n7 dialog select 1001 4\n7 dialog click 1\n7 dialog close\n"
                            "8 click 1009\n",
                            nullptr, &e, &error))
        << error;
    ASSERT_EQ(e.size(), 15u);
    EXPECT_EQ(e[0].kind, Kind::At);
    EXPECT_EQ(e[0].a, 100);
    EXPECT_EQ(e[0].b, 150);
    EXPECT_EQ(e[2].kind, Kind::Type);
    EXPECT_EQ(e[2].texts, std::vector<std::string>{"Red Hill  two blanks"});
    EXPECT_EQ(e[3].texts, std::vector<std::string>{""});
    EXPECT_EQ(e[4].kind, Kind::Command);
    EXPECT_EQ(e[4].index, 40094u);
    EXPECT_EQ(e[5].texts, (std::vector<std::string>{"/tmp/a.bmp", "/tmp/b.bmp"}));
    EXPECT_TRUE(e[6].texts.empty()) << "no files: the chooser is cancelled";
    EXPECT_EQ(e[7].a, 7);
    EXPECT_EQ(e[8].a, 6);
    EXPECT_EQ(e[9].kind, Kind::Popup);
    EXPECT_EQ(e[10].kind, Kind::DialogType);
    EXPECT_EQ(e[10].index, 1044u);
    EXPECT_EQ(e[10].texts, std::vector<std::string>{"pass word"});
    EXPECT_EQ(e[11].kind, Kind::DialogSelect);
    EXPECT_EQ(e[11].a, 4);
    EXPECT_EQ(e[12].kind, Kind::DialogClick);
    EXPECT_EQ(e[13].kind, Kind::DialogClose);
    EXPECT_EQ(e[14].kind, Kind::Click);
}

TEST(ScriptSyntax, BadEditorLinesAreRefusedWithTheirNumber) {
    const char* bad[] = {"1 command", "1 command x", "1 click 70000", "1 at -1 5", "1 box maybe",
                         "1 dialog", "1 dialog click", "1 dialog select 1001", "1 dialog jump 3", "1 popup"};
    for (const char* line : bad) {
        std::vector<ScriptEvent> e;
        std::string error;
        EXPECT_FALSE(ParseScript(std::string("1 command 1\n") + line, nullptr, &e, &error)) << line;
        EXPECT_EQ(error.rfind("line 2: ", 0), 0u) << error;
    }
}

TEST(ScriptSyntax, KeyNamesComeFromTheProgram) {
    std::vector<ScriptEvent> e;
    std::string error;
    EXPECT_FALSE(ParseScript("1 key F6 down", nullptr, &e, &error));
    auto f6 = [](std::string_view name, uint32_t* code) {
        if (name != "F6") return false;
        *code = 0x40;
        return true;
    };
    ASSERT_TRUE(ParseScript("1 key F6 down\n1 key 2 up", f6, &e, &error)) << error;
    EXPECT_EQ(e[0].index, 0x40u);
    EXPECT_EQ(e[1].index, 2u);
}

}  // namespace
}  // namespace plat
