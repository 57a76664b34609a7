// Round trips through the container encoder and decoder, a block built bit by bit to pin the stream
// format, and damaged blocks and images that must be refused without touching memory outside them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <algorithm>
#include <functional>
#include <iterator>
#include <memory>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "game/core/pack/AdaptiveHuffman.h"
#include "game/core/pack/ContainerCodec.h"
#include "game/core/pack/ContainerCodecBits.h"
#include "platform/bytes/ByteIO.h"

namespace kes {
namespace {

using Bytes = std::vector<uint8_t>;

struct FreeDeleter {
    void operator()(uint8_t* p) const { std::free(p); }
};
using Unpacked = std::unique_ptr<uint8_t, FreeDeleter>;

Unpacked Unpack(const Bytes& image, uint32_t* size) {
    return Unpacked(UnpackImage(image.data(), image.size(), size));
}

Bytes Text(size_t size, unsigned seed) {
    static const char* const kWords[] = {"the", "rider", "takes", "a", "jump", "over", "muddy",
                                         "track", "and", "lands", "near", "finish", "line", "with",
                                         "engine", "roaring", "loudly", "while", "crowd", "cheers"};
    std::mt19937 rng(seed);
    Bytes out;
    while (out.size() < size) {
        const std::string word = kWords[rng() % std::size(kWords)];
        out.insert(out.end(), word.begin(), word.end());
        out.push_back(rng() % 9 == 0 ? '\n' : ' ');
    }
    out.resize(size);
    return out;
}

Bytes Random(size_t size, unsigned seed) {
    std::mt19937 rng(seed);
    Bytes out(size);
    for (auto& b : out) b = static_cast<uint8_t>(rng());
    return out;
}

// Text, random bytes, a run and a ramp, one after another.
Bytes Mixed(size_t size) {
    Bytes out = Text(size / 2, 5);
    const Bytes noise = Random(size / 8, 6);
    out.insert(out.end(), noise.begin(), noise.end());
    out.insert(out.end(), size / 8, 0x55);
    for (size_t i = 0; out.size() < size; ++i) out.push_back(static_cast<uint8_t>((i / 3) & 0xFF));
    return out;
}

// Every byte value, in a shuffled order per round, so every literal arrives through the escape and
// the literal tree fills to all its nodes.
Bytes AllByteValues() {
    Bytes out;
    std::mt19937 rng(11);
    for (int round = 0; round < 8; ++round) {
        Bytes values(256);
        for (int i = 0; i < 256; ++i) values[i] = static_cast<uint8_t>(i);
        std::shuffle(values.begin(), values.end(), rng);
        out.insert(out.end(), values.begin(), values.end());
    }
    return out;
}

// A random byte and then one of four 3-byte words: two tokens per four bytes, enough tokens in one
// block to drive the length model's root weight to the rescale point several times.
Bytes ShortTokens(size_t size) {
    static const char* const kTriples[] = {"abc", "xyz", "klm", "pqr"};
    std::mt19937 rng(3);
    Bytes out;
    while (out.size() < size) {
        out.push_back(static_cast<uint8_t>(rng()));
        const char* t = kTriples[rng() % 4];
        out.insert(out.end(), t, t + 3);
    }
    out.resize(size);
    return out;
}

struct RoundTripCase {
    const char* name;
    std::function<Bytes()> make;
};

void PrintTo(const RoundTripCase& c, std::ostream* os) { *os << c.name; }

class ContainerRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(ContainerRoundTrip, ImageDecodesToInputAndEveryBlockDecodesAlone) {
    const Bytes input = GetParam().make();
    const Bytes image = PackImage(input.data(), input.size(), 0x1234, 0xABCD);
    ASSERT_GE(image.size(), kContainerHeaderSize);

    const ContainerHeader header = ReadContainerHeader(image.data());
    EXPECT_EQ(header.firstWord, 0x1234u);
    EXPECT_EQ(header.unpackedSize, input.size());
    EXPECT_EQ(header.magic, kContainerMagic);
    const size_t blocks = (input.size() + 0xFFFF) / 0x10000;
    EXPECT_EQ(header.blockCount, blocks);
    EXPECT_EQ(header.blockSize, kContainerBlockSize);
    EXPECT_EQ(header.lastWord, 0xABCDu);

