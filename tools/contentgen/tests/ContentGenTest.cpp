#include "tools/contentgen/ContentGen.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "game/core/datapack/DataPack.h"
#include "game/core/text/TextTable.h"
#include "platform/fs/Paths.h"
#include "tools/contentgen/AssetFamilies.h"
#include "tools/contentgen/LanguageFiles.h"
#include "tools/contentgen/tests/DefaultContent.h"
#include "tools/contentgen/text/TextLines.h"

namespace tools {
namespace {

namespace fs = std::filesystem;
using test::DefaultContentFolder;
using test::DefaultDataPack;

// Every line id that the game's pages name: menu labels, key-map labels, results and statistics
// titles, notices and network status messages.
constexpr int kCitedLineIds[] = {
    1,   2,   3,   4,   5,   6,   7,   8,   9,   10,  11,  12,  13,  14,  15,  16,  17,  18,  19,
    20,  21,  23,  24,  26,  27,  28,  29,  30,  31,  32,  37,  38,  39,  43,  44,  45,  46,  47,
    50,  53,  54,  55,  56,  57,  58,  59,  60,  61,  62,  63,  65,  66,  67,  68,  69,  70,  71,
    72,  73,  74,  75,  76,  77,  78,  79,  80,  81,  82,  83,  84,  86,  87,  88,  89,  90,  91,
    92,  93,  94,  95,  96,  97,  98,  99,  100, 101, 103, 104, 105, 106, 107, 108, 109, 111, 112,
    113, 114, 115, 116, 117, 118, 119, 120, 121, 122, 123, 124, 125, 126, 129, 130, 131, 132, 133,
    134, 135, 136, 137, 138, 139, 140, 141, 142, 143, 144, 145, 146, 147, 148, 149, 150, 151, 152,
    153, 154, 155, 156, 157, 158, 159, 160, 164, 165, 166, 167, 168, 169, 170, 171, 172, 173, 174,
    175, 176, 177, 178, 179, 180, 182, 183, 184, 185, 186, 187, 188, 189, 190, 191, 192,
};

std::vector<uint8_t> ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ContentGenTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("gravelon-contentgen-" + std::to_string(getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override {
        kes::FreeTextTable();
        kes::FreeLoadCache();
        fs::remove_all(dir_);
    }

    bool Generate(const fs::path& out, const GenerateOptions& options = {}) {
        std::ostringstream log;
        std::string error;
        bool ok = GenerateContent(out.string(), options, log, &error);
        EXPECT_TRUE(ok) << error;
        return ok;
    }

    fs::path dir_;
};

// Small packs under the default content's names, for the tests of how packs are kept and placed: the
// whole content takes minutes in the sanitizer build.
GenerateOptions SmallPacks() {
    static const std::vector<PackRecipe> packs = {
        {"Kestrun.dat", {{"language files", AddLanguageFiles}}},
        {"kestrun/Movies.dat", {{"language files", AddLanguageFiles}}},
        {"Tracks.dat", {{"language files", AddLanguageFiles}}},
    };
    GenerateOptions options;
    options.packs = &packs;
    return options;
}

TEST_F(ContentGenTest, DataPackOpensAndEveryLanguageHasEveryCitedLine) {
    ASSERT_EQ(kes::MakeLoadCache(DefaultDataPack().c_str()), 1);
    int lineCount = -1;
    for (int language = 0; language < kes::kLanguageCount; ++language) {
        SCOPED_TRACE(language);
        ASSERT_EQ(kes::LoadTextTable(language), 0);
        EXPECT_EQ(kes::GetLanguage(), language);
        if (language == 0) lineCount = kes::GetTextLineCount();
        EXPECT_EQ(kes::GetTextLineCount(), lineCount);
        for (int id : kCitedLineIds) EXPECT_STRNE(kes::GetText(id), "") << "line " << id;
        // Between cited lines the file holds empty lines, so the numbering never shifts.
        EXPECT_STREQ(kes::GetText(22), "");
        EXPECT_STREQ(kes::GetText(181), "");
        EXPECT_STREQ(kes::GetText(lineCount), "");  // after the last CR LF
    }
    // 192 lines, each ended by CR LF, then the empty line after the last one.
    EXPECT_EQ(lineCount, 193);
    ASSERT_EQ(kes::LoadTextTable(0), 0);
    EXPECT_STREQ(kes::GetText(11), "OK");
    EXPECT_STREQ(kes::GetText(173), "LOADING...");
    // French accented letters arrive as the font's glyph codes (É = 145, é = 132).
    ASSERT_EQ(kes::LoadTextTable(2), 0);
    EXPECT_STREQ(kes::GetText(8), "R\x91SEAU LOCAL");
    EXPECT_STREQ(kes::GetText(39), "EFFETS \x91LEV\x91S");
    EXPECT_STREQ(kes::GetText(80), "La moto garde seule son assiette en l'air.");
}

TEST_F(ContentGenTest, TableHoldsExactlyTheCitedLines) {
    std::vector<int> tableIds;
    for (const TextLine& line : TextLines()) tableIds.push_back(line.id);
    EXPECT_EQ(tableIds, std::vector<int>(std::begin(kCitedLineIds), std::end(kCitedLineIds)));
}

TEST_F(ContentGenTest, PackHoldsTheLanguageFilesByteForByte) {
    ASSERT_EQ(kes::MakeLoadCache(DefaultDataPack().c_str()), 1);
    for (int language = 0; language < kes::kLanguageCount; ++language) {
        SCOPED_TRACE(language);
        std::vector<uint8_t> built;
        std::string error;
        ASSERT_TRUE(BuildLanguageFile(language, &built, &error)) << error;
        uint32_t size = 0;
        void* data = kes::LoadFile(kes::LanguageFileName(language), nullptr, &size);
        ASSERT_NE(data, nullptr);
        std::vector<uint8_t> stored(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
        std::free(data);
        EXPECT_EQ(stored, built);
    }
}

TEST_F(ContentGenTest, TrackPackIsAWellFormedPack) {
    EXPECT_EQ(kes::MakeLoadCache((DefaultContentFolder() / "Tracks.dat").c_str()), 1);
    // The menu world is in it, readable as a whole file of the pack.
    uint32_t size = 0;
    void* world = kes::LoadFile("_select.wld", nullptr, &size);
    ASSERT_NE(world, nullptr);
    EXPECT_EQ(std::string(static_cast<const char*>(world), 4), "QVED");
    std::free(world);
}

TEST_F(ContentGenTest, TheMoviePackLivesBesideTheProgramOfTheSameName) {
    // In a game folder the program "Kestrun" sits beside the media folder "kestrun"; the game's
    // "Kestrun\\Movies.dat" names a folder, so it finds the pack there.
    fs::path out = dir_ / "game";
    fs::create_directories(out);
    std::ofstream(out / "Kestrun") << "program";
    ASSERT_TRUE(Generate(out, SmallPacks()));
    ASSERT_TRUE(fs::is_regular_file(out / "kestrun" / "Movies.dat"));
    EXPECT_EQ(plat::ResolvePath((out / "Kestrun").string() + "\\Movies.dat"), (out / "kestrun" / "Movies.dat").string());
    EXPECT_EQ(plat::ResolvePath((out / "Kestrun").string()), (out / "Kestrun").string());
}

TEST_F(ContentGenTest, APackWhoseFolderNameIsTakenDoesNotStopTheOthersAndIsReported) {
    fs::path out = dir_ / "game";
    fs::create_directories(out);
    std::ofstream(out / "kestrun") << "not a folder";
    fs::path generator = dir_ / "generator";
    std::ofstream(generator) << "x";
    fs::last_write_time(generator, fs::file_time_type::clock::now() - std::chrono::hours(1));
    GenerateOptions options = SmallPacks();
    options.generatorPath = generator.string();
    std::ostringstream log;
    std::string error;
    EXPECT_FALSE(GenerateContent(out.string(), options, log, &error));
    EXPECT_NE(error.find("Movies.dat"), std::string::npos) << error;
    EXPECT_EQ(kes::MakeLoadCache((out / "Tracks.dat").c_str()), 1);
    kes::FreeLoadCache();
    EXPECT_TRUE(fs::exists(out / "Kestrun.dat"));
    EXPECT_TRUE(fs::exists(out / "Music" / "Track01.wav"));
    // The next run keeps what was made and says again what could not be placed.
    std::ostringstream again;
    EXPECT_TRUE(GenerateContent(out.string(), options, again, &error));
    EXPECT_NE(again.str().find("up to date"), std::string::npos) << again.str();
    EXPECT_NE(again.str().find("kestrun/Movies.dat cannot be placed"), std::string::npos) << again.str();
}

// The build's default content was made by the contentgen program in a process of its own; a run here
// must give the same bytes.
TEST_F(ContentGenTest, TwoRunsGiveByteIdenticalPacks) {
    ASSERT_TRUE(Generate(dir_));
    for (const PackRecipe& recipe : ContentPacks()) {
        std::vector<uint8_t> here = ReadBytes(dir_ / recipe.fileName);
        EXPECT_FALSE(here.empty()) << recipe.fileName;
        EXPECT_EQ(here, ReadBytes(DefaultContentFolder() / recipe.fileName)) << recipe.fileName;
    }
}

TEST_F(ContentGenTest, UpToDatePacksAreLeftAloneAndANewerGeneratorRebuildsThem) {
    fs::path generator = dir_ / "generator";
    std::ofstream(generator) << "x";
    auto now = fs::file_time_type::clock::now();
    fs::last_write_time(generator, now - std::chrono::hours(2));
    GenerateOptions options = SmallPacks();
    options.generatorPath = generator.string();
    fs::path out = dir_ / "out";
    ASSERT_TRUE(Generate(out, options));

    // A damaged pack that is still newer than the generator is kept (the quick path) ...
    fs::path pack = out / "Kestrun.dat";
    std::ofstream(pack, std::ios::binary | std::ios::trunc) << "damaged";
    fs::last_write_time(pack, now - std::chrono::hours(1));
    ASSERT_TRUE(Generate(out, options));
    EXPECT_EQ(fs::file_size(pack), 7u);

    // ... until the generator is newer than a pack, or the rebuild is forced.
    fs::last_write_time(generator, now);
    ASSERT_TRUE(Generate(out, options));
    EXPECT_EQ(kes::MakeLoadCache(pack.c_str()), 1);
    kes::FreeLoadCache();
    EXPECT_GT(fs::last_write_time(pack), fs::last_write_time(generator));

    std::ofstream(pack, std::ios::binary | std::ios::trunc) << "damaged";
    options.force = true;
    ASSERT_TRUE(Generate(out, options));
    EXPECT_EQ(kes::MakeLoadCache(pack.c_str()), 1);
}

TEST_F(ContentGenTest, UnchangedPackIsNotRewritten) {
    ASSERT_TRUE(Generate(dir_, SmallPacks()));
    struct stat before {};
    ASSERT_EQ(stat((dir_ / "Kestrun.dat").c_str(), &before), 0);
    ASSERT_TRUE(Generate(dir_, SmallPacks()));
    struct stat after {};
    ASSERT_EQ(stat((dir_ / "Kestrun.dat").c_str(), &after), 0);
    EXPECT_EQ(before.st_ino, after.st_ino);  // a rewrite would rename a new file over it
    EXPECT_FALSE(fs::exists(dir_ / "Kestrun.dat.tmp"));
}

TEST(PackContent, RefusesEmptyAndRepeatedNames) {
    PackContent pack;
    std::string error;
    EXPECT_TRUE(pack.Add("LOCALIZE\\ENGLISH.TXT", {1, 2}, &error));
    EXPECT_FALSE(pack.Add("localize\\english.txt", {3}, &error));  // the game would never see it
    EXPECT_NE(error.find("twice"), std::string::npos);
    EXPECT_FALSE(pack.Add("", {3}, &error));
    ASSERT_EQ(pack.Entries().size(), 1u);
    EXPECT_TRUE(pack.Entries()[0].compress);
}

TEST_F(ContentGenTest, CommandLine) {
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(RunContentGen({}, "", out, err), 2);
    EXPECT_EQ(RunContentGen({"--bogus"}, "", out, err), 2);
    EXPECT_EQ(RunContentGen({dir_.string(), "extra"}, "", out, err), 2);
    fs::path file = dir_ / "file";
    std::ofstream(file) << "x";
    EXPECT_EQ(RunContentGen({file.string()}, "", out, err), 1);
    EXPECT_NE(err.str().find("contentgen:"), std::string::npos);
    EXPECT_EQ(RunContentGen({(dir_ / "new" / "folder").string(), "--force"}, "", out, err), 0);
    EXPECT_TRUE(fs::exists(dir_ / "new" / "folder" / "Kestrun.dat"));
}

// The program, given packs it made before (copied, so newer than the program), leaves them alone and
// says so.
TEST_F(ContentGenTest, ProgramFindsItsOwnPacksUpToDate) {
    for (const PackRecipe& recipe : ContentPacks()) {
        fs::create_directories((dir_ / "prog" / recipe.fileName).parent_path());
        fs::copy_file(DefaultContentFolder() / recipe.fileName, dir_ / "prog" / recipe.fileName);
    }
    std::string command = std::string(GRAVELON_BINARY_DIR) + "/bin/contentgen " + (dir_ / "prog").string() +
                          " > " + (dir_ / "log").string();
    ASSERT_EQ(std::system(command.c_str()), 0);
    for (const PackRecipe& recipe : ContentPacks())
        EXPECT_EQ(ReadBytes(dir_ / "prog" / recipe.fileName), ReadBytes(DefaultContentFolder() / recipe.fileName));
    std::ifstream log(dir_ / "log");
    std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("up to date"), std::string::npos) << text;
}

}  // namespace
}  // namespace tools
