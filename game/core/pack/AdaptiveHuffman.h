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
    void Update(int symbol) {
        if (nodes_[0].weight == kRescaleWeight) Rescale();
        if (symbol < 0 || symbol >= kSymbolCount) return;
        int c = map_[symbol];
        if (c < 0) return;
        while (c > 0) {
            const uint32_t w = ++nodes_[c].weight;
            // The first slot of the class that was as heavy as this node (never the root) takes it
            // over, which keeps the weights in non-increasing order.
            if (c > 1 && nodes_[c - 1].weight < w) {
                int j = c - 1;
                while (j > 1 && nodes_[j - 1].weight < w) --j;
                SwapNodes(j, c);
                c = j;
            }
            c = nodes_[c].parent;
        }
        ++nodes_[0].weight;
    }

    // Tree walk, for the coders.
    bool IsLeaf(int node) const { return nodes_[node].code < 0; }
    // The symbol of a leaf, or the slot of the first of an inner node's two adjacent children.
    int Value(int node) const { return IsLeaf(node) ? ~nodes_[node].code : nodes_[node].code; }
    // Both in one: the first child's slot for an inner node, ~symbol (negative) for a leaf.
    int Code(int node) const { return nodes_[node].code; }
    int Parent(int node) const { return nodes_[node].parent; }
    uint32_t Weight(int node) const { return nodes_[node].weight; }
    int NodeOf(int symbol) const { return map_[symbol]; }
    int UsedNodes() const { return nextFree_; }

    // Checks every structural rule of the tree (weights ordered, inner weight = sum of children,
    // parents and symbol map consistent). For tests.
    bool CheckConsistent() const;

private:
    void Rescale();
    // Exchanges the contents of two slots; each slot keeps its own parent.
    void SwapNodes(int a, int b) {
        const Node old = nodes_[a];
        nodes_[a].weight = nodes_[b].weight;
        nodes_[a].code = nodes_[b].code;
        nodes_[b].weight = old.weight;
        nodes_[b].code = old.code;
        Relink(a);
        Relink(b);
    }
    // Points the symbol map (leaf) or the children's parent links (inner node) at node.
    void Relink(int node) {
        const int code = nodes_[node].code;
        if (code < 0) {
            map_[~code] = static_cast<int16_t>(node);
        } else {
            nodes_[code].parent = static_cast<int16_t>(node);
            nodes_[code + 1].parent = static_cast<int16_t>(node);
        }
    }

    struct Node {
        uint32_t weight;
        int16_t code;    // see Code()
        int16_t parent;  // -1 for the root
    };
    Node nodes_[kNodeCount];
    int16_t map_[kSymbolCount];
    int nextFree_ = 0;
};

}  // namespace kes
