#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/fs/Paths.h"

namespace fs = std::filesystem;

namespace {

// A game-like folder on disk with mixed-case names, made current for the test.
class PathsTest : public testing::Test {
protected:
    void SetUp() override {
        // In the build folder's scratch folder (TEST_TMPDIR), not a fixed system path.
        std::string pattern = ::testing::TempDir() + "gravelon_fs_XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        fs::create_directories(root_ + "/Localize");
        fs::create_directories(root_ + "/grabs");
        fs::create_directories(root_ + "/PROFILES");
        Touch("Localize/English.txt");
        Touch("grabs/pic0000.bmp");
        Touch("PROFILES/Anna.prf");
        Touch("PROFILES/bob.PRF");
        Touch("PROFILES/carl.prf.bak");
        Touch("PROFILES/Zed.prf");
        fs::create_directories(root_ + "/PROFILES/dir.prf");
        previous_ = plat::CurrentFolder();
        ASSERT_TRUE(plat::SetCurrentFolder(root_));
    }
    void TearDown() override {
        plat::SetCurrentFolder(previous_);
        fs::remove_all(root_);
    }
    void Touch(const std::string& rel) { std::ofstream(root_ + "/" + rel) << rel; }

    std::string root_;
    std::string previous_;
};

TEST_F(PathsTest, ResolvesBackslashNamesWithoutRegardToCase) {
    struct Case {
        const char* name;
        const char* onDisk;  // relative to the root
    } cases[] = {
        {"LOCALIZE\\ENGLISH.TXT", "Localize/English.txt"},
        {"Grabs\\PIC0000.BMP", "grabs/pic0000.bmp"},
        {".\\PROFILES\\anna.PRF", "PROFILES/Anna.prf"},
        {"localize/english.txt", "Localize/English.txt"},
        {"Grabs\\PIC0001.BMP", "grabs/PIC0001.BMP"},         // new file: name kept as written
        {"Replay\\Race\\A.rpl", "Replay/Race/A.rpl"},         // missing folders kept as written
        {"LOCALIZE\\\\ENGLISH.TXT", "Localize/English.txt"},  // doubled separator
    };
    for (const Case& c : cases) EXPECT_EQ(plat::ResolvePath(c.name), root_ + "/" + c.onDisk) << c.name;
}

TEST_F(PathsTest, AbsoluteNamesAndTrailingSeparators) {
    std::string absolute = root_ + "/localize/ENGLISH.txt";
    EXPECT_EQ(plat::ResolvePath(absolute), root_ + "/Localize/English.txt");
    EXPECT_EQ(plat::ResolvePath("profiles\\"), root_ + "/PROFILES/");
}

TEST_F(PathsTest, PrefersTheExactSpellingWhenSeveralMatch) {
    Touch("Localize/ENGLISH.TXT");
    EXPECT_EQ(plat::ResolvePath("Localize\\ENGLISH.TXT"), root_ + "/Localize/ENGLISH.TXT");
    EXPECT_EQ(plat::ResolvePath("Localize\\English.txt"), root_ + "/Localize/English.txt");
    // No exact match: the first in byte order, the same on every run.
    EXPECT_EQ(plat::ResolvePath("Localize\\english.TXT"), root_ + "/Localize/ENGLISH.TXT");
}

TEST_F(PathsTest, ANameWithMoreAfterItIsTakenAsTheFolder) {
    // The program "Kestrun" and the media folder "kestrun" differ only in case.
    Touch("Kestrun");
    fs::create_directories(root_ + "/kestrun");
    Touch("kestrun/Movies.dat");
    EXPECT_EQ(plat::ResolvePath("Kestrun\\Movies.dat"), root_ + "/kestrun/Movies.dat");
    EXPECT_EQ(plat::ResolvePath("Kestrun\\"), root_ + "/kestrun/");
    EXPECT_EQ(plat::ResolvePath("Kestrun"), root_ + "/Kestrun");
    // A file with no folder of its name: the rest is kept as written under the name as given.
    EXPECT_EQ(plat::ResolvePath("localize\\English.txt\\x"), root_ + "/Localize/English.txt/x");
}

TEST_F(PathsTest, CurrentFolderIsOursAndNeverTheProcesses) {
    std::string cwdBefore = fs::current_path();
    ASSERT_TRUE(plat::SetCurrentFolder("profiles"));
    EXPECT_EQ(plat::CurrentFolder(), root_ + "/PROFILES");
    EXPECT_EQ(plat::ResolvePath("ANNA.PRF"), root_ + "/PROFILES/Anna.prf");
    EXPECT_FALSE(plat::SetCurrentFolder("Anna.prf"));  // a file, not a folder
    EXPECT_FALSE(plat::SetCurrentFolder("Nowhere"));
    EXPECT_EQ(plat::CurrentFolder(), root_ + "/PROFILES");
    EXPECT_EQ(std::string(fs::current_path()), cwdBefore);
}

TEST_F(PathsTest, EnterOrCreateFolder) {
    // Only the last level is created, and only inside a folder that exists.
    EXPECT_FALSE(plat::EnterOrCreateFolder("Replay\\Saved"));
    EXPECT_FALSE(fs::exists(root_ + "/Replay"));
    EXPECT_FALSE(plat::EnterOrCreateFolder(root_ + "/no/such/path/Tracks\\"));
    EXPECT_FALSE(fs::exists(root_ + "/no"));
    EXPECT_EQ(plat::CurrentFolder(), root_);
    ASSERT_TRUE(plat::EnterOrCreateFolder("Replay"));
    ASSERT_TRUE(plat::SetCurrentFolder(root_));
    ASSERT_TRUE(plat::EnterOrCreateFolder("Replay\\Saved"));
    EXPECT_TRUE(fs::is_directory(root_ + "/Replay/Saved"));
    EXPECT_EQ(plat::CurrentFolder(), root_ + "/Replay/Saved");
    ASSERT_TRUE(plat::SetCurrentFolder(root_));
    ASSERT_TRUE(plat::EnterOrCreateFolder("GRABS"));  // exists in another case: entered, not made
    EXPECT_EQ(plat::CurrentFolder(), root_ + "/grabs");
    EXPECT_FALSE(fs::exists(root_ + "/GRABS"));
    ASSERT_TRUE(plat::SetCurrentFolder(root_));
    EXPECT_FALSE(plat::EnterOrCreateFolder("Localize\\English.txt\\sub"));  // under a file
    EXPECT_EQ(plat::CurrentFolder(), root_);
}

TEST_F(PathsTest, ListsByPatternSortedWithoutCase) {
    auto names = [](const std::vector<plat::FolderEntry>& entries) {
        std::vector<std::string> out;
        for (const auto& e : entries) out.push_back(e.name + (e.isFolder ? "/" : ""));
        return out;
    };
    EXPECT_EQ(names(plat::ListFolder("Profiles", "*.prf")),
              (std::vector<std::string>{"Anna.prf", "bob.PRF", "dir.prf/", "Zed.prf"}));
    EXPECT_EQ(names(plat::ListFolder("Profiles", "?ed.*")), (std::vector<std::string>{"Zed.prf"}));
    EXPECT_EQ(plat::ListFolder("Profiles", "*.*").size(), 5u);
    EXPECT_TRUE(plat::ListFolder("Missing", "*").empty());
}

TEST(PathPattern, WildcardsMatchLikeTheFileFinder) {
    struct Case {
        const char* name;
        const char* pattern;
        bool match;
    } cases[] = {{"a.wld", "*.wld", true},      {"A.WLD", "*.wld", true},   {"a.wldx", "*.wld", false},
                 {"_select.wld", "*.WLD", true}, {"abc", "a?c", true},        {"ac", "a?c", false},
                 {"noext", "*.*", true},         {"x", "*", true},            {"", "*", true},
                 {"aXbXc", "*b*c", true},        {"abcabd", "*abd", true},    {"abcabc", "*abd", false},
                 {"file.prf.bak", "*.prf", false}};
    for (const Case& c : cases) EXPECT_EQ(plat::MatchesPattern(c.name, c.pattern), c.match) << c.name << " " << c.pattern;
}

TEST_F(PathsTest, OpenFileResolvesFirst) {
    FILE* f = plat::OpenFile("localize\\ENGLISH.TXT", "rb");
    ASSERT_NE(f, nullptr);
    char text[32] = {};
    size_t n = std::fread(text, 1, sizeof(text) - 1, f);
    std::fclose(f);
    EXPECT_EQ(std::string(text, n), "Localize/English.txt");

    FILE* out = plat::OpenFile("Grabs\\PIC0002.BMP", "wb");
    ASSERT_NE(out, nullptr);
    std::fclose(out);
    EXPECT_TRUE(fs::exists(root_ + "/grabs/PIC0002.BMP"));
    EXPECT_EQ(plat::OpenFile("Nowhere\\x.txt", "rb"), nullptr);
}

TEST(GameFolder, IsTheProgramsFolderUnlessSet) {
    EXPECT_EQ(plat::GameFolder(), std::string(GRAVELON_BINARY_DIR) + "/tests");
    plat::SetGameFolder("/tmp/elsewhere");
    EXPECT_EQ(plat::GameFolder(), "/tmp/elsewhere");
}

}  // namespace
