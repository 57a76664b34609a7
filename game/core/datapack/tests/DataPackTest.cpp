#include "game/core/datapack/DataPack.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "game/core/datapack/MoviePackDirectory.h"
#include "game/core/datapack/PackDirectory.h"
#include "platform/bytes/ByteIO.h"
#include "tools/packtool/PackWriter.h"

namespace kes {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

std::vector<uint8_t> Compressible(size_t size) {
    std::vector<uint8_t> data(size);
    for (size_t i = 0; i < size; ++i) data[i] = static_cast<uint8_t>("track data "[i % 11] + (i / 5000) % 3);
    return data;
}

std::string Hex(const std::vector<uint8_t>& bytes) {
    std::string out;
    char two[3];
    for (uint8_t b : bytes) {
        std::snprintf(two, sizeof two, "%02x", b);
        out += two;
    }
    return out;
}

// Owns the data pack while a test runs and a temp folder for its files.
class DataPackTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("gravelon-datapack-" + std::to_string(getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override {
        FreeLoadCache();
        fs::remove_all(dir_);
    }
    std::string PackPath() const { return (dir_ / "test.dat").string(); }

    void WritePackBytes(const std::vector<uint8_t>& bytes) const {
        std::ofstream out(PackPath(), std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    std::vector<uint8_t> Build(const std::vector<tools::PackInput>& files) const {
        std::vector<uint8_t> bytes;
        std::string error;
        EXPECT_TRUE(tools::BuildPack(files, &bytes, &error)) << error;
        return bytes;
    }
    // MakeLoadCache, returning what it printed.
    int MakeCache(std::string* printed = nullptr) const {
        ::testing::internal::CaptureStdout();
        int r = MakeLoadCache(PackPath().c_str());
        std::string out = ::testing::internal::GetCapturedStdout();
        if (printed) *printed = out;
        return r;
    }

    fs::path dir_;
};

TEST_F(DataPackTest, StoredAndPackedEntriesRoundTrip) {
    const std::vector<uint8_t> big = Compressible(150000);
    const std::vector<uint8_t> text = Bytes("Line one\r\nLine two\r\n");
    WritePackBytes(Build({
        {"LOCALIZE\\ENGLISH.TXT", text, false},
        {"Bikes\\Model.msh", big, true},
        {"empty.bin", {}, true},
    }));
    ASSERT_EQ(MakeCache(), 1);

    uint32_t size = 0;
    void* got = LoadFile("localize\\english.txt", nullptr, &size);
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(size, text.size());
    EXPECT_EQ(std::memcmp(got, text.data(), text.size()), 0);
    std::free(got);

    got = LoadFile("BIKES\\MODEL.MSH", nullptr, &size);
    ASSERT_NE(got, nullptr);
    ASSERT_EQ(size, big.size());
    EXPECT_EQ(std::memcmp(got, big.data(), big.size()), 0);
    std::free(got);
    EXPECT_EQ(GetCachedFileSize("bikes\\model.msh"), big.size());

    got = LoadFile("empty.bin", nullptr, &size);
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(size, 0u);
    std::free(got);
}

// A packed entry into the caller's buffer: the unpacked bytes land there and nothing else is
// written (the buffer holds exactly the full size, which is less than the packed size here).
TEST_F(DataPackTest, CallerBufferGetsUnpackedBytesOnly) {
    const std::vector<uint8_t> big = Compressible(90000);
    WritePackBytes(Build({{"a.bin", big, true}, {"b.txt", Bytes("plain"), false}}));
    ASSERT_EQ(MakeCache(), 1);

    std::vector<uint8_t> buffer(big.size() + 16, 0xCD);
    uint32_t size = 0;
    EXPECT_EQ(LoadFile("A.BIN", buffer.data(), &size, big.size()), buffer.data());
    EXPECT_EQ(size, big.size());
    EXPECT_TRUE(std::equal(big.begin(), big.end(), buffer.begin()));
    EXPECT_EQ(buffer[big.size()], 0xCD);

    // Too small a buffer: refused, untouched.
    std::vector<uint8_t> small(10, 0xCD);
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(LoadFile("a.bin", small.data(), &size, small.size()), nullptr);
    EXPECT_NE(::testing::internal::GetCapturedStdout().find("too small"), std::string::npos);
    EXPECT_EQ(small, std::vector<uint8_t>(10, 0xCD));
    // A buffer given without its capacity is refused, not trusted.
    EXPECT_EQ(LoadFile("b.txt", small.data(), &size), nullptr);

    char word[5];
    EXPECT_EQ(LoadFile("b.txt", word, nullptr, sizeof word), word);
    EXPECT_EQ(std::string(word, 5), "plain");
}

TEST_F(DataPackTest, LookupRules) {
    WritePackBytes(Build({
        {"Dup.txt", Bytes("first"), false},
        {"DUP.TXT", Bytes("second!"), false},
    }));
    ASSERT_EQ(MakeCache(), 1);
    uint32_t size = 0;
    void* got = LoadFile("dup.txt", nullptr, &size);
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(std::string(static_cast<char*>(got), size), "first");
    std::free(got);

    ::testing::internal::CaptureStdout();
    EXPECT_EQ(LoadFile("missing.txt"), nullptr);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(GetCachedFileSize("missing.txt"), 0u);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "File not found in cache.\n");

    FreeLoadCache();
    EXPECT_EQ(LoadFile("dup.txt"), nullptr);
}

// A pack cut short after its directory was read: the load fails cleanly and the pack stays usable.
TEST_F(DataPackTest, ShortDataReadGivesNull) {
    WritePackBytes(Build({{"first.txt", Bytes("still here"), false}, {"last.bin", Compressible(5000), false}}));
    ASSERT_EQ(MakeCache(), 1);
    fs::resize_file(PackPath(), fs::file_size(PackPath()) - 100);
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(LoadFile("last.bin"), nullptr);
    std::vector<uint8_t> buffer(5000);
    EXPECT_EQ(LoadFile("last.bin", buffer.data(), nullptr, buffer.size()), nullptr);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "Cannot read last.bin from the pack.\nCannot read last.bin from the pack.\n");
    uint32_t size = 0;
    void* got = LoadFile("first.txt", nullptr, &size);
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(std::string(static_cast<char*>(got), size), "still here");
    std::free(got);
}

TEST_F(DataPackTest, EmptyPackLoads) {
    WritePackBytes(Build({}));
    ASSERT_EQ(MakeCache(), 1);
    EXPECT_EQ(LoadFile("anything"), nullptr);
}

TEST_F(DataPackTest, MissingPackSaysSo) {
    std::string printed;
    EXPECT_EQ(MakeCache(&printed), 0);
    EXPECT_EQ(printed, "Cannot open " + PackPath() + ".\n");
}

// The directory on disk is the plain entry XOR 0xA7 byte by byte; the count stays plain.
TEST_F(DataPackTest, DirectoryBytesOnDisk) {
    std::vector<uint8_t> pack = Build({{"A\\B", Bytes("xyz"), false}});
    EXPECT_EQ(Hex(pack), "01000000" "a3a7a7a7" "e6fbe5a7" "bfa7a7a7" "a7a7a7a7" "a4a7a7a7" "78797a");
    std::vector<uint8_t> plain = tools::PlainDirectoryEntry("A\\B", 24, 0, 3);
    MaskDirectoryBytes(plain.data(), plain.size());
    EXPECT_TRUE(std::equal(plain.begin(), plain.end(), pack.begin() + 4));
}

// Builds a raw pack: count, then the given plain entries (masked here), then data bytes.
std::vector<uint8_t> RawPack(uint32_t count, const std::vector<std::vector<uint8_t>>& plainEntries,
                             size_t dataBytes) {
    plat::ByteWriter w;
    w.U32(count);
    for (std::vector<uint8_t> entry : plainEntries) {
        MaskDirectoryBytes(entry.data(), entry.size());
        w.Bytes(entry.data(), entry.size());
    }
    w.Zeros(dataBytes);
    return w.Take();
}

std::vector<uint8_t> EntryWithLength(uint32_t length, size_t nameBytes, bool terminated, uint32_t offset,
                                     uint32_t packed, uint32_t size) {
    plat::ByteWriter w;
    w.U32(length);
    for (size_t i = 0; i + 1 < nameBytes; ++i) w.U8('n');
    if (nameBytes) w.U8(terminated ? 0 : 'x');
    w.U32(offset);
    w.U32(packed);
    w.U32(size);
    return w.Take();
}

TEST_F(DataPackTest, DamagedDirectoriesAreRefused) {
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        const char* message;  // part of the printed reason
    };
    const std::vector<uint8_t> good = EntryWithLength(5, 5, true, 0, 0, 10);
    const Case cases[] = {
        {"no count", {1, 0}, "entry count"},
        {"count beyond the file", RawPack(1000, {good}, 100), "entry count"},
        {"count 0xFFFFFFFF", RawPack(0xFFFFFFFFu, {good}, 100), "entry count"},
        {"count beyond a short directory", RawPack(2, {good}, 0), "entry count"},
        {"truncated directory", [&] {
             std::vector<uint8_t> b = RawPack(2, {good, EntryWithLength(40, 40, true, 0, 0, 1)}, 0);
             b.resize(4 + good.size() + 30);
             return b;
         }(), "ends inside"},
        {"truncated inside a name", [] {
             std::vector<uint8_t> b = RawPack(1, {EntryWithLength(40, 40, true, 0, 0, 1)}, 0);
             b.resize(4 + 4 + 20);
             return b;
         }(), "ends inside"},
        {"name length 0", RawPack(1, {EntryWithLength(0, 0, true, 0, 0, 1)}, 50), "name length"},
        {"name length 261", RawPack(1, {EntryWithLength(261, 261, true, 0, 0, 1)}, 50), "name length"},
        {"name length 0x80000000", RawPack(1, {EntryWithLength(0x80000000u, 5, true, 0, 0, 1)}, 50),
         "name length"},
        {"name without terminator", RawPack(1, {EntryWithLength(5, 5, false, 0, 0, 1)}, 50), "terminator"},
        {"offset beyond the pack", RawPack(1, {EntryWithLength(5, 5, true, 100000, 0, 1)}, 50), "beyond"},
        {"size beyond the pack", RawPack(1, {EntryWithLength(5, 5, true, 20, 0, 100)}, 50), "beyond"},
        {"packed size beyond the pack", RawPack(1, {EntryWithLength(5, 5, true, 20, 0xFFFFFFFFu, 1)}, 50),
         "beyond"},
        {"offset + size wraps", RawPack(1, {EntryWithLength(5, 5, true, 0xFFFFFFF0u, 0, 0x20)}, 50), "beyond"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WritePackBytes(c.bytes);
        std::string printed;
        EXPECT_EQ(MakeCache(&printed), 0);
        EXPECT_NE(printed.find("Damaged directory in " + PackPath()), std::string::npos) << printed;
        EXPECT_NE(printed.find(c.message), std::string::npos) << printed;
        EXPECT_EQ(LoadFile("nnnn"), nullptr);
    }
    // The longest name that fits: 259 characters and the terminator.
    WritePackBytes(RawPack(1, {EntryWithLength(260, 260, true, 0, 0, 4)}, 10));
    ASSERT_EQ(MakeCache(), 1);
    EXPECT_EQ(GetCachedFileSize(std::string(259, 'n').c_str()), 4u);
}

TEST_F(DataPackTest, DamagedPackedEntryGivesNull) {
    std::vector<uint8_t> pack = Build({{"a.bin", Compressible(70000), true}});
    // Overwrite part of the container's first block (after the directory, header and table).
    for (size_t i = pack.size() / 2; i < pack.size() / 2 + 64; ++i) pack[i] ^= 0x3C;
    WritePackBytes(pack);
    ASSERT_EQ(MakeCache(), 1);
    ::testing::internal::CaptureStdout();
    void* got = LoadFile("a.bin");
    std::string printed = ::testing::internal::GetCapturedStdout();
    if (got) {
        std::free(got);  // damage the decoder cannot see is still bounded
    } else {
        EXPECT_NE(printed.find("a.bin"), std::string::npos);
    }
    // A directory that claims another full size than the container holds is caught as well.
    std::vector<uint8_t> wrong = Build({{"a.bin", Compressible(70000), true}});
    const size_t sizeField = 4 + 4 + 6 + 8;  // count, L, "a.bin" and its zero, offset, packed size
    plat::StoreU32(wrong.data() + sizeField, 69999);
    MaskDirectoryBytes(wrong.data() + sizeField, 4);
    WritePackBytes(wrong);
    ASSERT_EQ(MakeCache(), 1);
    EXPECT_EQ(GetCachedFileSize("a.bin"), 69999u);
    std::vector<uint8_t> buffer(69999, 0xCD);
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(LoadFile("a.bin", buffer.data(), nullptr, buffer.size()), nullptr);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Damaged packed file a.bin in the pack.\n");
    EXPECT_EQ(buffer, std::vector<uint8_t>(69999, 0xCD));
}

TEST_F(DataPackTest, MoviePackDirectory) {
    static_assert(sizeof(MoviePackEntry) == 264);
    WritePackBytes(Build({{"Intro.bik", Bytes("movie-one"), false},
                          {"Tutorial\\basiccntrl.bik", Bytes("movie-two!"), false}}));
    PackFile pack;
    ASSERT_EQ(pack.Open(PackPath().c_str(), "rb", 0), kOk);
    std::vector<MoviePackEntry> entries;
    ASSERT_EQ(ReadMoviePackDirectory(pack, &entries), 0);
    ASSERT_EQ(entries.size(), 2u);
    const MoviePackEntry* e = FindMoviePackEntry(entries, "TUTORIAL\\BASICCNTRL.BIK");
    ASSERT_NE(e, nullptr);
    EXPECT_STREQ(e->name, "Tutorial\\basiccntrl.bik");
    EXPECT_EQ(e->size, 10u);
    char got[10];
    ASSERT_EQ(pack.Seek(static_cast<int32_t>(e->offset), 0), kOk);
    ASSERT_EQ(pack.Read(got, 10), kOk);
    EXPECT_EQ(std::string(got, 10), "movie-two!");
    EXPECT_EQ(FindMoviePackEntry(entries, "outro.bik"), nullptr);
    pack.Close();

    // Its names hold 256 bytes at most.
    WritePackBytes(RawPack(1, {EntryWithLength(257, 257, true, 0, 0, 4)}, 10));
    ASSERT_EQ(pack.Open(PackPath().c_str(), "rb", 0), kOk);
    EXPECT_EQ(ReadMoviePackDirectory(pack, &entries), -1);
    EXPECT_TRUE(entries.empty());
}

}  // namespace
}  // namespace kes
