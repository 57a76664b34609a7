#include "game/core/pack/PackFile.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "game/core/pack/ContainerCodec.h"
#include "platform/bytes/ByteIO.h"
#include "platform/sys/MessageBox.h"

namespace kes {
namespace {

namespace fs = std::filesystem;

// Text-like data that compresses, with a stretch of noise, over four blocks and a bit.
std::vector<uint8_t> SampleData(size_t size) {
    std::vector<uint8_t> data(size);
    std::mt19937 rng(7);
    const char* words[] = {"gravel ", "rider ", "throttle ", "berm ", "jump ", "landing\r\n"};
    size_t i = 0;
    while (i < size) {
        if (i > 100000 && i < 110000) {
            data[i++] = static_cast<uint8_t>(rng());
            continue;
        }
        for (const char* c = words[rng() % 6]; *c && i < size; ++c) data[i++] = static_cast<uint8_t>(*c);
    }
    return data;
}

void WriteBytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Captures every message box shown while it lives (and answers OK).
class BoxCapture {
public:
    BoxCapture() {
        previous_ = plat::SetMessageBoxHook([this](const plat::MessageBoxCall& call) {
            texts.push_back(call.text);
            return plat::IDOK;
        });
    }
    ~BoxCapture() { plat::SetMessageBoxHook(previous_); }
    std::vector<std::string> texts;

private:
    plat::MessageBoxHook previous_;
};

class PackFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("gravelon-packfile-" + std::to_string(getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
        data_ = SampleData(4 * 0x10000 + 1234);
        image_ = PackImage(data_.data(), data_.size());
        WriteBytes(dir_ / "plain.bin", data_);
        WriteBytes(dir_ / "packed.qz", image_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string Path(const char* name) const { return (dir_ / name).string(); }

    fs::path dir_;
    std::vector<uint8_t> data_;
    std::vector<uint8_t> image_;
};

TEST_F(PackFileTest, ContainerIsDetectedAndReadsAcrossBlocks) {
    PackFile f;
    ASSERT_EQ(f.Open(Path("packed.qz").c_str(), "rb", 0), kOk);
    EXPECT_EQ(f.IsPacked(), 1);
    EXPECT_EQ(f.Size(), static_cast<int32_t>(data_.size()));
    EXPECT_EQ(f.GetRawSize(), static_cast<int32_t>(image_.size()));
    EXPECT_EQ(f.CheckIntegrity(), 1);
    EXPECT_GE(f.GetHandle(), 0);
    // Odd-sized pieces so that most reads straddle a block boundary somewhere.
    std::vector<uint8_t> got;
    std::vector<uint8_t> piece(40000);
    while (got.size() < data_.size()) {
        uint32_t n = static_cast<uint32_t>(std::min<size_t>(piece.size(), data_.size() - got.size()));
        ASSERT_EQ(f.Read(piece.data(), n), kOk);
        got.insert(got.end(), piece.begin(), piece.begin() + n);
        EXPECT_EQ(f.Tell(), static_cast<int32_t>(got.size()));
    }
    EXPECT_EQ(got, data_);
    EXPECT_EQ(f.Close(), kOk);
    EXPECT_EQ(f.IsOpen(), 0);
}

TEST_F(PackFileTest, ClosedFileAndOpenErrors) {
    PackFile f;
    uint8_t b = 0;
    EXPECT_EQ(f.Read(&b, 1), kPackNotOpen);
    EXPECT_EQ(f.Write(&b, 1), kPackNotOpen);
    EXPECT_EQ(f.Seek(0, 0), kPackNotOpen);
    EXPECT_EQ(f.Close(), kPackNotOpen);
    EXPECT_EQ(f.Size(), 0);
    EXPECT_EQ(f.Tell(), 0);
    EXPECT_EQ(f.GetHandle(), -1);
    EXPECT_EQ(f.Open(Path("missing.bin").c_str(), "rb", 0), kPackOpenFailed);
    ASSERT_EQ(f.Open(Path("plain.bin").c_str(), "rb", 0), kOk);
    EXPECT_EQ(f.Open(Path("plain.bin").c_str(), "rb", 0), kPackAlreadyOpen);
    PackFile opened(Path("packed.qz").c_str(), "rb", 0);
    EXPECT_EQ(opened.IsOpen(), 1);
    PackFile failed(Path("missing.bin").c_str(), "rb", 0);
    EXPECT_EQ(failed.IsOpen(), 0);
}

TEST_F(PackFileTest, NamesResolveWithoutRegardToCase) {
    fs::create_directories(dir_ / "Sub");
    WriteBytes(dir_ / "Sub" / "Data.BIN", {1, 2, 3});
    PackFile f;
    std::string name = dir_.string() + "\\SUB\\data.bin";
    ASSERT_EQ(f.Open(name.c_str(), "rb", 0), kOk);
    EXPECT_EQ(f.Size(), 3);
}

// The same seek on the plain file and on the container lands on the same byte.
struct SeekCase {
    int32_t offset;
    int origin;
    int32_t start;     // position before the seek
    int64_t expected;  // position after, or -1 for kPackBadSeek
};

TEST_F(PackFileTest, EverySeekOriginAgreesOnPlainAndPacked) {
    const int32_t size = static_cast<int32_t>(data_.size());
    const SeekCase cases[] = {
        {0, 0, 0, 0},
        {0x10000, 0, 5, 0x10000},
        {0x1FFFF, 0, 0, 0x1FFFF},
        {100, 1, 0x10000 - 50, 0x10000 + 50},
        {-100, 1, 0x20010, 0x20010 - 100},
        {0, 1, 777, 777},
        {0, 2, 0, size},
        {-1, 2, 0, size - 1},
        {-0x10001, 2, 3, size - 0x10001},
        {-1, 0, 0, -1},
        {-10, 1, 5, -1},
        {-size - 1, 2, 0, -1},
        {0, 3, 0, -1},
        {0, -1, 0, -1},
    };
    for (const char* name : {"plain.bin", "packed.qz"}) {
        PackFile f;
        ASSERT_EQ(f.Open(Path(name).c_str(), "rb", 0), kOk);
        for (const SeekCase& c : cases) {
            SCOPED_TRACE(std::string(name) + " offset " + std::to_string(c.offset) + " origin " +
                         std::to_string(c.origin));
            ASSERT_EQ(f.Seek(c.start, 0), kOk);
            if (c.expected < 0) {
                EXPECT_EQ(f.Seek(c.offset, c.origin), kPackBadSeek);
                continue;
            }
            ASSERT_EQ(f.Seek(c.offset, c.origin), kOk);
            EXPECT_EQ(f.Tell(), c.expected);
            if (c.expected < size) {
                uint8_t b = 0;
                ASSERT_EQ(f.Read(&b, 1), kOk);
                EXPECT_EQ(b, data_[static_cast<size_t>(c.expected)]);
            }
        }
    }
}

TEST_F(PackFileTest, ReadAtTheEndFailsAndCopiesNothing) {
    for (const char* name : {"plain.bin", "packed.qz"}) {
        SCOPED_TRACE(name);
        PackFile f;
        ASSERT_EQ(f.Open(Path(name).c_str(), "rb", 0), kOk);
        ASSERT_EQ(f.Seek(0, 2), kOk);
        EXPECT_EQ(f.Tell(), f.Size());
        uint8_t b = 0xEE;
        EXPECT_EQ(f.Read(&b, 0), kOk);  // an empty read always succeeds
        EXPECT_EQ(f.Read(&b, 1), kPackReadFailed);
        EXPECT_EQ(b, 0xEE);
    }
    // A container read running past the end copies nothing and keeps the position.
    PackFile f;
    ASSERT_EQ(f.Open(Path("packed.qz").c_str(), "rb", 0), kOk);
    ASSERT_EQ(f.Seek(-10, 2), kOk);
    std::vector<uint8_t> buffer(20, 0xEE);
    EXPECT_EQ(f.Read(buffer.data(), 20), kPackReadFailed);
    EXPECT_EQ(buffer, std::vector<uint8_t>(20, 0xEE));
    EXPECT_EQ(f.Tell(), f.Size() - 10);
    ASSERT_EQ(f.Read(buffer.data(), 10), kOk);
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + 10, data_.end() - 10));
    // And the file stays usable after the end was reached.
    ASSERT_EQ(f.Seek(0x10000 - 2, 0), kOk);
    ASSERT_EQ(f.Read(buffer.data(), 4), kOk);
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + 4, data_.begin() + 0x10000 - 2));
}

