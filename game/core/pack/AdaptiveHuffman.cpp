#include "game/core/pack/AdaptiveHuffman.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace kes {

void AdaptiveHuffman::Reset() {
    std::fill(std::begin(map_), std::end(map_), int16_t{-1});
    weight_[0] = 2;
    parent_[0] = -1;
    leaf_[0] = 0;
    value_[0] = 1;
    for (int node = 1; node <= 2; ++node) {
        weight_[node] = 1;
        parent_[node] = 0;
        leaf_[node] = 1;
        value_[node] = static_cast<uint16_t>(node == 1 ? kLongSymbol : kEscape);
        map_[value_[node]] = static_cast<int16_t>(node);
    }
    nextFree_ = 3;
}

bool AdaptiveHuffman::Add(int symbol) {
    if (symbol < 0 || symbol >= kSymbolCount || map_[symbol] >= 0) return false;
    const int n = nextFree_;
    if (n + 2 > kNodeCount || !leaf_[n - 1]) return false;
    // The lightest leaf moves one level down and becomes the sibling of the new leaf.
    weight_[n] = weight_[n - 1];
    leaf_[n] = 1;
    value_[n] = value_[n - 1];
    parent_[n] = static_cast<int16_t>(n - 1);
    map_[value_[n]] = static_cast<int16_t>(n);
    leaf_[n - 1] = 0;
    value_[n - 1] = static_cast<uint16_t>(n);
    weight_[n + 1] = 0;
    leaf_[n + 1] = 1;
    value_[n + 1] = static_cast<uint16_t>(symbol);
    parent_[n + 1] = static_cast<int16_t>(n - 1);
    map_[symbol] = static_cast<int16_t>(n + 1);
    nextFree_ = n + 2;
    return true;
}

// Points the symbol map (leaf) or the children's parent links (inner node) at node.
void AdaptiveHuffman::Relink(int node) {
    if (leaf_[node]) {
        map_[value_[node]] = static_cast<int16_t>(node);
    } else {
        parent_[value_[node]] = static_cast<int16_t>(node);
        parent_[value_[node] + 1] = static_cast<int16_t>(node);
    }
}

// Exchanges the contents of two slots; each slot keeps its own parent.
void AdaptiveHuffman::SwapNodes(int a, int b) {
    std::swap(weight_[a], weight_[b]);
    std::swap(leaf_[a], leaf_[b]);
    std::swap(value_[a], value_[b]);
    Relink(a);
    Relink(b);
}

void AdaptiveHuffman::Update(int symbol) {
    if (weight_[0] == kRescaleWeight) Rescale();
    if (symbol < 0 || symbol >= kSymbolCount) return;
    int c = map_[symbol];
    while (c != -1) {
        const uint32_t w = ++weight_[c];
        // The first slot of the class that was as heavy as this node (never the root) takes it over,
        // which keeps the weights in non-increasing order.
        int j = c;
        while (j > 1 && weight_[j - 1] < w) --j;
        if (j != c) {
            SwapNodes(j, c);
            c = j;
        }
        c = parent_[c];
    }
}

// Halves every leaf weight (rounding up) and rebuilds the inner nodes as a Huffman tree.
void AdaptiveHuffman::Rescale() {
    const int last = nextFree_ - 1;
    // (a) The leaves, in their order, packed to the end of the used slots.
    int free = last;
    for (int i = last; i >= 0; --i) {
        if (!leaf_[i]) continue;
        weight_[free] = (weight_[i] + 1) / 2;
        leaf_[free] = 1;
        value_[free] = value_[i];
        --free;
    }
    // (b) The two lightest unpaired nodes (i, i + 1) get a parent, inserted before the first
    // unpaired node that is not heavier than it; the unpaired slots in front move down by one.
    for (int i = nextFree_ - 2, j = free; j >= 0; i -= 2, --j) {
        const uint32_t sum = weight_[i] + weight_[i + 1];
        int k = j + 1;
        while (k < i && weight_[k] > sum) ++k;
        --k;
        for (int m = j; m < k; ++m) {
            weight_[m] = weight_[m + 1];
            leaf_[m] = leaf_[m + 1];
            value_[m] = value_[m + 1];
        }
        weight_[k] = sum;
        leaf_[k] = 0;
        value_[k] = static_cast<uint16_t>(i);
    }
    // (c) Symbol map and parent links from the new layout.
    for (int node = last; node >= 0; --node) Relink(node);
    parent_[0] = -1;
}

bool AdaptiveHuffman::CheckConsistent() const {
    if (nextFree_ < 3 || nextFree_ > kNodeCount || parent_[0] != -1 || leaf_[0]) return false;
    int leaves = 0;
    for (int node = 0; node < nextFree_; ++node) {
        if (node > 0 && weight_[node] > weight_[node - 1]) return false;
        if (leaf_[node]) {
            if (value_[node] >= kSymbolCount || map_[value_[node]] != node) return false;
            ++leaves;
            continue;
        }
        const int child = value_[node];
        if (child <= node || child + 1 >= nextFree_) return false;
        if (parent_[child] != node || parent_[child + 1] != node) return false;
        if (weight_[child] + weight_[child + 1] != weight_[node]) return false;
    }
    int mapped = 0;
    for (int s = 0; s < kSymbolCount; ++s) {
        if (map_[s] < 0) continue;
        if (map_[s] >= nextFree_ || !leaf_[map_[s]] || value_[map_[s]] != s) return false;
        ++mapped;
    }
    return mapped == leaves && nextFree_ == 2 * leaves - 1;
}

}  // namespace kes
