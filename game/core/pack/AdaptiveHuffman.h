#pragma once
// The adaptive Huffman model of the compressed container. One model codes a stream of symbols 0..257:
// 0..255 and 256 are values, 257 is the escape that introduces a value not yet in the tree (followed
// by 8 raw bits). Nodes are kept in order of non-increasing weight with the root in slot 0, so an
// update only has to swap a node with the first of its weight class. The decoder and the encoder use
// this one class, so both sides always hold the same tree.
#include <cstdint>

namespace kes {

class AdaptiveHuffman {
public:
    static constexpr int kSymbolCount = 258;
    static constexpr int kLongSymbol = 256;  // present from the start
    static constexpr int kEscape = 257;      // present from the start; never updated
    static constexpr int kNodeCount = 2 * kSymbolCount - 1;  // 515
    static constexpr uint32_t kRescaleWeight = 32768;        // root weight that halves the tree

    AdaptiveHuffman() { Reset(); }

    // A new model: the root with the two leaves 256 and escape, weight 1 each.
    void Reset();

    bool Contains(int symbol) const { return symbol >= 0 && symbol < kSymbolCount && map_[symbol] >= 0; }
    // Adds a new symbol by splitting the lightest leaf; the new leaf has weight 0. False (and nothing
    // changes) when the symbol is out of range, already present, or the tree is full.
    bool Add(int symbol);
    // Counts one more occurrence of symbol (nothing when it is not in the tree), first halving every
    // weight when the root has reached kRescaleWeight.
    void Update(int symbol);

    // Tree walk, for the coders.
    bool IsLeaf(int node) const { return leaf_[node] != 0; }
    // The symbol of a leaf, or the slot of the first of an inner node's two adjacent children.
    int Value(int node) const { return value_[node]; }
    int Parent(int node) const { return parent_[node]; }
    uint32_t Weight(int node) const { return weight_[node]; }
    int NodeOf(int symbol) const { return map_[symbol]; }
    int UsedNodes() const { return nextFree_; }

    // Checks every structural rule of the tree (weights ordered, inner weight = sum of children,
    // parents and symbol map consistent). For tests.
    bool CheckConsistent() const;

private:
    void Rescale();
    void SwapNodes(int a, int b);
    void Relink(int node);

    uint32_t weight_[kNodeCount];
    int16_t parent_[kNodeCount];
    uint16_t value_[kNodeCount];
    uint8_t leaf_[kNodeCount];
    int16_t map_[kSymbolCount];
    int nextFree_ = 0;
};

}  // namespace kes
