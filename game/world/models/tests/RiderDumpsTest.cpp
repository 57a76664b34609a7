// The skeleton's vertex lists: byte orders, damaged counts and indices, and the seam copies that
// join a bone by their position.
#include <gtest/gtest.h>

#include <vector>

#include "game/core/render/RenderInterface.h"
#include "game/world/models/RiderDumps.h"

namespace kes::test {
namespace {

std::vector<uint8_t> BigEndian(const std::vector<int>& values) {
    std::vector<uint8_t> out;
    for (int v : values) out.push_back(static_cast<uint8_t>((v >> 8) & 0xFF)), out.push_back(static_cast<uint8_t>(v & 0xFF));
    return out;
}

std::vector<uint8_t> LittleEndian(const std::vector<uint32_t>& values) {
    std::vector<uint8_t> out;
    for (uint32_t v : values)
        for (int b = 0; b < 4; ++b) out.push_back(static_cast<uint8_t>(v >> (8 * b)));
    return out;
}

TEST(RiderDumps, BoneListsAreBigEndianSixteenBit) {
    std::vector<int> words = {5, 0, 1, 2, 3, 0x0102};  // bytes 0x00 0x05: five entries
    for (int b = 1; b < 12; ++b) words.insert(words.end(), {1, b});
    const std::vector<uint8_t> bytes = BigEndian(words);
    RiderBoneLists bones;
    const RiderDumpResult r = ReadRiderBoneDump(bytes.data(), bytes.size(), 300, &bones);
    EXPECT_TRUE(r.complete);
    EXPECT_EQ(r.dropped, 0u);
    EXPECT_EQ(bones[0], (std::vector<uint32_t>{0, 1, 2, 3, 258}));
    EXPECT_EQ(bones[11], (std::vector<uint32_t>{11}));
}

TEST(RiderDumps, DamagedBoneCountsAndIndicesAreLeftOut) {
    struct Case {
        const char* what;
        std::vector<int> words;
        std::vector<uint32_t> first, second;
        uint32_t dropped;
        bool complete;
    } cases[] = {
        {"negative count reads as empty", {0xFFFF, 1, 7}, {}, {7}, 0, false},
        {"negative and too large indices", {3, 0xFFFB, 4, 300, 0}, {4}, {}, 2, false},
        {"count beyond the file", {100, 1, 2}, {1, 2}, {}, 0, false},
    };
    for (const Case& c : cases) {
        const std::vector<uint8_t> bytes = BigEndian(c.words);
        RiderBoneLists bones;
        const RiderDumpResult r = ReadRiderBoneDump(bytes.data(), bytes.size(), 300, &bones);
        EXPECT_EQ(bones[0], c.first) << c.what;
        EXPECT_EQ(bones[1], c.second) << c.what;
        EXPECT_EQ(r.dropped, c.dropped) << c.what;
        EXPECT_EQ(r.complete, c.complete) << c.what;
    }
}

TEST(RiderDumps, NodeListsAreLittleEndianAndChecked) {
    std::vector<uint32_t> words = {3, 4, 299, 300};
    for (int n = 1; n < 15; ++n) words.insert(words.end(), {1, static_cast<uint32_t>(n)});
    std::vector<uint8_t> bytes = LittleEndian(words);
    RiderNodeLists nodes;
    RiderDumpResult r = ReadRiderNodeDump(bytes.data(), bytes.size(), 300, &nodes);
    EXPECT_TRUE(r.complete);
    EXPECT_EQ(r.dropped, 1u);
    EXPECT_EQ(nodes[0], (std::vector<uint32_t>{4, 299}));
    EXPECT_EQ(nodes[14], (std::vector<uint32_t>{14}));

    bytes = LittleEndian({0xFFFFFFFFu, 9});  // a count no file could hold
    r = ReadRiderNodeDump(bytes.data(), bytes.size(), 300, &nodes);
    EXPECT_FALSE(r.complete);
    EXPECT_EQ(nodes[0], (std::vector<uint32_t>{9}));
    EXPECT_TRUE(nodes[1].empty());
    r = ReadRiderNodeDump(nullptr, 0, 300, &nodes);
    EXPECT_FALSE(r.complete);
    EXPECT_TRUE(nodes[0].empty());
}

TEST(RiderDumps, SeamCopiesJoinTheFirstBoneHoldingTheirPosition) {
    // Vertices 0-3 are listed; 4 copies vertex 2's place, 5 vertex 0's, 6 matches nothing.
    const SourceVertex frame0[7] = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}, {2, 0, 0}, {0, 0, 0}, {9, 9, 9}};
    RiderBoneLists bones;
    bones[0] = {3};
    bones[1] = {2, 0};
    bones[2] = {1, 2};
    ExtendRiderBoneLists(frame0, 7, &bones);
    EXPECT_EQ(bones[0], (std::vector<uint32_t>{3}));
    EXPECT_EQ(bones[1], (std::vector<uint32_t>{2, 0, 4, 5}));
    EXPECT_EQ(bones[2], (std::vector<uint32_t>{1, 2}));
}

}  // namespace
}  // namespace kes::test
