#pragma once
// The path the computer riders follow: a directed graph of track nodes, each with a centre, a left
// and a right edge point, a width on each side and driving hints, plus an optional 1-bit on-track map.
// This file holds the graph's rules (edges, deleting, numbering the main path), its "AITK" chunk and
// its text dump; the plug-in edits it.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/vecmath/VecMath.h"
#include "editor/texture/Dib.h"
#include "plugins/shared/ChunkReader.h"

namespace qv {

// Hints word: byte 0 the sequence number along the main path, byte 1 2 for a tight turn, byte 2 1 for a
// stunt, byte 3 the top speed in km/h.
inline constexpr uint32_t kHintTight = 2u << 8;
inline constexpr uint32_t kHintStunt = 1u << 16;
inline constexpr int kHintSpeedShift = 24;
// A node placed with nothing selected: widths 10, top speed 255, sequence 10.
inline constexpr uint32_t kNewNodeHints = 0xFF00000Au;
inline constexpr float kNewNodeWidth = 10.0f;

inline constexpr uint32_t kTrackChunkMarker = 1000;
inline constexpr uint32_t kTrackNodeBytes = 56;

struct TrackNode {
    Vec3 centre{0, 0, 0};
    std::vector<int32_t> links;  // node indices; the first is the successor on the main path
    Vec3 leftEdge{0, 0, 0};
    Vec3 rightEdge{0, 0, 0};
    float leftWidth = kNewNodeWidth;
    float rightWidth = kNewNodeWidth;
    uint32_t hints = kNewNodeHints;
};

struct TrackMap {
    uint32_t width = 0, height = 0;
    std::vector<uint8_t> bits;  // ((width + 7) / 8) x height, least significant bit first, bottom row first

    static uint32_t RowBytes(uint32_t width) { return (width + 7) / 8; }
    bool Bit(uint32_t x, uint32_t row) const { return bits[row * RowBytes(width) + x / 8] >> (x % 8) & 1; }
};

struct TrackGraph {
    std::vector<TrackNode> nodes;
    int32_t startNode = 0;
    bool hasMap = false;
    TrackMap map;
};

// Recomputes the node's edge points from the directions to the nodes it links to and from the nodes
// that link to it. A node with neither keeps both edges at its centre.
void ComputeEdges(TrackGraph& g, size_t node);
void ComputeAllEdges(TrackGraph& g);
// Removes node k and every link to it; later indices (links, start node) move down by one.
void DeleteNode(TrackGraph& g, int32_t k);
// Clears every sequence number, then numbers the main path 0, 1, 2 ... from the start node along first
// links, stopping at a node without links, a node already numbered or a link out of range.
void NumberMainPath(TrackGraph& g);

// The chunk as the plug-in saves it (the main path numbered first), and its byte count.
uint32_t TrackChunkBytes(const TrackGraph& g);
void WriteTrackChunk(ChunkWriter& out, TrackGraph& g);
// Reads today's layout (first word 1000) or the older one (first word the node count, no map). False
// for a damaged chunk: counts beyond the chunk, negative link counts, links to no node, a map larger
// than its bytes; *out is then unchanged.
bool ReadTrackChunk(ChunkReader& in, TrackGraph* out);

// The on-track map of an 8-bit bitmap: a bit for every pixel above 128, rows in the file's order.
TrackMap MapFromBitmap(const Dib& bitmap);
// The map as an 8-bit grey bitmap (255 set, 0 clear), for the viewer.
Dib MapBitmap(const TrackMap& map);

// The text dump ("AI track text dump") of the nodes, numbers in the C locale.
std::string FormatTrackDump(const std::vector<TrackNode>& nodes);
// False when the text is not a whole dump or a link names no node; *out is then unchanged.
bool ParseTrackDump(std::string_view text, std::vector<TrackNode>* out);

}  // namespace qv
