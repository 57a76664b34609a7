#include "game/core/text/TextTable.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "game/core/datapack/DataPack.h"
#include "tools/packtool/PackWriter.h"

namespace kes {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

// Puts the given language files in a data pack and opens it as the game's data pack.
class TextTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = (fs::temp_directory_path() /
                 ("gravelon-text-" + std::to_string(getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".dat"))
                    .string();
    }
    void TearDown() override {
        FreeTextTable();
        FreeLoadCache();
        fs::remove(path_);
    }
    void UsePack(const std::vector<tools::PackInput>& files) {
        std::string error;
        ASSERT_TRUE(tools::WritePack(path_, files, &error)) << error;
        ASSERT_EQ(MakeLoadCache(path_.c_str()), 1);
    }
    void UseEnglish(const std::string& text) { UsePack({{"LOCALIZE\\ENGLISH.TXT", Bytes(text), false}}); }

    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        for (int i = 1; i <= GetTextLineCount(); ++i) lines.emplace_back(GetText(i));
        return lines;
    }

    std::string path_;
};

TEST_F(TextTableTest, FourLanguagesByIndex) {
    UsePack({
        {"LOCALIZE\\ENGLISH.TXT", Bytes("Race\r\n"), false},
        {"LOCALIZE\\SPANISH.TXT", Bytes("Carrera\r\n"), true},
        {"LOCALIZE\\FRANCAIS.TXT", Bytes("Course\r\n"), false},
        {"LOCALIZE\\DEUTCH.TXT", Bytes("Rennen\r\n"), false},
    });
    const char* expected[] = {"Race", "Carrera", "Course", "Rennen"};
    for (int language = 0; language < 4; ++language) {
        ASSERT_EQ(LoadTextTable(language), 0);
        EXPECT_EQ(GetLanguage(), language);
        EXPECT_STREQ(GetText(1), expected[language]);
    }
    // Any other index loads English and is kept as 0.
    ASSERT_EQ(LoadTextTable(7), 0);
    EXPECT_EQ(GetLanguage(), 0);
    EXPECT_STREQ(GetText(1), "Race");
    ASSERT_EQ(LoadTextTable(-2), 0);
    EXPECT_EQ(GetLanguage(), 0);
    EXPECT_EQ(FreeTextTable(), 0);
    EXPECT_STREQ(GetText(1), "");
}

TEST_F(TextTableTest, GlyphTableOverAllBytes) {
    const std::pair<int, int> letters[] = {
        {0xA1, 128}, {0xC1, 129}, {0xE1, 130}, {0xE4, 131}, {0xE9, 132}, {0xE8, 133}, {0xEA, 134},
        {0xF3, 135}, {0xF6, 136}, {0xFA, 137}, {0xFC, 138}, {0xF1, 139}, {0xBF, 140}, {0xDF, 141},
        {0xD1, 142}, {0xCD, 144}, {0xC9, 145}, {0xD3, 146}, {0xDA, 147}, {0xC4, 148}, {0xCB, 149},
        {0xD6, 150}, {0xCE, 151}, {0xE0, 152}, {0xE2, 153}, {0xED, 154}, {0xEE, 155}, {0xE7, 156},
        {0xFB, 157}, {0x84, 158}, {0xF4, 159}, {0xF2, 160}, {0xF9, 161}, {0xC8, 162}, {0xDC, 163},
    };
    int expected[256];
    for (int b = 0; b < 256; ++b) expected[b] = b < 0x80 ? b : 32;
    for (const auto& [byte, glyph] : letters) expected[byte] = glyph;
    for (int b = 0; b < 256; ++b) {
        EXPECT_EQ(MapTextChar(static_cast<uint8_t>(b)), expected[b]) << "byte " << b;
    }
}

TEST_F(TextTableTest, LineSplitting) {
    struct Case {
        const char* what;
        std::string file;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"CR LF endings", "A\r\nB\r\n", {"A", "B", ""}},
        {"no final CR loses the last character", "A\rB", {"A", ""}},
        {"leading LF skipped", "\nA\r\n", {"A", ""}},
        {"LF after each CR", "one\r\ntwo\r\nthree\r\n", {"one", "two", "three", ""}},
        {"a lone CR", "\r", {"", ""}},
        {"a file ending in CR", "A\r", {"A", ""}},
        {"empty lines", "\r\r\nX\r\n", {"", "", "X", ""}},
        {"accented letters", "caf\xE9\r\n\xBFQu\xE9?\r\n", {"caf\x84", "\x8CQu\x84?", ""}},
        {"empty file", "", {""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FreeLoadCache();
        UseEnglish(c.file);
        ASSERT_EQ(LoadTextTable(0), 0);
        EXPECT_EQ(Lines(), c.lines);
        EXPECT_STREQ(GetText(0), "");
        EXPECT_STREQ(GetText(GetTextLineCount() + 1), "");
        EXPECT_STREQ(GetText(-1), "");
    }
}

TEST_F(TextTableTest, MissingFileGivesAnEmptyTable) {
    UsePack({{"LOCALIZE\\SPANISH.TXT", Bytes("Hola\r\n"), false}});
    testing::internal::CaptureStdout();
    EXPECT_EQ(LoadTextTable(0), -1);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(GetTextLineCount(), 0);
    EXPECT_STREQ(GetText(1), "");
    EXPECT_EQ(LoadTextTable(1), 0);
    EXPECT_STREQ(GetText(1), "Hola");
}

}  // namespace
}  // namespace kes