TEST_F(PackFileTest, RandomSeeksAndReadsMatchThePlainFile) {
    PackFile plain;
    PackFile packed;
    ASSERT_EQ(plain.Open(Path("plain.bin").c_str(), "rb", 0), kOk);
    ASSERT_EQ(packed.Open(Path("packed.qz").c_str(), "rb", 0), kOk);
    std::mt19937 rng(12345);
    const int32_t size = static_cast<int32_t>(data_.size());
    std::vector<uint8_t> a(70000);
    std::vector<uint8_t> b(70000);
    for (int step = 0; step < 3000; ++step) {
        int op = static_cast<int>(rng() % 4);
        if (op == 0) {
            int32_t target = static_cast<int32_t>(rng() % static_cast<uint32_t>(size + 1));
            ASSERT_EQ(plain.Seek(target, 0), packed.Seek(target, 0));
        } else if (op == 1) {
            int32_t delta = static_cast<int32_t>(rng() % 140000) - 70000;
            if (plain.Tell() + delta > size) continue;  // a plain file may seek past its end
            ASSERT_EQ(plain.Seek(delta, 1), packed.Seek(delta, 1));
        } else if (op == 2) {
            int32_t back = -static_cast<int32_t>(rng() % static_cast<uint32_t>(size + 1));
            ASSERT_EQ(plain.Seek(back, 2), packed.Seek(back, 2));
        } else {
            uint32_t n = rng() % 3 == 0 ? rng() % 70000 : rng() % 300;
            int32_t left = size - plain.Tell();
            if (static_cast<int64_t>(n) > left) n = static_cast<uint32_t>(std::max(left, 0));
            ASSERT_EQ(plain.Read(a.data(), n), kOk);
            ASSERT_EQ(packed.Read(b.data(), n), kOk);
            ASSERT_TRUE(std::equal(a.begin(), a.begin() + n, b.begin())) << "step " << step;
        }
        ASSERT_EQ(plain.Tell(), packed.Tell()) << "step " << step;
    }
}

