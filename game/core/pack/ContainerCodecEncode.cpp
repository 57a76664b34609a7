// Container encoder: parses each block into LZ tokens (a quick lazy parse, then cost-driven parses
// that learn symbol costs from the parse before) and writes the cheapest through the same adaptive
// models the decoder uses.
#include <algorithm>

#include "game/core/pack/AdaptiveHuffman.h"
#include "game/core/pack/ContainerCodec.h"
#include "game/core/pack/ContainerCodecBits.h"
#include "game/core/pack/ContainerCodecParse.h"
#include "game/core/pack/ContainerThreads.h"
#include "platform/bytes/ByteIO.h"

namespace kes {
namespace {

using container::BitWriter;
using container::kMaxTokenLength;
using container::Token;

// Writes tokens through the two models exactly as the decoder reads them.
class TokenWriter {
public:
    explicit TokenWriter(std::vector<uint8_t>& out) : bits_(out) {}

    void Literals(const uint8_t* bytes, uint32_t count) {
        while (count > 0) {
            const uint32_t n = std::min(count, kMaxTokenLength);
            Symbol(sizes_, static_cast<int>(n));
            Symbol(sizes_, 0);
            for (uint32_t i = 0; i < n; ++i) Symbol(literals_, bytes[i]);
            bytes += n;
            count -= n;
        }
    }

    void Copy(uint32_t length, uint32_t distance) {
        const int size = static_cast<int>(container::DistanceSize(distance));
        Symbol(sizes_, static_cast<int>(length));
        Symbol(sizes_, size);
        if (size > 1) bits_.Bits(distance & ((1u << (size - 1)) - 1), size - 1);
    }

    void Finish() { bits_.Finish(); }

private:
    // The path from the root to the symbol's leaf; a new symbol goes as the escape plus 8 raw bits.
    void Symbol(AdaptiveHuffman& model, int symbol) {
        const bool known = model.Contains(symbol);
        PathTo(model, model.NodeOf(known ? symbol : AdaptiveHuffman::kEscape));
        if (!known) {
            bits_.Bits(static_cast<uint32_t>(symbol), 8);
            model.Add(symbol);
        }
        model.Update(symbol);
    }

    // The path is gathered leaf first and written root first, up to 32 bits at a time.
    void PathTo(const AdaptiveHuffman& model, int node) {
        int depth = 0;
        for (int parent = model.Parent(node); parent >= 0; node = parent, parent = model.Parent(node))
            path_[depth++] = static_cast<uint8_t>(node - model.Value(parent));
        while (depth > 0) {
            const int n = std::min(depth, 32);
            uint32_t chunk = 0;
            for (int i = 0; i < n; ++i) chunk = (chunk << 1) | path_[--depth];
            bits_.Bits(chunk, n);
        }
    }

    BitWriter bits_;
    AdaptiveHuffman sizes_;
    AdaptiveHuffman literals_;
    uint8_t path_[AdaptiveHuffman::kNodeCount];
};

// Block data for a parse: the words L and P, then the bit stream.
std::vector<uint8_t> EncodeTokens(const uint8_t* data, uint32_t size, const std::vector<Token>& tokens) {
    std::vector<uint8_t> out(8);
    out.reserve(8 + size + size / 8 + 16);  // incompressible data takes about 8.1 bits a byte
    plat::StoreU32(out.data(), size);
    TokenWriter writer(out);
    uint32_t pos = 0;
    for (const Token& t : tokens) {
        if (t.distance == 0)
            writer.Literals(data + pos, t.length);
        else
            writer.Copy(t.length, t.distance);
        pos += t.length;
    }
    writer.Finish();
    plat::StoreU32(out.data() + 4, static_cast<uint32_t>(out.size()));
    return out;
}

// Cost-driven passes after the lazy parse; each learns its costs from the parse before it.
constexpr int kOptimalPasses = 2;

}  // namespace

std::vector<uint8_t> PackBlock(const uint8_t* data, size_t size) {
    if (!data || size == 0 || size > kContainerBlockSize) return {};
    const auto n = static_cast<uint32_t>(size);
    std::vector<Token> tokens = container::ParseLazy(data, n);
    std::vector<uint8_t> best = EncodeTokens(data, n, tokens);
    const container::MatchTable matches = container::FindMatches(data, n);
    for (int pass = 0; pass < kOptimalPasses; ++pass) {
        tokens = container::ParseOptimal(data, n, container::EstimateCosts(data, tokens), matches);
        std::vector<uint8_t> candidate = EncodeTokens(data, n, tokens);
        if (candidate.size() < best.size()) best = std::move(candidate);
    }
    // The reader refuses larger blocks; no real data comes near (incompressible data costs about
    // 65536 x 8.1 bits), but a hostile input is refused here rather than written unreadable.
    if (best.size() > kMaxBlockDataSize) return {};
    return best;
}

std::vector<uint8_t> PackImage(const uint8_t* data, size_t size, uint32_t firstWord, uint32_t lastWord,
                               unsigned maxThreads) {
    const size_t blockCount = (size + kContainerBlockSize - 1) / kContainerBlockSize;
    if (size > UINT32_MAX || (size > 0 && !data)) return {};
    // The blocks are independent: they are encoded side by side, then laid out in order.
    std::vector<std::vector<uint8_t>> blocks(blockCount);
    const bool encoded = container::ForEachBlock(blockCount, maxThreads, [&](size_t k) {
        const size_t start = k * kContainerBlockSize;
        blocks[k] = PackBlock(data + start, std::min<size_t>(kContainerBlockSize, size - start));
        return !blocks[k].empty();
    });
    if (!encoded) return {};
    size_t total = kContainerHeaderSize + 4 * blockCount;
    for (const std::vector<uint8_t>& block : blocks) total += kContainerBlockHeaderSize + block.size();
    plat::ByteWriter w;
    w.Reserve(total);
    w.U32(firstWord);
    w.U32(static_cast<uint32_t>(size));
    w.U32(kContainerMagic);
    w.U32(static_cast<uint32_t>(blockCount));
    w.U32(kContainerBlockSize);
    w.U32(lastWord);
    const size_t table = w.Size();
    w.Zeros(4 * blockCount);
    for (size_t k = 0; k < blockCount; ++k) {
        const std::vector<uint8_t>& block = blocks[k];
        const size_t length = std::min<size_t>(kContainerBlockSize, size - k * kContainerBlockSize);
        if (w.Size() > UINT32_MAX - kContainerBlockHeaderSize - block.size()) return {};
        w.PatchU32(table + 4 * k, static_cast<uint32_t>(w.Size()));
        w.U32(static_cast<uint32_t>(length));
        w.U32(static_cast<uint32_t>(block.size()));
        w.U32(0);
        w.Bytes(block.data(), block.size());
        std::vector<uint8_t>().swap(blocks[k]);  // keep at most one copy of each block
    }
    return w.Take();
}

}  // namespace kes