    uint32_t size = 0xFFFFFFFF;
    const Unpacked out = Unpack(image, &size);
    ASSERT_NE(out, nullptr);
    ASSERT_EQ(size, input.size());
    EXPECT_TRUE(std::equal(input.begin(), input.end(), out.get()));

    // Blocks lie back to back after the table, each at the offset the table gives.
    size_t pos = kContainerHeaderSize + 4 * blocks;
    Bytes block(kContainerBlockSize);
    for (size_t k = 0; k < blocks; ++k) {
        ASSERT_EQ(plat::LoadU32(image.data() + kContainerHeaderSize + 4 * k), pos) << "block " << k;
        const uint32_t length = plat::LoadU32(image.data() + pos);
        const uint32_t packed = plat::LoadU32(image.data() + pos + 4);
        EXPECT_LE(packed, kMaxBlockDataSize);
        EXPECT_EQ(packed % 4, 0u);
        uint32_t decoded = 0;
        ASSERT_EQ(UnpackBlock(image.data() + pos + 12, packed, block.data(), &decoded), kOk);
        ASSERT_EQ(decoded, length);
        EXPECT_TRUE(std::equal(block.begin(), block.begin() + length, input.begin() + k * 0x10000));
        pos += 12 + packed;
    }
    EXPECT_EQ(pos, image.size());
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, ContainerRoundTrip,
    ::testing::Values(RoundTripCase{"Empty", [] { return Bytes{}; }},
                      RoundTripCase{"OneByte", [] { return Bytes{0x42}; }},
                      RoundTripCase{"ExactlyOneBlock", [] { return Text(65536, 1); }},
                      RoundTripCase{"OneBlockAndOneByte", [] { return Text(65537, 2); }},
                      RoundTripCase{"MixedText300K", [] { return Mixed(300 * 1024); }},
                      RoundTripCase{"AllByteValues", [] { return AllByteValues(); }},
                      RoundTripCase{"LongRun", [] { return Bytes(150000, 0xEE); }},
                      RoundTripCase{"RandomRescalesLiteralModel", [] { return Random(3 * 65536 + 17, 9); }},
                      RoundTripCase{"ShortTokensRescaleLengthModel", [] { return ShortTokens(140000); }}),
    [](const auto& param) { return std::string(param.param.name); });

// The encoder's bytes for fixed inputs, as its first version wrote them: a faster encoder must
// make the same choices, so packs built by either are the same files.
uint64_t Fnv1a(const Bytes& bytes) {
    uint64_t h = 1469598103934665603ull;
    for (uint8_t b : bytes) h = (h ^ b) * 1099511628211ull;
    return h;
}

TEST(ContainerCodec, EncoderBytesStayTheSame) {
    const struct {
        const char* name;
        Bytes input;
        uint64_t hash;
    } cases[] = {
        {"mixed", Mixed(300 * 1024), 9634717169654928608ull},
        {"all byte values", AllByteValues(), 13949348085881852951ull},
        {"short tokens", ShortTokens(140000), 12615145604765657291ull},
        {"random", Random(70000, 9), 620785674986994296ull},
    };
    for (const auto& c : cases) {
        const Bytes image = PackImage(c.input.data(), c.input.size());
        EXPECT_EQ(Fnv1a(image), c.hash) << c.name << " (" << image.size() << " bytes)";
    }
}

TEST(ContainerCodec, ThreadCountNeverChangesTheEncodedImage) {
    const Bytes input = Mixed(9 * 65536 + 100);
    const Bytes one = PackImage(input.data(), input.size(), 1, 2, 1);
    for (const unsigned threads : {0u, 2u, 3u, 16u}) EXPECT_EQ(PackImage(input.data(), input.size(), 1, 2, threads), one) << threads;
    uint32_t size = 0;
    const Unpacked out = Unpack(one, &size);
    ASSERT_NE(out, nullptr);
    ASSERT_EQ(size, input.size());
    EXPECT_TRUE(std::equal(input.begin(), input.end(), out.get()));
}

TEST(ContainerCodec, CompressesRedundantData) {
    const Bytes run(65536, 0);
    EXPECT_LT(PackBlock(run.data(), run.size()).size(), 200u);
    const Bytes text = Text(65536, 4);
    EXPECT_LT(PackBlock(text.data(), text.size()).size(), text.size() / 3);
}

TEST(ContainerCodec, IncompressibleBlockStaysWithinReaderLimit) {
    const Bytes noise = Random(65536, 21);
    const Bytes block = PackBlock(noise.data(), noise.size());
    ASSERT_FALSE(block.empty());
    EXPECT_LE(block.size(), kMaxBlockDataSize);
}

TEST(ContainerCodec, PackBlockRefusesEmptyAndOversizedInput) {
    const Bytes big(kContainerBlockSize + 1, 1);
    EXPECT_TRUE(PackBlock(big.data(), big.size()).empty());
    EXPECT_TRUE(PackBlock(big.data(), 0).empty());
}

// "A" as a literal, then length 5 at distance 1, worked out bit by bit:
//   length 1: escape (1) + 00000001; distance size 0: escape (00) + 00000000;
//   literal 'A': escape (1) + 01000001; length 5: escape (00) + 00000101; distance size 1: 10.
// Forty bits in two words, most significant bit first, stored little-endian.
const Bytes kRepeatBlock = {0x06, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00,
                            0x10, 0x14, 0x80, 0x80, 0x00, 0x00, 0x00, 0x16};

TEST(ContainerCodec, DistanceOneRepeatsLastByte) {
    Bytes out(kContainerBlockSize, 0xCC);
    uint32_t length = 0;
    ASSERT_EQ(UnpackBlock(kRepeatBlock.data(), kRepeatBlock.size(), out.data(), &length), kOk);
    ASSERT_EQ(length, 6u);
    EXPECT_EQ(std::string(out.begin(), out.begin() + 6), "AAAAAA");
    EXPECT_EQ(out[6], 0xCC);
}

TEST(ContainerCodec, EncoderWritesTheHandBuiltBlock) {
    const Bytes input(6, 'A');
    EXPECT_EQ(PackBlock(input.data(), input.size()), kRepeatBlock);
}

// Writes arbitrary (also invalid) tokens through the two models, the way a damaged or hostile stream
// could hold them.
class StreamBuilder {
public:
    StreamBuilder() : bits_(words_) {}