TEST_F(PackFileTest, RightMagicWithOtherBlockSizeIsPlain) {
    std::vector<uint8_t> bytes = image_;
    plat::StoreU32(bytes.data() + 16, 0x8000);
    WriteBytes(dir_ / "fake.qz", bytes);
    PackFile f;
    ASSERT_EQ(f.Open(Path("fake.qz").c_str(), "rb", 0), kOk);
    EXPECT_EQ(f.IsPacked(), 0);
    EXPECT_EQ(f.GetRawSize(), 0);
    EXPECT_EQ(f.Size(), static_cast<int32_t>(bytes.size()));
    std::vector<uint8_t> got(bytes.size());
    ASSERT_EQ(f.Read(got.data(), static_cast<uint32_t>(got.size())), kOk);
    EXPECT_EQ(got, bytes);
}

// A container and a plain file, each inside a larger file at offset 1000.
TEST_F(PackFileTest, WindowsInsideALargerFile) {
    std::vector<uint8_t> prefix(1000, 0x5A);
    std::vector<uint8_t> suffix(777, 0xA5);
    for (const std::vector<uint8_t>* inner : {&image_, &data_}) {
        std::vector<uint8_t> outer = prefix;
        outer.insert(outer.end(), inner->begin(), inner->end());
        outer.insert(outer.end(), suffix.begin(), suffix.end());
        WriteBytes(dir_ / "outer.bin", outer);
        const bool packed = inner == &image_;
        SCOPED_TRACE(packed ? "container" : "plain");
        PackFile f;
        ASSERT_EQ(f.Open(Path("outer.bin").c_str(), "rb", 0, 1000, static_cast<int32_t>(inner->size())), kOk);
        EXPECT_EQ(f.IsPacked(), packed ? 1 : 0);
        EXPECT_EQ(f.Size(), static_cast<int32_t>(data_.size()));
        EXPECT_EQ(f.Tell(), 0);
        std::vector<uint8_t> got(data_.size());
        ASSERT_EQ(f.Read(got.data(), static_cast<uint32_t>(got.size())), kOk);
        EXPECT_EQ(got, data_);
        // The end is the window's end, not the outer file's.
        ASSERT_EQ(f.Seek(0, 2), kOk);
        EXPECT_EQ(f.Tell(), f.Size());
        uint8_t b = 0;
        EXPECT_EQ(f.Read(&b, 1), kPackReadFailed);
        ASSERT_EQ(f.Seek(-3, 2), kOk);
        uint8_t last[3];
        ASSERT_EQ(f.Read(last, 3), kOk);
        EXPECT_TRUE(std::equal(last, last + 3, data_.end() - 3));
        ASSERT_EQ(f.Seek(0x30005, 0), kOk);
        ASSERT_EQ(f.Read(&b, 1), kOk);
        EXPECT_EQ(b, data_[0x30005]);
        EXPECT_EQ(f.Seek(-1, 0), kPackBadSeek);  // never before the window
    }
}

