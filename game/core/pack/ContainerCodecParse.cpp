#include "game/core/pack/ContainerCodecParse.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <cmath>
#include <limits>
#include <memory>

namespace kes::container {
namespace {

constexpr uint32_t kMinMatch = 3;
constexpr int kHashBits = 15;
constexpr int kLazyChain = 512;     // candidates tried per position by the lazy parse
constexpr int kOptimalChain = 128;  // by the optimal parse, which looks at every position
constexpr uint32_t kFarShortMatch = 1024;  // a 3-byte match further back costs more than literals
constexpr uint32_t kBit = 16;              // cost unit: a sixteenth of a bit

struct Match {
    uint32_t length = 0;
    uint32_t distance = 0;
};

// How many bytes from the start a and b agree, at most limit: eight at a time, then one by one.
uint32_t MatchLength(const uint8_t* a, const uint8_t* b, uint32_t limit) {
    uint32_t len = 0;
    while (std::endian::native == std::endian::little && len + 8 <= limit) {
        uint64_t x, y;
        std::memcpy(&x, a + len, 8);
        std::memcpy(&y, b + len, 8);
        if (x != y) return len + static_cast<uint32_t>(std::countr_zero(x ^ y) / 8);
        len += 8;
    }
    while (len < limit && a[len] == b[len]) ++len;
    return len;
}

// Hash chains over one block: head of each 3-byte hash, and the previous position with that hash.
class MatchFinder {
public:
    MatchFinder(const uint8_t* data, uint32_t size) : data_(data), size_(size), prev_(new int32_t[size]) {
        head_.fill(-1);
    }

    void Insert(uint32_t pos) {
        if (pos + kMinMatch > size_) return;
        const uint32_t h = Hash(pos);
        prev_[pos] = head_[h];
        head_[h] = static_cast<int32_t>(pos);
    }

    // Walks the candidates nearest first and reports each one that is longer than all before it,
    // so every length up to the longest is reachable at the nearest distance.
    template <typename F>
    void ForEachLonger(uint32_t pos, int maxChain, F&& report) const {
        if (pos + kMinMatch > size_) return;
        const uint32_t limit = std::min(kMaxTokenLength, size_ - pos);
        const uint8_t* cur = data_ + pos;
        uint32_t best = kMinMatch - 1;
        int chain = maxChain;
        for (int32_t cand = head_[Hash(pos)]; cand >= 0 && chain-- > 0; cand = prev_[cand]) {
            const uint8_t* old = data_ + cand;
            // Only a candidate that agrees up to byte best (below the limit) can be longer: the
            // four bytes ending there are compared first.
            if (old[best] != cur[best]) continue;
            if (best >= 3) {
                uint32_t tailOld, tailCur;
                std::memcpy(&tailOld, old + best - 3, 4);
                std::memcpy(&tailCur, cur + best - 3, 4);
                if (tailOld != tailCur) continue;
            }
            const uint32_t len = MatchLength(old, cur, limit);
            if (len > best) {
                best = len;
                report(Match{len, pos - static_cast<uint32_t>(cand)});
                if (len == limit) break;
            }
        }
    }