    StreamBuilder& Symbol(bool literal, int symbol) {
        AdaptiveHuffman& m = literal ? literals_ : sizes_;
        const bool known = m.Contains(symbol);
        Path(m, m.NodeOf(known ? symbol : AdaptiveHuffman::kEscape));
        if (!known) {
            bits_.Bits(static_cast<uint32_t>(symbol), 8);
            m.Add(symbol);
        }
        m.Update(symbol);
        return *this;
    }
    // The escape followed by a value, whether or not the value is already in the tree.
    StreamBuilder& Escape(bool literal, int value) {
        AdaptiveHuffman& m = literal ? literals_ : sizes_;
        Path(m, m.NodeOf(AdaptiveHuffman::kEscape));
        bits_.Bits(static_cast<uint32_t>(value), 8);
        return *this;
    }
    StreamBuilder& Literals(const std::string& text) {
        Symbol(false, static_cast<int>(text.size())).Symbol(false, 0);
        for (char c : text) Symbol(true, static_cast<uint8_t>(c));
        return *this;
    }
    StreamBuilder& Copy(int length, uint32_t distance) {
        int size = 0;
        while ((distance >> size) != 0) ++size;
        Symbol(false, length).Symbol(false, size);
        if (size > 1) bits_.Bits(distance & ((1u << (size - 1)) - 1), size - 1);
        return *this;
    }
    Bytes Block(uint32_t length) {
        bits_.Finish();
        plat::ByteWriter data;
        data.U32(length);
        data.U32(static_cast<uint32_t>(8 + words_.size()));
        data.Bytes(words_.data(), words_.size());
        return data.Take();
    }

private:
    void Path(const AdaptiveHuffman& m, int node) {
        std::vector<uint32_t> path;
        for (int parent = m.Parent(node); parent >= 0; node = parent, parent = m.Parent(node))
            path.push_back(static_cast<uint32_t>(node - m.Value(parent)));
        for (auto it = path.rbegin(); it != path.rend(); ++it) bits_.Bit(*it);
    }

