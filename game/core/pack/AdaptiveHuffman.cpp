#include "game/core/pack/AdaptiveHuffman.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace kes {
namespace {

int16_t LeafCode(int symbol) { return static_cast<int16_t>(~symbol); }

}  // namespace

void AdaptiveHuffman::Reset() {
    std::fill(std::begin(map_), std::end(map_), int16_t{-1});
    nodes_[0].weight = 2;
    nodes_[0].parent = -1;
    nodes_[0].code = 1;
    for (int node = 1; node <= 2; ++node) {
        const int symbol = node == 1 ? kLongSymbol : kEscape;
        nodes_[node].weight = 1;
        nodes_[node].parent = 0;
        nodes_[node].code = LeafCode(symbol);
        map_[symbol] = static_cast<int16_t>(node);
    }
    nextFree_ = 3;
}

bool AdaptiveHuffman::Add(int symbol) {
    if (symbol < 0 || symbol >= kSymbolCount || map_[symbol] >= 0) return false;
    const int n = nextFree_;
    if (n + 2 > kNodeCount || nodes_[n - 1].code >= 0) return false;
    // The lightest leaf moves one level down and becomes the sibling of the new leaf.
    nodes_[n].weight = nodes_[n - 1].weight;
    nodes_[n].code = nodes_[n - 1].code;
    nodes_[n].parent = static_cast<int16_t>(n - 1);
    map_[~nodes_[n].code] = static_cast<int16_t>(n);
    nodes_[n - 1].code = static_cast<int16_t>(n);
    nodes_[n + 1].weight = 0;
    nodes_[n + 1].code = LeafCode(symbol);
    nodes_[n + 1].parent = static_cast<int16_t>(n - 1);
    map_[symbol] = static_cast<int16_t>(n + 1);
    nextFree_ = n + 2;
    return true;
}

// Halves every leaf weight (rounding up) and rebuilds the inner nodes as a Huffman tree.
void AdaptiveHuffman::Rescale() {
    const int last = nextFree_ - 1;
    // (a) The leaves, in their order, packed to the end of the used slots.
    int free = last;
    for (int i = last; i >= 0; --i) {
        if (nodes_[i].code >= 0) continue;
        nodes_[free].weight = (nodes_[i].weight + 1) / 2;
        nodes_[free].code = nodes_[i].code;
        --free;
    }
    // (b) The two lightest unpaired nodes (i, i + 1) get a parent, inserted before the first
    // unpaired node that is not heavier than it; the unpaired slots in front move down by one.
    for (int i = nextFree_ - 2, j = free; j >= 0; i -= 2, --j) {
        const uint32_t sum = nodes_[i].weight + nodes_[i + 1].weight;
        int k = j + 1;
        while (k < i && nodes_[k].weight > sum) ++k;
        --k;
        for (int m = j; m < k; ++m) {
            nodes_[m].weight = nodes_[m + 1].weight;
            nodes_[m].code = nodes_[m + 1].code;
        }
        nodes_[k].weight = sum;
        nodes_[k].code = static_cast<int16_t>(i);
    }
    // (c) Symbol map and parent links from the new layout.
    for (int node = last; node >= 0; --node) Relink(node);
    nodes_[0].parent = -1;
}

bool AdaptiveHuffman::CheckConsistent() const {
    if (nextFree_ < 3 || nextFree_ > kNodeCount) return false;
    if (nodes_[0].parent != -1 || nodes_[0].code < 0) return false;
    int leaves = 0;
    for (int node = 0; node < nextFree_; ++node) {
        if (node > 0 && nodes_[node].weight > nodes_[node - 1].weight) return false;
        const int code = nodes_[node].code;
        if (code < 0) {
            if (~code >= kSymbolCount || map_[~code] != node) return false;
            ++leaves;
            continue;
        }
        if (code <= node || code + 1 >= nextFree_) return false;
        if (nodes_[code].parent != node || nodes_[code + 1].parent != node) return false;
        if (nodes_[code].weight + nodes_[code + 1].weight != nodes_[node].weight) return false;
    }
    int mapped = 0;
    for (int s = 0; s < kSymbolCount; ++s) {
        if (map_[s] < 0) continue;
        if (map_[s] >= nextFree_ || nodes_[map_[s]].code != ~s) return false;
        ++mapped;
    }
    return mapped == leaves && nextFree_ == 2 * leaves - 1;
}

}  // namespace kes
