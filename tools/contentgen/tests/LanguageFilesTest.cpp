#include "tools/contentgen/LanguageFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "game/core/text/TextTable.h"
#include "tools/contentgen/text/TextLines.h"

namespace tools {
namespace {

struct EncodeCase {
    const char* utf8;
    bool ok;
    const char* bytes;  // expected Windows-1252 bytes when ok
};

TEST(EncodeFontText, KeepsAsciiAndFontLettersAndRefusesEverythingElse) {
    const EncodeCase cases[] = {
        {"OK 1-2 (a/b) ~", true, "OK 1-2 (a/b) ~"},
        {"RÉSEAU", true, "R\xC9SEAU"},
        {"é è ê à â î ô û ù ç", true, "\xE9 \xE8 \xEA \xE0 \xE2 \xEE \xF4 \xFB \xF9 \xE7"},
        {"¡Ñ! ¿ß? Ü„", true, "\xA1\xD1! \xBF\xDF? \xDC\x84"},
        {"", true, ""},
        {"À", false, nullptr},         // a capital the font lacks
        {"ë", false, nullptr},         // likewise a small letter
        {"€", false, nullptr},         // Windows-1252 has it, the font does not
        {"a\r\nb", false, nullptr},    // a line break would shift every later line
        {"tab\there", false, nullptr},
        {"\x7F", false, nullptr},
        {"\xE9", false, nullptr},      // a raw Latin-1 byte is not UTF-8
        {"ab\xC3", false, nullptr},    // cut short
        {"\xC3\x28", false, nullptr},  // bad continuation byte
        {"\xC0\xA9", false, nullptr},  // overlong
        {"\xF0\x9F\x98\x80", false, nullptr},
    };
    for (const EncodeCase& c : cases) {
        std::string out;
        std::string error;
        EXPECT_EQ(EncodeFontText(c.utf8, &out, &error), c.ok) << c.utf8;
        if (c.ok) {
            EXPECT_EQ(out, c.bytes) << c.utf8;
        } else {
            EXPECT_FALSE(error.empty()) << c.utf8;
        }
    }
}

TEST(EncodeFontText, EveryLetterOfTheFontCanBeWritten) {
    int letters = 0;
    for (int byte = 0x80; byte < 0x100; ++byte) {
        if (kes::MapTextChar(static_cast<uint8_t>(byte)) < 128) continue;
        ++letters;
        // The UTF-8 form of the Windows-1252 letter (all but the low quote share Latin-1's code point).
        uint32_t codePoint = byte == 0x84 ? 0x201E : static_cast<uint32_t>(byte);
        std::string utf8 = codePoint < 0x800 ? std::string{static_cast<char>(0xC0 | (codePoint >> 6)),
                                                           static_cast<char>(0x80 | (codePoint & 0x3F))}
                                             : std::string{static_cast<char>(0xE0 | (codePoint >> 12)),
                                                           static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)),
                                                           static_cast<char>(0x80 | (codePoint & 0x3F))};
        std::string out;
        std::string error;
        ASSERT_TRUE(EncodeFontText(utf8, &out, &error)) << byte << ": " << error;
        EXPECT_EQ(out, std::string(1, static_cast<char>(byte)));
    }
    EXPECT_EQ(letters, 35);
}

TEST(TextLinesTable, IdsAscendAndEveryLanguageHasEveryText) {
    int previous = 0;
    for (const TextLine& line : TextLines()) {
        EXPECT_GT(line.id, previous) << "ids must ascend without repeats";
        previous = line.id;
        for (int language = 0; language < kes::kLanguageCount; ++language) {
            ASSERT_NE(line.text[language], nullptr) << line.id;
            EXPECT_STRNE(line.text[language], "") << "line " << line.id << ", language " << language;
            EXPECT_EQ(std::string(line.text[language]).find('@'), std::string::npos) << line.id;
        }
    }
}

bool IsFontByte(uint8_t byte) { return byte < 0x80 || kes::MapTextChar(byte) >= 128; }

