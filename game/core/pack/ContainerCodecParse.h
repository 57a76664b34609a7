#pragma once
// Parsing a block into LZ tokens for the container encoder. Internal to the container codec.
#include <cstdint>
#include <vector>

namespace kes::container {

constexpr uint32_t kMaxTokenLength = 256;  // one model symbol; 256 is always in the tree
constexpr uint32_t kMaxDistanceSize = 16;  // distances stay inside the 64 KB block

// A copy of `length` bytes from `distance` back, or (distance 0) `length` literal bytes.
struct Token {
    uint32_t length;
    uint32_t distance;
};

// Estimated cost of each symbol in sixteenths of a bit.
struct TokenCosts {
    uint32_t length[kMaxTokenLength + 1];
    uint32_t distanceSize[kMaxDistanceSize + 1];
    uint32_t literal[256];
};

// Number of bits of a distance: its distance-size symbol (0 for literal runs).
inline uint32_t DistanceSize(uint32_t distance) {
    uint32_t size = 0;
    while ((distance >> size) != 0) ++size;
    return size;
}

// Longest match at each position with one step of lazy evaluation; quick, used to learn costs.
std::vector<Token> ParseLazy(const uint8_t* data, uint32_t size);

// Symbol costs from how often a parse uses each symbol; a symbol's first use also pays the escape.
TokenCosts EstimateCosts(const uint8_t* data, const std::vector<Token>& tokens);

// The matches the cheapest parse considers at each position: for every position, each match longer
// than all nearer ones (lengths rising, distances nearest first). They do not depend on the costs,
// so one table serves every cost-driven pass over a block.
struct MatchTable {
    std::vector<uint32_t> first;  // position i's matches are matches[first[i] .. first[i + 1])
    std::vector<Token> matches;
};
MatchTable FindMatches(const uint8_t* data, uint32_t size);

// The cheapest parse under the given costs (shortest path over all positions, every match length
// and every literal run length).
std::vector<Token> ParseOptimal(const uint8_t* data, uint32_t size, const TokenCosts& costs,
                                const MatchTable& matches);

}  // namespace kes::container
