// Container encoder: LZ with hash chains over the 64 KB block and one-step lazy matching; lengths,
// distance sizes and literal bytes go through the same adaptive models the decoder uses.
#include <algorithm>
#include <array>
#include <memory>

#include "game/core/pack/AdaptiveHuffman.h"
#include "game/core/pack/ContainerCodec.h"
#include "game/core/pack/ContainerCodecBits.h"
#include "platform/bytes/ByteIO.h"

namespace kes {
namespace {

using container::BitWriter;

constexpr uint32_t kMaxTokenLength = 256;  // one model symbol; 256 is always in the tree
constexpr uint32_t kMinMatch = 3;
constexpr int kHashBits = 15;
constexpr int kMaxChain = 512;        // candidates tried per position
constexpr uint32_t kFarShortMatch = 1024;  // a 3-byte match further back costs more than literals

struct Match {
    uint32_t length = 0;
    uint32_t distance = 0;
};

// Hash chains over one block: head of each 3-byte hash, and the previous position with the same hash.
class MatchFinder {
public:
    MatchFinder(const uint8_t* data, uint32_t size) : data_(data), size_(size) {
        head_.fill(-1);
        prev_.reset(new int32_t[size]);
    }

    void Insert(uint32_t pos) {
        if (pos + kMinMatch > size_) return;
        const uint32_t h = Hash(pos);
        prev_[pos] = head_[h];
        head_[h] = static_cast<int32_t>(pos);
    }

    // Longest earlier match for pos (ties: the nearest).
    Match Find(uint32_t pos) const {
        Match best;
        if (pos + kMinMatch > size_) return best;
        const uint32_t limit = std::min(kMaxTokenLength, size_ - pos);
        const uint8_t* cur = data_ + pos;
        int chain = kMaxChain;
        for (int32_t cand = head_[Hash(pos)]; cand >= 0 && chain-- > 0; cand = prev_[cand]) {
            const uint8_t* old = data_ + cand;
            if (old[best.length] != cur[best.length] || old[0] != cur[0]) continue;
            uint32_t len = 0;
            while (len < limit && old[len] == cur[len]) ++len;
            if (len > best.length) {
                best.length = len;
                best.distance = pos - static_cast<uint32_t>(cand);
                if (len == limit) break;
            }
        }
        return best;
    }

private:
    uint32_t Hash(uint32_t pos) const {
        const uint32_t v = data_[pos] | (data_[pos + 1] << 8) | (data_[pos + 2] << 16);
        return (v * 2654435761u) >> (32 - kHashBits);
    }

    const uint8_t* data_;
    uint32_t size_;
    std::array<int32_t, 1 << kHashBits> head_;
    std::unique_ptr<int32_t[]> prev_;
};

bool Worth(const Match& m) {
    return m.length > kMinMatch || (m.length == kMinMatch && m.distance <= kFarShortMatch);
}

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
        int size = 0;  // bit length of the distance
        while ((distance >> size) != 0) ++size;
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

    void PathTo(const AdaptiveHuffman& model, int node) {
        int depth = 0;
        for (int parent = model.Parent(node); parent >= 0; node = parent, parent = model.Parent(node))
            path_[depth++] = static_cast<uint8_t>(node - model.Value(parent));
        while (depth > 0) bits_.Bit(path_[--depth]);
    }

    BitWriter bits_;
    AdaptiveHuffman sizes_;
    AdaptiveHuffman literals_;
    uint8_t path_[AdaptiveHuffman::kNodeCount];
};

}  // namespace

std::vector<uint8_t> PackBlock(const uint8_t* data, size_t size) {
    std::vector<uint8_t> out;
    if (!data || size == 0 || size > kContainerBlockSize) return out;
    const auto n = static_cast<uint32_t>(size);
    out.resize(8);
    plat::StoreU32(out.data(), n);
    TokenWriter tokens(out);
    MatchFinder finder(data, n);

    uint32_t literalStart = 0;
    uint32_t pos = 0;
    Match cur = finder.Find(0);
    finder.Insert(0);
    while (pos < n) {
        if (!Worth(cur)) {
            if (++pos < n) {
                cur = finder.Find(pos);
                finder.Insert(pos);
            }
            continue;
        }
        // Lazy step: a longer match one byte later wins over this one.
        if (pos + 1 < n) {
            const Match next = finder.Find(pos + 1);
            finder.Insert(pos + 1);
            if (Worth(next) && next.length > cur.length) {
                ++pos;
                cur = next;
                continue;
            }
        }
        tokens.Literals(data + literalStart, pos - literalStart);
        tokens.Copy(cur.length, cur.distance);
        for (uint32_t p = pos + 2; p < pos + cur.length; ++p) finder.Insert(p);
        pos += cur.length;
        literalStart = pos;
        if (pos < n) {
            cur = finder.Find(pos);
            finder.Insert(pos);
        }
    }
    tokens.Literals(data + literalStart, n - literalStart);
    tokens.Finish();
    if (out.size() > kMaxBlockDataSize) return {};
    plat::StoreU32(out.data() + 4, static_cast<uint32_t>(out.size()));
    return out;
}

std::vector<uint8_t> PackImage(const uint8_t* data, size_t size, uint32_t firstWord, uint32_t lastWord) {
    const size_t blockCount = (size + kContainerBlockSize - 1) / kContainerBlockSize;
    if (size > UINT32_MAX || (size > 0 && !data)) return {};
    plat::ByteWriter w;
    w.U32(firstWord);
    w.U32(static_cast<uint32_t>(size));
    w.U32(kContainerMagic);
    w.U32(static_cast<uint32_t>(blockCount));
    w.U32(kContainerBlockSize);
    w.U32(lastWord);
    const size_t table = w.Size();
    w.Zeros(4 * blockCount);
    for (size_t k = 0; k < blockCount; ++k) {
        const size_t start = k * kContainerBlockSize;
        const size_t length = std::min<size_t>(kContainerBlockSize, size - start);
        const std::vector<uint8_t> block = PackBlock(data + start, length);
        if (block.empty()) return {};
        if (w.Size() > UINT32_MAX - kContainerBlockHeaderSize - block.size()) return {};
        w.PatchU32(table + 4 * k, static_cast<uint32_t>(w.Size()));
        w.U32(static_cast<uint32_t>(length));
        w.U32(static_cast<uint32_t>(block.size()));
        w.U32(0);
        w.Bytes(block.data(), block.size());
    }
    return w.Take();
}

}  // namespace kes