// Unknown table entries (0) stay unknown at a base offset and are found by walking the blocks.
TEST_F(PackFileTest, UnknownBlockOffsetsAreWalked) {
    std::vector<uint8_t> bytes(1000, 0);
    std::vector<uint8_t> image = image_;
    for (uint32_t k = 1; k < 5; ++k) plat::StoreU32(image.data() + 24 + 4 * k, 0);
    bytes.insert(bytes.end(), image.begin(), image.end());
    WriteBytes(dir_ / "unknown.bin", bytes);
    BoxCapture boxes;
    PackFile f;
    ASSERT_EQ(f.Open(Path("unknown.bin").c_str(), "rb", 0, 1000, -1), kOk);
    ASSERT_EQ(f.IsPacked(), 1);
    ASSERT_EQ(f.Seek(0x30000 + 17, 0), kOk);
    uint8_t b = 0;
    ASSERT_EQ(f.Read(&b, 1), kOk);
    EXPECT_EQ(b, data_[0x30000 + 17]);
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(boxes.texts[0], "Shouldn't execute\n");
    // Everything before it is known now: going back is silent.
    ASSERT_EQ(f.Seek(0x10000 + 3, 0), kOk);
    ASSERT_EQ(f.Read(&b, 1), kOk);
    EXPECT_EQ(b, data_[0x10000 + 3]);
    ASSERT_EQ(f.Seek(0, 2), kOk);
    EXPECT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(f.CheckIntegrity(), 1);
}

TEST_F(PackFileTest, WrongKnownOffsetIsReportedWhenTheBlockIsMet) {
    std::vector<uint8_t> image = image_;
    uint32_t real = plat::LoadU32(image.data() + 24 + 4);
    plat::StoreU32(image.data() + 24 + 4, real + 4);
    WriteBytes(dir_ / "moved.qz", image);
    BoxCapture boxes;
    PackFile f;
    ASSERT_EQ(f.Open(Path("moved.qz").c_str(), "rb", 0), kOk);
    std::vector<uint8_t> got(0x10000 + 10);
    ASSERT_EQ(f.Read(got.data(), static_cast<uint32_t>(got.size())), kOk);
    EXPECT_TRUE(std::equal(got.begin(), got.end(), data_.begin()));
    ASSERT_EQ(boxes.texts.size(), 1u);
    char expected[64];
    std::snprintf(expected, sizeof expected, "pos was %X now %X", real + 4, real);
    EXPECT_EQ(boxes.texts[0], expected);
}

