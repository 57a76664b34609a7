#include "tools/packtool/PackToolCommands.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "game/core/datapack/DataPack.h"
#include "game/core/datapack/PackDirectory.h"
#include "platform/bytes/ByteIO.h"
#include "tools/packtool/PackWriter.h"

namespace tools {
namespace {

namespace fs = std::filesystem;

void WriteText(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class PackToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("gravelon-packtool-" + std::to_string(getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
        root_ = dir_ / "content";
        WriteText(root_ / "LOCALIZE" / "ENGLISH.TXT", "Race\r\nQuit\r\n");
        std::string big;
        for (int i = 0; i < 20000; ++i) big += "landscape ";
        big_ = big;
        WriteText(root_ / "Worlds" / "Hill.wld", big_);
        WriteText(root_ / "readme", "x");
    }
    void TearDown() override {
        kes::FreeLoadCache();
        fs::remove_all(dir_);
    }
    int Run(const std::vector<std::string>& args) {
        out_.str("");
        err_.str("");
        return RunPackTool(args, out_, err_);
    }
    std::string Pack() const { return (dir_ / "out.dat").string(); }

    fs::path dir_;
    fs::path root_;
    std::string big_;
    std::ostringstream out_;
    std::ostringstream err_;
};

TEST_F(PackToolTest, CreateListExtractVerify) {
    ASSERT_EQ(Run({"create", Pack(), "--root", root_.string(), "--compress",
                   (root_ / "LOCALIZE" / "ENGLISH.TXT").string(), "Worlds/Hill.wld", "readme"}),
              0)
        << err_.str();
    EXPECT_FALSE(fs::exists(Pack() + ".tmp"));

    ASSERT_EQ(Run({"list", Pack()}), 0) << err_.str();
    std::istringstream lines(out_.str());
    std::string name;
    uint64_t size = 0;
    uint64_t packed = 0;
    ASSERT_TRUE(lines >> name >> size >> packed);
    EXPECT_EQ(name, "LOCALIZE\\ENGLISH.TXT");
    EXPECT_EQ(size, 12u);
    EXPECT_EQ(packed, 0u);  // compressing would not make it smaller
    ASSERT_TRUE(lines >> name >> size >> packed);
    EXPECT_EQ(name, "Worlds\\Hill.wld");
    EXPECT_EQ(size, big_.size());
    EXPECT_GT(packed, 0u);
    EXPECT_LT(packed, big_.size());
    ASSERT_TRUE(lines >> name >> size >> packed);
    EXPECT_EQ(name, "readme");

    ASSERT_EQ(Run({"verify", Pack()}), 0) << err_.str();

    // The game reads what the tool wrote.
    ASSERT_EQ(kes::MakeLoadCache(Pack().c_str()), 1);
    uint32_t got = 0;
    void* bytes = kes::LoadFile("worlds\\hill.WLD", nullptr, &got);
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(std::string(static_cast<char*>(bytes), got), big_);
    std::free(bytes);

    const fs::path out = dir_ / "extracted";
    ASSERT_EQ(Run({"extract", Pack(), out.string()}), 0) << err_.str();
    EXPECT_EQ(ReadText(out / "LOCALIZE" / "ENGLISH.TXT"), "Race\r\nQuit\r\n");
    EXPECT_EQ(ReadText(out / "Worlds" / "Hill.wld"), big_);
    EXPECT_EQ(ReadText(out / "readme"), "x");
}

TEST_F(PackToolTest, FilesOutsideTheRootAreRefused) {
    WriteText(dir_ / "outside.txt", "no");
    EXPECT_EQ(Run({"create", Pack(), "--root", root_.string(), (dir_ / "outside.txt").string()}), 1);
    EXPECT_NE(err_.str().find("not inside"), std::string::npos);
    EXPECT_FALSE(fs::exists(Pack()));
    EXPECT_EQ(Run({"create", Pack(), "--root", root_.string(), "missing.txt"}), 1);
    EXPECT_EQ(Run({"create", Pack()}), 2);
    EXPECT_EQ(Run({"bogus"}), 2);
    EXPECT_EQ(Run({}), 2);
}

TEST_F(PackToolTest, FolderArgumentsAddEveryFileInside) {
    ASSERT_EQ(Run({"create", Pack(), "--root", root_.string(), root_.string()}), 0) << err_.str();
    ASSERT_EQ(Run({"list", Pack()}), 0);
    EXPECT_EQ(out_.str().substr(0, 21), "LOCALIZE\\ENGLISH.TXT ");
    EXPECT_NE(out_.str().find("Worlds\\Hill.wld "), std::string::npos);
    EXPECT_NE(out_.str().find("readme "), std::string::npos);
    // A folder named relative to the root, and an empty folder (adds nothing).
    fs::create_directories(root_ / "empty");
    ASSERT_EQ(Run({"create", Pack(), "--root", root_.string(), "Worlds", "empty"}), 0) << err_.str();
    ASSERT_EQ(Run({"list", Pack()}), 0);
    EXPECT_EQ(out_.str().substr(0, 16), "Worlds\\Hill.wld ");
    EXPECT_EQ(out_.str().find("readme"), std::string::npos);
    // A pack written inside the folder it packs leaves its older self out.
    const std::string inside = (root_ / "all.dat").string();
    ASSERT_EQ(Run({"create", inside, "--root", root_.string(), root_.string()}), 0) << err_.str();
    ASSERT_EQ(Run({"create", inside, "--root", root_.string(), root_.string()}), 0) << err_.str();
    ASSERT_EQ(Run({"list", inside}), 0);
    EXPECT_EQ(out_.str().find("all.dat"), std::string::npos) << out_.str();
}

TEST_F(PackToolTest, MissingInputsAndUnwritableOutputsAreNamed) {
    EXPECT_EQ(Run({"create", Pack(), "--root", root_.string(), "missing.txt"}), 1);
    EXPECT_NE(err_.str().find("missing.txt does not exist"), std::string::npos) << err_.str();
    // An output that is not a regular file (a device, a folder) is refused, not replaced.
    if (fs::exists("/dev/full")) {
        EXPECT_EQ(Run({"create", "/dev/full", "--root", root_.string(), "readme"}), 1);
        EXPECT_NE(err_.str().find("not a regular file"), std::string::npos) << err_.str();
        EXPECT_TRUE(fs::is_character_file("/dev/full"));
    }
    fs::create_directories(dir_ / "afolder");
    EXPECT_EQ(Run({"create", (dir_ / "afolder").string(), "--root", root_.string(), "readme"}), 1);
    EXPECT_NE(err_.str().find("not a regular file"), std::string::npos) << err_.str();
    EXPECT_TRUE(fs::is_directory(dir_ / "afolder"));
    // An existing regular file is still replaced.
    WriteText(Pack(), "old");
    EXPECT_EQ(Run({"create", Pack(), "--root", root_.string(), "readme"}), 0) << err_.str();
    EXPECT_NE(ReadText(Pack()), "old");
}

TEST_F(PackToolTest, ExtractRefusesEscapingNames) {
    const char* bad[] = {"..\\evil.txt", "a\\..\\..\\evil.txt", "\\abs.txt", "/abs.txt", "C:\\x.txt",
                         "a\\\\b", "a\\.\\b"};
    for (const char* name : bad) {
        SCOPED_TRACE(name);
        std::string error;
        ASSERT_TRUE(WritePack(Pack(), {{"fine.txt", {'o', 'k'}, false}, {name, {'x'}, false}}, &error));
        EXPECT_EQ(Run({"extract", Pack(), (dir_ / "x").string()}), 1);
        EXPECT_NE(err_.str().find("refusing"), std::string::npos);
        EXPECT_FALSE(fs::exists(dir_ / "evil.txt"));
        EXPECT_FALSE(fs::exists(dir_ / "x" / "fine.txt"));  // nothing written when any name is bad
    }
    std::string path;
    EXPECT_TRUE(ExtractPathFor("d", "A\\B\\c.txt", &path));
    EXPECT_EQ(path, "d/A/B/c.txt");
}

TEST_F(PackToolTest, VerifyNamesTheDamagedEntry) {
    ASSERT_EQ(Run({"create", Pack(), "--root", root_.string(), "--compress", "readme", "Worlds/Hill.wld"}),
              0);
    // Break the container of the packed entry: its header's size field.
    std::vector<uint8_t> bytes;
    {
        std::ifstream in(Pack(), std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    kes::PackFile pack;
    ASSERT_EQ(pack.Open(Pack().c_str(), "rb", 0), kes::kOk);
    std::vector<kes::PackDirectoryEntry> entries;
    std::string error;
    ASSERT_TRUE(kes::ReadPackDirectory(pack, kes::kDataPackNameCapacity, &entries, &error));
    pack.Close();
    ASSERT_EQ(entries.size(), 2u);
    ASSERT_GT(entries[1].packedSize, 0u);
    plat::StoreU32(bytes.data() + entries[1].offset + 4, 12345);
    {
        std::ofstream out(Pack(), std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    EXPECT_EQ(Run({"verify", Pack()}), 1);
    EXPECT_NE(err_.str().find("damaged entry Worlds\\Hill.wld"), std::string::npos) << err_.str();
    EXPECT_EQ(err_.str().find("readme"), std::string::npos);

    // A damaged directory is named as such.
    bytes.resize(10);
    {
        std::ofstream out(Pack(), std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    EXPECT_EQ(Run({"verify", Pack()}), 1);
    EXPECT_NE(err_.str().find("damaged directory"), std::string::npos) << err_.str();
}

// The installed program, end to end.
TEST_F(PackToolTest, ProgramRunsEndToEnd) {
    const std::string tool = std::string(GRAVELON_BINARY_DIR) + "/bin/packtool";
    ASSERT_TRUE(fs::exists(tool));
    const std::string list = (dir_ / "list.txt").string();
    std::string create = tool + " create '" + Pack() + "' --root '" + root_.string() +
                         "' --compress LOCALIZE/ENGLISH.TXT Worlds/Hill.wld";
    ASSERT_EQ(std::system(create.c_str()), 0);
    ASSERT_EQ(std::system((tool + " list '" + Pack() + "' > '" + list + "'").c_str()), 0);
    EXPECT_EQ(ReadText(list).substr(0, 24), "LOCALIZE\\ENGLISH.TXT 12 ");
    EXPECT_EQ(std::system((tool + " verify '" + Pack() + "' > /dev/null").c_str()), 0);
    EXPECT_EQ(std::system((tool + " extract '" + Pack() + "' '" + (dir_ / "e").string() + "'").c_str()), 0);
    EXPECT_EQ(ReadText(dir_ / "e" / "Worlds" / "Hill.wld"), big_);
    EXPECT_NE(std::system((tool + " verify '" + (dir_ / "none.dat").string() + "' 2> /dev/null").c_str()), 0);
    // A folder argument packs its files; a missing one is named, with an ordinary failure exit.
    EXPECT_EQ(std::system((tool + " create '" + Pack() + "' --root '" + root_.string() + "' '" +
                           root_.string() + "'").c_str()),
              0);
    EXPECT_EQ(WEXITSTATUS(std::system((tool + " create '" + Pack() + "' --root '" + root_.string() +
                                       "' nothing 2> /dev/null").c_str())),
              1);
}

}  // namespace
}  // namespace tools
