#include <gtest/gtest.h>

#include <cstring>

#include "Tarn/api/MemStream.h"

namespace TarnAPI::test {
namespace {

TEST(MemStreamTest, ReadsStopAtTheEndOfTheBlock) {
    uint8_t block[3] = {1, 2, 3};
    MemStream stream(block, 3);
    uint8_t out[2] = {};
    EXPECT_EQ(stream.Read(2, out), 2);
    EXPECT_EQ(out[1], 2);
    EXPECT_EQ(stream.Read(2, out), 1);
    EXPECT_EQ(out[0], 3);
    EXPECT_EQ(stream.Read(2, out), 0);
}

TEST(MemStreamTest, SkipsAndWritesCount) {
    uint8_t block[4] = {};
    MemStream stream(block, 4);
    EXPECT_EQ(stream.Read(1, nullptr), 1);  // skip
    const uint8_t bytes[] = {7, 8, 9, 10};
    EXPECT_EQ(stream.Write(4, bytes), 3);
    EXPECT_EQ(block[0], 0);
    EXPECT_EQ(block[3], 9);
    EXPECT_EQ(stream.Write(1, bytes), 0);
    EXPECT_EQ(stream.Write(-1, bytes), 0);

    MemStream none(nullptr, 10);
    EXPECT_EQ(none.Read(4, block), 0);
    MemStream owned(new uint8_t[8], 8, true);  // released at destruction (the leak check sees it)
    EXPECT_EQ(owned.Write(8, nullptr), 8);
}

}  // namespace
}  // namespace TarnAPI::test