TEST(BuildLanguageFile, EveryLineEndsInCrLfAndUsesOnlyFontBytes) {
    size_t lineCount = 0;
    for (int language = 0; language < kes::kLanguageCount; ++language) {
        SCOPED_TRACE(language);
        std::vector<uint8_t> bytes;
        std::string error;
        ASSERT_TRUE(BuildLanguageFile(language, &bytes, &error)) << error;
        ASSERT_GE(bytes.size(), 2u);
        EXPECT_EQ(bytes[bytes.size() - 2], '\r');
        EXPECT_EQ(bytes.back(), '\n');
        size_t crs = 0;
        for (size_t i = 0; i < bytes.size(); ++i) {
            if (bytes[i] == '\r') {
                ++crs;
                ASSERT_TRUE(i + 1 < bytes.size() && bytes[i + 1] == '\n') << "lone CR at " << i;
            }
            if (bytes[i] == '\n') {
                ASSERT_TRUE(i > 0 && bytes[i - 1] == '\r') << "lone LF at " << i;
            }
            EXPECT_TRUE(IsFontByte(bytes[i])) << "byte " << int(bytes[i]) << " at " << i;
        }
        if (language == 0) lineCount = crs;
        EXPECT_EQ(crs, lineCount) << "every language has the same lines";
        EXPECT_EQ(crs, static_cast<size_t>(TextLines().back().id));
    }
    std::string error;
    std::vector<uint8_t> bytes;
    EXPECT_FALSE(BuildLanguageFile(4, &bytes, &error));
    EXPECT_FALSE(BuildLanguageFile(-1, &bytes, &error));
}

// The text lines the front end's sources name outright: the labels of the menu item tables
// ({kItem..., x, y, label, ...}) and the named line constants (kOkText = 11, kDefaultNameLine = 20,
// kStandingsHeading = 172, ...), each with the file that names it. Lines reached by arithmetic
// (a first line plus an offset) are not found here; the content tests' table of cited lines holds them.
std::map<int, std::string> LinesNamedInTheSources() {
    std::map<int, std::string> found;
    const std::regex item(R"(\{\s*kItem\w+\s*,\s*-?\d+\s*,\s*-?\d+\s*,\s*(\d+))");
    const std::regex constant(R"(\bk\w*(?:Text|Line|Heading|Description)\s*=\s*(\d+)\s*[;,])");
    const std::set<std::string> notLines = {"kItemHeading", "kItemValueText", "kDescription"};
    const std::regex named(R"(\b(k\w*)\s*=)");
    for (const auto& entry : std::filesystem::recursive_directory_iterator(std::filesystem::path(GRAVELON_SOURCE_DIR) / "game" / "frontend")) {
        const std::string path = entry.path().string();
        if (!entry.is_regular_file() || path.find("/tests/") != std::string::npos) continue;
        if (entry.path().extension() != ".cpp" && entry.path().extension() != ".h") continue;
        std::ifstream in(entry.path());
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        for (auto it = std::sregex_iterator(text.begin(), text.end(), item); it != std::sregex_iterator(); ++it) {
            const int id = std::stoi((*it)[1]);
            if (id != 0) found.emplace(id, path);
        }
        for (auto it = std::sregex_iterator(text.begin(), text.end(), constant); it != std::sregex_iterator(); ++it) {
            std::smatch name;
            const std::string whole = (*it)[0];
            if (std::regex_search(whole, name, named) && notLines.count(name[1])) continue;
            found.emplace(std::stoi((*it)[1]), path);
        }
    }
    return found;
}

TEST(BuildLanguageFile, EveryLineTheSourcesNameHasATextInEveryLanguage) {
    const std::map<int, std::string> named = LinesNamedInTheSources();
    // The scan finds the main page's buttons and the named constants; far fewer would mean it broke.
    ASSERT_GT(named.size(), 80u);
    EXPECT_TRUE(named.count(147)) << "the main page's tutorials button";
    EXPECT_TRUE(named.count(171)) << "the machine measurement's notice";
    for (int language = 0; language < kes::kLanguageCount; ++language) {
        SCOPED_TRACE(language);
        std::vector<uint8_t> bytes;
        std::string error;
        ASSERT_TRUE(BuildLanguageFile(language, &bytes, &error)) << error;
        std::vector<std::string> lines(1);  // line ids count from 1
        std::string current;
        for (uint8_t b : bytes) {
            if (b == '\r') continue;
            if (b == '\n') {
                lines.push_back(current);
                current.clear();
            } else {
                current += static_cast<char>(b);
            }
        }
        for (const auto& [id, path] : named) {
            ASSERT_LT(static_cast<size_t>(id), lines.size()) << "line " << id << " named in " << path;
            EXPECT_FALSE(lines[static_cast<size_t>(id)].empty()) << "line " << id << " named in " << path;
        }
    }
}

}  // namespace
}  // namespace tools
