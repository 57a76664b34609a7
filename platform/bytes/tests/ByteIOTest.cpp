#include <gtest/gtest.h>

#include "platform/bytes/ByteIO.h"

namespace {

TEST(ByteIO, WriterAndReaderAgreeFieldByField) {
    plat::ByteWriter w;
    w.U8(0x12);
    w.U16(0x3456);
    w.U32(0x89ABCDEF);
    w.F32(-1.5f);
    w.FixedString("abc", 6);
    const std::vector<uint8_t> expected = {0x12, 0x56, 0x34, 0xEF, 0xCD, 0xAB, 0x89, 0x00, 0x00,
                                           0xC0, 0xBF, 'a',  'b',  'c',  0,    0,    0};
    ASSERT_EQ(w.Data(), expected);

    plat::ByteReader r(w.Data());
    EXPECT_EQ(r.U8(), 0x12);
    EXPECT_EQ(r.U16(), 0x3456);
    EXPECT_EQ(r.U32(), 0x89ABCDEFu);
    EXPECT_EQ(r.F32(), -1.5f);
    char text[6];
    EXPECT_TRUE(r.Bytes(text, 6));
    EXPECT_STREQ(text, "abc");
    EXPECT_TRUE(r.Ok());
    EXPECT_EQ(r.Remaining(), 0u);
}

TEST(ByteIO, ReadingPastTheEndFailsAndYieldsZeros) {
    const uint8_t bytes[3] = {1, 2, 3};
    plat::ByteReader r(bytes, sizeof bytes);
    EXPECT_EQ(r.U32(), 0u);
    EXPECT_FALSE(r.Ok());
    // Once failed, every later read fails too, even one that would fit.
    EXPECT_EQ(r.U8(), 0);
    EXPECT_TRUE(r.Take(1).empty());
}

TEST(ByteIO, FixedStringCutsToFitWithTerminator) {
    plat::ByteWriter w;
    w.FixedString("abcdef", 4);
    EXPECT_EQ(w.Data(), (std::vector<uint8_t>{'a', 'b', 'c', 0}));
}

}  // namespace
