#include "common/stream/FileStream.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;
using qv::FileStream;

int32_t C(uint32_t v) { return static_cast<int32_t>(v); }

class FileStreamTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("qv_stream_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        path_ = (dir_ / "data.bin").string();
        std::ofstream(path_, std::ios::binary) << "0123456789";
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
    std::string path_;
};

TEST_F(FileStreamTest, EveryOperationOnAClosedStreamSaysNotOpen) {
    FileStream s;
    char b[4];
    EXPECT_EQ(s.IsOpen(), 0);
    EXPECT_EQ(s.Read(b, 4), C(qv::kStreamNotOpen));
    EXPECT_EQ(s.Write(b, 4), C(qv::kStreamNotOpen));
    EXPECT_EQ(s.Tell(), qv::kStreamNotOpen);
    EXPECT_EQ(s.Seek(0, 0), C(qv::kStreamNotOpen));
    EXPECT_EQ(s.Close(), C(qv::kStreamNotOpen));
}

TEST_F(FileStreamTest, OpenTwiceKeepsTheFirstFile) {
    FileStream s(path_.c_str(), "rb");
    ASSERT_EQ(s.IsOpen(), 1);
    EXPECT_EQ(s.Open((dir_ / "other").c_str(), "wb"), C(qv::kStreamAlreadyOpen));
    char b[3];
    ASSERT_EQ(s.Read(b, 3), 0);
    EXPECT_EQ(std::string(b, 3), "012");
    EXPECT_FALSE(fs::exists(dir_ / "other"));
}

TEST_F(FileStreamTest, MissingFileFailsToOpen) {
    FileStream s;
    EXPECT_EQ(s.Open((dir_ / "missing").c_str(), "rb"), C(qv::kStreamOpenFailed));
    EXPECT_EQ(s.IsOpen(), 0);
}

TEST_F(FileStreamTest, SizeKeepsThePositionAndSeekOrigins) {
    FileStream s(path_.c_str(), "rb");
    ASSERT_EQ(s.Seek(3, 0), 0);
    EXPECT_EQ(s.Size(), 10u);
    EXPECT_EQ(s.Tell(), 3u);
    EXPECT_EQ(s.Seek(2, 1), 0);
    EXPECT_EQ(s.Tell(), 5u);
    EXPECT_EQ(s.Seek(-1, 2), 0);
    EXPECT_EQ(s.Tell(), 9u);
    EXPECT_EQ(s.Seek(-20, 1), C(qv::kStreamSeekFailed));
    EXPECT_EQ(s.Tell(), 9u);
}

TEST_F(FileStreamTest, ShortReadAtTheEndIsReported) {
    FileStream s(path_.c_str(), "rb");
    char b[16];
    ASSERT_EQ(s.Seek(8, 0), 0);
    EXPECT_EQ(s.Read(b, 4), C(qv::kStreamReadShort));
}

TEST_F(FileStreamTest, ZeroBytesMoveWithoutFailure) {
    FileStream s(path_.c_str(), "r+b");
    char b[1];
    EXPECT_EQ(s.Read(b, 0), 0);
    EXPECT_EQ(s.Write(b, 0), 0);
}

TEST_F(FileStreamTest, WriteThenReadBack) {
    std::string out = (dir_ / "w.bin").string();
    {
        FileStream s(out.c_str(), "w+b");
        ASSERT_EQ(s.Write("abcd", 4), 0);
        ASSERT_EQ(s.Seek(0, 0), 0);
        char b[4];
        ASSERT_EQ(s.Read(b, 4), 0);
        EXPECT_EQ(std::string(b, 4), "abcd");
        EXPECT_EQ(s.Flush(), 0);
        EXPECT_EQ(s.Close(), 0);
    }
    EXPECT_EQ(fs::file_size(out), 4u);
}

TEST_F(FileStreamTest, WriteToAReadOnlyStreamIsShort) {
    FileStream s(path_.c_str(), "rb");
    EXPECT_EQ(s.Write("x", 1) == 0 && s.Flush() == 0, false);
}

}  // namespace