    Bytes words_;
    container::BitWriter bits_;
    AdaptiveHuffman sizes_;
    AdaptiveHuffman literals_;
};

TEST(ContainerCodec, BuilderBlockMatchesHandBuiltBits) {
    EXPECT_EQ(StreamBuilder().Literals("A").Copy(5, 1).Block(6), kRepeatBlock);
    // A far copy with raw distance bits: "abcdefgh" then 8 bytes from distance 8 (size 4, bits 000).
    const Bytes block = StreamBuilder().Literals("abcdefgh").Copy(8, 8).Copy(3, 5).Block(19);
    Bytes out(kContainerBlockSize);
    uint32_t length = 0;
    ASSERT_EQ(UnpackBlock(block.data(), block.size(), out.data(), &length), kOk);
    EXPECT_EQ(std::string(out.begin(), out.begin() + length), "abcdefghabcdefghdef");
}

// The undamaged twins of the fixtures below decode, so each fixture is refused for its damage alone.
TEST(ContainerCodec, UndamagedTwinsOfTheFixturesDecode) {
    const struct {
        Bytes block;
        std::string text;
    } cases[] = {
        {StreamBuilder().Literals("AB").Copy(2, 1).Block(4), "ABBB"},
        {StreamBuilder().Literals("AB").Copy(3, 2).Block(5), "ABABA"},
        {StreamBuilder().Literals("ABCDEF").Block(6), "ABCDEF"},
        {StreamBuilder().Literals("Hello, world").Block(12), "Hello, world"},
        {StreamBuilder().Symbol(false, 2).Symbol(false, 0).Symbol(true, 'A').Symbol(true, 'A').Block(2), "AA"},
        {StreamBuilder().Literals("A").Copy(1, 1).Block(2), "AA"},
    };
    for (const auto& c : cases) {
        Bytes out(kContainerBlockSize);
        uint32_t length = 0;
        ASSERT_EQ(UnpackBlock(c.block.data(), c.block.size(), out.data(), &length), kOk) << c.text;
        EXPECT_EQ(std::string(out.begin(), out.begin() + length), c.text);
    }
}

// A copy of data with the u32 at the given offset replaced (the offset lies inside data).
Bytes WithWord(Bytes data, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) data.at(at + i) = static_cast<uint8_t>(value >> (8 * i));
    return data;
}

struct DamageCase {
    const char* name;
    std::function<Bytes()> make;
};

void PrintTo(const DamageCase& c, std::ostream* os) { *os << c.name; }

class DamagedBlock : public ::testing::TestWithParam<DamageCase> {};

// Each damaged block is refused by the block decoder and, wrapped in an otherwise valid image, by the
// image decoder. Under the sanitizers this also proves nothing is read or written outside.
TEST_P(DamagedBlock, IsRefused) {
    const Bytes data = GetParam().make();
    Bytes out(kContainerBlockSize);
    uint32_t length = 0xDEAD;
    EXPECT_EQ(UnpackBlock(data.data(), data.size(), out.data(), &length), kPackReadFailed);
    EXPECT_EQ(length, 0xDEADu);

    const uint32_t declared = data.size() >= 4 ? plat::LoadU32(data.data()) : 0;
    const uint32_t packed = data.size() >= 8 ? plat::LoadU32(data.data() + 4) : 0;
    plat::ByteWriter image;
    for (uint32_t v : {0u, declared, kContainerMagic, 1u, kContainerBlockSize, 0u, 28u, declared, packed, 0u})
        image.U32(v);
    image.Bytes(data.data(), data.size());
    uint32_t size = 0;
    EXPECT_EQ(Unpack(image.Take(), &size), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, DamagedBlock,
    ::testing::Values(
        DamageCase{"TokenOfLengthZero", [] { return StreamBuilder().Literals("AB").Copy(0, 1).Block(4); }},
        DamageCase{"LengthBeyondBlock", [] { return StreamBuilder().Literals("AB").Copy(9, 1).Block(6); }},
        DamageCase{"LiteralsBeyondBlock", [] { return StreamBuilder().Literals("ABCDEF").Block(5); }},
        DamageCase{"DistanceBeyondOutput", [] { return StreamBuilder().Literals("AB").Copy(3, 3).Block(5); }},
        DamageCase{"CopyBeforeAnyOutput", [] { return StreamBuilder().Copy(4, 1).Block(4); }},
        DamageCase{"DistanceSizeTooLarge",
                   [] { return StreamBuilder().Literals("AB").Symbol(false, 3).Symbol(false, 40).Block(5); }},
        DamageCase{"LengthAboveBlockSize",
                   [] { return WithWord(StreamBuilder().Literals("A").Block(1), 0, 0x10001); }},
        DamageCase{"LengthZero", [] { return WithWord(StreamBuilder().Literals("A").Block(1), 0, 0); }},
        DamageCase{"PackedAboveReaderLimit",
                   [] {
                       Bytes b = StreamBuilder().Literals("A").Block(1);
                       b.resize(kMaxBlockDataSize + 1);
                       return WithWord(b, 4, kMaxBlockDataSize + 1);
                   }},
        DamageCase{"PackedBeyondData",
                   [] {
                       Bytes b = StreamBuilder().Literals("A").Block(1);
                       return WithWord(b, 4, static_cast<uint32_t>(b.size() + 4));
                   }},
        DamageCase{"PackedBelowHeader", [] { return WithWord(StreamBuilder().Literals("A").Block(1), 4, 7); }},
        DamageCase{"StreamShorterThanNeeded",
                   [] {
                       Bytes b = StreamBuilder().Literals("Hello, world").Block(12);
                       b.resize(b.size() - 4);
                       return WithWord(b, 4, static_cast<uint32_t>(b.size()));
                   }},
        DamageCase{"StreamCutInsideWord",
                   [] {
                       Bytes b = StreamBuilder().Literals("Hello").Block(5);
                       b.resize(b.size() - 1);
                       return WithWord(b, 4, static_cast<uint32_t>(b.size()));
                   }},
        DamageCase{"EmptyStream", [] { return Bytes{3, 0, 0, 0, 8, 0, 0, 0}; }},
        DamageCase{"EscapeOfExistingSymbol",
                   [] {
                       return StreamBuilder()
                           .Symbol(false, 2)
                           .Symbol(false, 0)
                           .Symbol(true, 'A')
                           .Escape(true, 'A')
                           .Block(2);
                   }},
        DamageCase{"EscapeOfExistingLength",
                   [] { return StreamBuilder().Literals("A").Escape(false, 1).Block(3); }},
        DamageCase{"LiteralSymbol256",
                   [] { return StreamBuilder().Symbol(false, 1).Symbol(false, 0).Symbol(true, 256).Block(1); }},
        DamageCase{"TooShortForHeader", [] { return Bytes{1, 0, 0, 0, 8}; }}),
    [](const auto& param) { return std::string(param.param.name); });

// A valid two-block image and ways to break its header, table and block headers.
Bytes TwoBlockImage() {
    const Bytes input = Text(70000, 8);
    return PackImage(input.data(), input.size());
}

TEST(ContainerImage, ValidTwoBlockImageDecodes) {
    uint32_t size = 0;
    EXPECT_NE(Unpack(TwoBlockImage(), &size), nullptr);
    EXPECT_EQ(size, 70000u);
}

TEST(ContainerImage, DamagedHeadersAreRefused) {
    const Bytes good = TwoBlockImage();
    const uint32_t second = plat::LoadU32(good.data() + 28);
    const struct {
        const char* name;
        size_t at;
        uint32_t value;
    } cases[] = {
        {"magic", 8, 0x4B505A52},
        {"block size", 16, 0x8000},
        {"block count too high", 12, 3},
        {"block count too low", 12, 1},
        {"block count huge", 12, 0x40000000},
        {"size beyond blocks", 4, 70000 + 0x10000},
        {"size short of blocks", 4, 65536},
        {"offset beyond image", 24, static_cast<uint32_t>(good.size())},
        {"offset inside table", 28, 20},
        {"first block length", 32, 0xFFFF},
        {"first block packed", 36, 0xFFFFFFF0},
        {"data length differs from header", 44, 0x10000 - 1},
        {"second block length", second, 70000 - 0x10000 + 1},
    };
    for (const auto& c : cases) {
        const Bytes image = WithWord(good, c.at, c.value);
        uint32_t size = 0;
        EXPECT_EQ(Unpack(image, &size), nullptr) << c.name;
    }
}

TEST(ContainerImage, EveryTruncationIsRefused) {
    const Bytes good = TwoBlockImage();
    for (size_t n = 0; n < good.size(); ++n) {
        uint32_t size = 0;
        ASSERT_EQ(UnpackImage(good.data(), n, &size), nullptr) << n;
    }
    EXPECT_EQ(UnpackImage(nullptr, 100, nullptr), nullptr);
}

// Single flipped bits anywhere in the image: the decoder either refuses or returns the declared size.
TEST(ContainerImage, FlippedBitsNeverBreakTheDecoder) {
    const Bytes good = TwoBlockImage();
    std::mt19937 rng(77);
    for (int i = 0; i < 1500; ++i) {
        Bytes image = good;
        const size_t bit = rng() % (image.size() * 8);
        image[bit / 8] ^= static_cast<uint8_t>(1u << (bit % 8));
        uint32_t size = 0;
        const Unpacked out = Unpack(image, &size);
        if (out) {
            EXPECT_EQ(size, plat::LoadU32(image.data() + 4));
        }
    }
}

// Large images are decoded on several threads: any thread count gives the same bytes, and a damaged
// block anywhere (first, middle, last) fails the whole image whichever thread meets it.
TEST(ContainerImage, ThreadCountNeverChangesTheResult) {
    const Bytes input = Mixed(20 * 65536 + 333);
    const Bytes good = PackImage(input.data(), input.size());
    const unsigned threadCounts[] = {1, 2, 3, 0, 64};
    for (unsigned threads : threadCounts) {
        uint32_t size = 0;
        const Unpacked out(UnpackImage(good.data(), good.size(), &size, threads));
        ASSERT_NE(out, nullptr) << threads;
        ASSERT_EQ(size, input.size());
        EXPECT_TRUE(std::equal(input.begin(), input.end(), out.get())) << threads;
    }
    for (size_t damaged : {size_t{0}, size_t{9}, size_t{20}}) {
        // Zero bits walk to the first leaf every time: a length of 256 with a distance size of 256.
        Bytes image = good;
        const size_t pos = plat::LoadU32(good.data() + kContainerHeaderSize + 4 * damaged);
        const uint32_t packed = plat::LoadU32(good.data() + pos + 4);
        std::fill(image.begin() + pos + 12 + 8, image.begin() + pos + 12 + packed, uint8_t{0});
        for (unsigned threads : threadCounts) {
            uint32_t size = 0;
            EXPECT_EQ(UnpackImage(image.data(), image.size(), &size, threads), nullptr)
                << "block " << damaged << ", threads " << threads;
        }
    }
}

TEST(ContainerImage, EmptyImageGivesEmptyBuffer) {
    const Bytes image = PackImage(nullptr, 0);
    ASSERT_EQ(image.size(), kContainerHeaderSize);
    uint32_t size = 99;
    const Unpacked out = Unpack(image, &size);
    EXPECT_NE(out, nullptr);
    EXPECT_EQ(size, 0u);
}

}  // namespace
}  // namespace kes