    Match Longest(uint32_t pos, int maxChain) const {
        Match m;
        ForEachLonger(pos, maxChain, [&](const Match& found) { m = found; });
        return m;
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

// Appends literals as runs of at most kMaxTokenLength.
void AddLiterals(std::vector<Token>& tokens, uint32_t count) {
    while (count > 0) {
        const uint32_t n = std::min(count, kMaxTokenLength);
        tokens.push_back(Token{n, 0});
        count -= n;
    }
}

// Cost of each symbol of a model from its counts: -log2 of its share, plus the escape and the 8 raw
// bits of its first use spread over its uses. Unused symbols cost a first use.
template <size_t N>
void SymbolCosts(const uint32_t (&counts)[N], uint32_t (&costs)[N], double total) {
    const double escape = std::log2(total) + 8.0;
    for (size_t s = 0; s < N; ++s) {
        const double c = counts[s];
        const double bits = c > 0 ? std::log2(total / c) + escape / c : escape + std::log2(total);
        costs[s] = static_cast<uint32_t>(std::lround(std::max(bits, 1.0) * kBit));
    }
}

}  // namespace

std::vector<Token> ParseLazy(const uint8_t* data, uint32_t n) {
    std::vector<Token> tokens;
    MatchFinder finder(data, n);
    uint32_t literalStart = 0;
    uint32_t pos = 0;
    Match cur = finder.Longest(0, kLazyChain);
    finder.Insert(0);
    while (pos < n) {
        if (!Worth(cur)) {
            if (++pos < n) {
                cur = finder.Longest(pos, kLazyChain);
                finder.Insert(pos);
            }
            continue;
        }
        // A longer match one byte later wins over this one.
        if (pos + 1 < n) {
            const Match next = finder.Longest(pos + 1, kLazyChain);
            finder.Insert(pos + 1);
            if (Worth(next) && next.length > cur.length) {
                ++pos;
                cur = next;
                continue;
            }
        }
        AddLiterals(tokens, pos - literalStart);
        tokens.push_back(Token{cur.length, cur.distance});
        for (uint32_t p = pos + 2; p < pos + cur.length; ++p) finder.Insert(p);
        pos += cur.length;
        literalStart = pos;
        if (pos < n) {
            cur = finder.Longest(pos, kLazyChain);
            finder.Insert(pos);
        }
    }
    AddLiterals(tokens, n - literalStart);
    return tokens;
}

TokenCosts EstimateCosts(const uint8_t* data, const std::vector<Token>& tokens) {
    uint32_t lengths[kMaxTokenLength + 1] = {};
    uint32_t sizes[kMaxDistanceSize + 1] = {};
    uint32_t literals[256] = {};
    uint32_t pos = 0;
    for (const Token& t : tokens) {
        ++lengths[t.length];
        ++sizes[DistanceSize(t.distance)];
        if (t.distance == 0)
            for (uint32_t i = 0; i < t.length; ++i) ++literals[data[pos + i]];
        pos += t.length;
    }
    TokenCosts costs;
    // Lengths and distance sizes share one model: two symbols per token.
    const double tokenSymbols = 2.0 * static_cast<double>(tokens.size()) + 2.0;
    SymbolCosts(lengths, costs.length, tokenSymbols);
    SymbolCosts(sizes, costs.distanceSize, tokenSymbols);
    SymbolCosts(literals, costs.literal, static_cast<double>(pos) + 2.0);
    return costs;
}

MatchTable FindMatches(const uint8_t* data, uint32_t n) {
    MatchTable table;
    table.first.reserve(static_cast<size_t>(n) + 1);
    table.matches.reserve(static_cast<size_t>(n) * 4);  // a few matches a position
    MatchFinder finder(data, n);
    for (uint32_t i = 0; i < n; ++i) {
        table.first.push_back(static_cast<uint32_t>(table.matches.size()));
        finder.ForEachLonger(i, kOptimalChain, [&](const Match& m) { table.matches.push_back(Token{m.length, m.distance}); });
        finder.Insert(i);
    }
    table.first.push_back(static_cast<uint32_t>(table.matches.size()));
    return table;
}

std::vector<Token> ParseOptimal(const uint8_t* data, uint32_t n, const TokenCosts& costs, const MatchTable& table) {
    // price[i]: cheapest cost of the first i bytes; how[i]: the last token of that parse.
    // Literal runs are priced as price[i - k] + header(k) + literal costs of bytes i - k .. i - 1,
    // with the literal costs kept as prefix sums: base[j] = price[j] - literalSum[j].
    std::vector<uint32_t> price(n + 1, std::numeric_limits<uint32_t>::max());
    std::vector<Token> how(n + 1, Token{0, 0});
    std::vector<int64_t> base(n + 1);
    uint32_t runHeader[kMaxTokenLength + 1];
    for (uint32_t k = 1; k <= kMaxTokenLength; ++k) runHeader[k] = costs.length[k] + costs.distanceSize[0];
    uint32_t copyHeader[kMaxDistanceSize + 1];
    for (uint32_t d = 1; d <= kMaxDistanceSize; ++d)
        copyHeader[d] = costs.distanceSize[d] + (d - 1) * kBit;

    // The best run ending at i is the cheapest base[i - k] + runHeader[k], the shortest k on a
    // tie. Most run lengths share the dearest header (the lengths no token used); only the
    // cheaper ones are tried one by one. For the rest the smallest base in the window is enough:
    // with the dearest header added it is the best of them, and when its own length has a cheaper
    // header it is tried with that header too. A queue of window positions with rising bases
    // (the later one kept on equal bases, for the shorter run) gives that smallest base.
    const uint32_t dearest = *std::max_element(runHeader + 1, runHeader + kMaxTokenLength + 1);
    // The cheaper lengths, cheapest header first: once a header plus the window's smallest base
    // passes the best run found, no later length can beat it.
    std::vector<uint32_t> cheaper;
    for (uint32_t k = 1; k <= kMaxTokenLength; ++k)
        if (runHeader[k] < dearest) cheaper.push_back(k);
    std::stable_sort(cheaper.begin(), cheaper.end(),
                     [&runHeader](uint32_t a, uint32_t b) { return runHeader[a] < runHeader[b]; });
    std::vector<uint32_t> window(n + 1);
    size_t front = 0, back = 0;

    int64_t literalSum = 0;
    price[0] = 0;
    base[0] = 0;
    for (uint32_t i = 0; i <= n; ++i) {
        if (i > 0) {
            literalSum += costs.literal[data[i - 1]];
            const uint32_t longest = std::min(i, kMaxTokenLength);
            while (back > front && base[window[back - 1]] >= base[i - 1]) --back;
            window[back++] = i - 1;
            while (window[front] < i - longest) ++front;
            uint32_t bestRun = i - window[front];
            const int64_t smallestBase = base[window[front]];
            int64_t best = smallestBase + runHeader[bestRun];
            for (uint32_t k : cheaper) {
                if (smallestBase + runHeader[k] > best) break;
                if (k > longest) continue;
                const int64_t c = base[i - k] + runHeader[k];
                if (c < best || (c == best && k < bestRun)) {
                    best = c;
                    bestRun = k;
                }
            }
            const int64_t run = best + literalSum;
            if (run < static_cast<int64_t>(price[i])) {
                price[i] = static_cast<uint32_t>(run);
                how[i] = Token{bestRun, 0};
            }
            base[i] = static_cast<int64_t>(price[i]) - literalSum;
        }
        if (i == n) break;
        uint32_t shortest = kMinMatch;
        for (uint32_t k = table.first[i]; k < table.first[i + 1]; ++k) {
            const Token& m = table.matches[k];
            const uint32_t head = price[i] + copyHeader[DistanceSize(m.distance)];
            for (uint32_t len = shortest; len <= m.length; ++len) {
                const uint32_t c = head + costs.length[len];
                if (c < price[i + len]) {
                    price[i + len] = c;
                    how[i + len] = Token{len, m.distance};
                }
            }
            shortest = m.length + 1;
        }
    }

    std::vector<Token> tokens;
    for (uint32_t i = n; i > 0; i -= how[i].length) tokens.push_back(how[i]);
    std::reverse(tokens.begin(), tokens.end());
    return tokens;
}

}  // namespace kes::container