// Damaged containers: the header or table is refused at Open, a damaged block fails the read.
TEST_F(PackFileTest, DamagedContainersGiveResultCodes) {
    struct Damage {
        const char* what;
        size_t at;
        uint32_t value;
        Result open;
    };
    const uint32_t blocks = plat::LoadU32(image_.data() + 12);
    const uint32_t block1 = plat::LoadU32(image_.data() + 28);
    const Damage damages[] = {
        {"block count too small", 12, blocks - 1, kPackOpenFailed},
        {"block count huge", 12, 0x40000000, kPackOpenFailed},
        {"offset past the file", 28, 0x7FFFFFF0, kPackOpenFailed},
        {"offset inside the table", 28, 8, kPackOpenFailed},
        {"offsets not rising", 32, block1, kPackOpenFailed},
        {"first block length wrong", 24 + 4 * blocks, 0x10001, kPackReadFailed},
        {"first block packed length huge", 24 + 4 * blocks + 4, 98313, kPackReadFailed},
    };
    for (const Damage& d : damages) {
        SCOPED_TRACE(d.what);
        std::vector<uint8_t> bytes = image_;
        plat::StoreU32(bytes.data() + d.at, d.value);
        WriteBytes(dir_ / "bad.qz", bytes);
        PackFile f;
        EXPECT_EQ(f.Open(Path("bad.qz").c_str(), "rb", 0), d.open);
        EXPECT_EQ(f.IsOpen(), 0);
    }
    // A container cut short in its third block: its table points past the end, so it is refused.
    const uint32_t third = plat::LoadU32(image_.data() + 32);
    std::vector<uint8_t> cut(image_.begin(), image_.begin() + third + 100);
    WriteBytes(dir_ / "cut.qz", cut);
    PackFile refused;
    EXPECT_EQ(refused.Open(Path("cut.qz").c_str(), "rb", 0), kPackOpenFailed);
    // With those offsets unknown it opens, reads up to the cut and then fails there.
    for (uint32_t k = 2; k < blocks; ++k) plat::StoreU32(cut.data() + 24 + 4 * k, 0);
    WriteBytes(dir_ / "cut.qz", cut);
    BoxCapture boxes;
    PackFile f;
    ASSERT_EQ(f.Open(Path("cut.qz").c_str(), "rb", 0), kOk);
    std::vector<uint8_t> got(0x20000);
    ASSERT_EQ(f.Read(got.data(), 0x20000), kOk);
    EXPECT_TRUE(std::equal(got.begin(), got.end(), data_.begin()));
    uint8_t b = 0;
    EXPECT_EQ(f.Read(&b, 1), kPackReadFailed);
    EXPECT_EQ(f.Read(&b, 1), kPackReadFailed);
    EXPECT_EQ(f.Seek(0, 2), kPackBadSeek);
    EXPECT_EQ(f.Seek(0x30000 + 5, 0), kPackBadSeek);
    ASSERT_EQ(f.Seek(0x10000 + 5, 0), kOk);
    ASSERT_EQ(f.Read(&b, 1), kOk);
    EXPECT_EQ(b, data_[0x10000 + 5]);
    // A block whose bit stream is damaged fails; the block before it is still read correctly,
    // although the decoder may have written part of the damaged block into the block buffer.
    std::vector<uint8_t> noisy = image_;
    const uint32_t second = plat::LoadU32(noisy.data() + 32);
    for (uint32_t i = second + 12 + 8 + 200; i < second + 12 + plat::LoadU32(noisy.data() + second + 4); ++i) {
        noisy[i] = static_cast<uint8_t>(i * 37);
    }
    WriteBytes(dir_ / "noisy.qz", noisy);
    PackFile g;
    ASSERT_EQ(g.Open(Path("noisy.qz").c_str(), "rb", 0), kOk);
    std::vector<uint8_t> whole(0x20000 + 0x8000);
    ASSERT_EQ(g.Read(whole.data(), static_cast<uint32_t>(whole.size())), kPackReadFailed);
    EXPECT_EQ(g.Read(whole.data(), 1), kPackReadFailed);
    ASSERT_EQ(g.Seek(0x10000 + 5, 0), kOk);
    ASSERT_EQ(g.Read(whole.data(), 0x1000), kOk);
    EXPECT_TRUE(std::equal(whole.begin(), whole.begin() + 0x1000, data_.begin() + 0x10000 + 5));
}

TEST_F(PackFileTest, WritingNeverCompresses) {
    PackFile f;
    ASSERT_EQ(f.Open(Path("out.bin").c_str(), "wb", 1), kOk);
    EXPECT_EQ(f.IsPacked(), 1);
    EXPECT_EQ(f.Write(data_.data(), 0), kOk);
    ASSERT_EQ(f.Write(data_.data(), 5000), kOk);
    EXPECT_EQ(f.Tell(), 5000);
    ASSERT_EQ(f.Close(), kOk);
    EXPECT_EQ(ReadBytes(dir_ / "out.bin"), std::vector<uint8_t>(data_.begin(), data_.begin() + 5000));
}

TEST_F(PackFileTest, EmptyContainer) {
    WriteBytes(dir_ / "empty.qz", PackImage(nullptr, 0));
    PackFile f;
    ASSERT_EQ(f.Open(Path("empty.qz").c_str(), "rb", 0), kOk);
    EXPECT_EQ(f.IsPacked(), 1);
    EXPECT_EQ(f.Size(), 0);
    EXPECT_EQ(f.Seek(0, 2), kOk);
    EXPECT_EQ(f.Seek(0, 0), kOk);
    uint8_t b = 0;
    EXPECT_EQ(f.Read(&b, 0), kOk);
    EXPECT_EQ(f.Read(&b, 1), kPackReadFailed);
}

}  // namespace
}  // namespace kes
