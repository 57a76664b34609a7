#include "plugins/morvik/TrackGraph.h"

#include <algorithm>
#include <cmath>

#include "plugins/shared/CText.h"
#include "plugins/shared/ChunkBitmap.h"

namespace qv {

namespace {

Vec3 Sub(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 Add(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 Scale(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
float Length(Vec3 a) { return std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z); }

// The unit direction from `from` to `to`; nothing for two points in one place.
Vec3 Direction(Vec3 to, Vec3 from) {
    const Vec3 d = Sub(to, from);
    const float n = Length(d);
    return n > 0.0f ? Scale(d, 1.0f / n) : Vec3{0, 0, 0};
}

bool Linked(const TrackGraph& g, int32_t link) { return link >= 0 && static_cast<size_t>(link) < g.nodes.size(); }

}  // namespace

void ComputeEdges(TrackGraph& g, size_t node) {
    TrackNode& n = g.nodes[node];
    // The means of the directions out to the linked nodes and in from the linking ones; an empty mean
    // is the zero vector.
    Vec3 out{0, 0, 0}, in{0, 0, 0};
    int outs = 0, ins = 0;
    for (int32_t link : n.links)
        if (Linked(g, link)) {
            out = Add(out, Direction(n.centre, g.nodes[static_cast<size_t>(link)].centre));
            ++outs;
        }
    for (size_t k = 0; k < g.nodes.size(); ++k)
        for (int32_t link : g.nodes[k].links)
            if (link == static_cast<int32_t>(node)) {
                in = Add(in, Direction(n.centre, g.nodes[k].centre));
                ++ins;
            }
    if (outs) out = Scale(out, 1.0f / static_cast<float>(outs));
    if (ins) in = Scale(in, 1.0f / static_cast<float>(ins));
    if (Length(in) < 0.01f) in = Scale(out, -1.0f);
    if (Length(out) < 0.01f) out = Scale(in, -1.0f);
    Vec3 side = Add(in, out);
    bool oriented = true;
    if (Length(side) < 0.01f) {
        side = {-out.y, out.x, 0.0f};
        oriented = false;
    }
    const float length = Length(side);
    if (!(length > 0.0f)) {
        // Nothing links to or from the node (or only from its own place): the edges stay at the centre.
        n.leftEdge = n.rightEdge = n.centre;
        return;
    }
    side = Scale(side, 1.0f / length);
    const bool turnsLeft = oriented && in.x * out.y - in.y * out.x > 0.0f;
    const float sign = turnsLeft ? 1.0f : -1.0f;
    n.leftEdge = Add(n.centre, Scale(side, sign * n.leftWidth));
    n.rightEdge = Add(n.centre, Scale(side, -sign * n.rightWidth));
}

void ComputeAllEdges(TrackGraph& g) {
    for (size_t i = 0; i < g.nodes.size(); ++i) ComputeEdges(g, i);
}

void DeleteNode(TrackGraph& g, int32_t k) {
    if (k < 0 || static_cast<size_t>(k) >= g.nodes.size()) return;
    for (TrackNode& n : g.nodes) {
        n.links.erase(std::remove(n.links.begin(), n.links.end(), k), n.links.end());
        for (int32_t& link : n.links)
            if (link > k) --link;
    }
    g.nodes.erase(g.nodes.begin() + k);
    if (g.startNode >= k) --g.startNode;
    ComputeAllEdges(g);
}

void NumberMainPath(TrackGraph& g) {
    for (TrackNode& n : g.nodes) n.hints &= ~0xFFu;
    std::vector<bool> numbered(g.nodes.size(), false);
    uint32_t sequence = 0;
    int32_t at = g.startNode;
    while (Linked(g, at) && !numbered[static_cast<size_t>(at)]) {
        TrackNode& n = g.nodes[static_cast<size_t>(at)];
        numbered[static_cast<size_t>(at)] = true;
        n.hints = (n.hints & ~0xFFu) | (sequence++ & 0xFFu);
        if (n.links.empty()) break;
        at = n.links.front();
    }
}

uint32_t TrackChunkBytes(const TrackGraph& g) {
    uint64_t bytes = 12 + 4;
    for (const TrackNode& n : g.nodes) bytes += 60 + 4 * uint64_t{n.links.size()};
    if (g.hasMap) bytes += 8 + g.map.bits.size();
    return static_cast<uint32_t>(bytes);
}

void WriteTrackChunk(ChunkWriter& out, TrackGraph& g) {
    NumberMainPath(g);
    out.U32(kTrackChunkMarker);
    out.U32(static_cast<uint32_t>(g.nodes.size()));
    out.U32(static_cast<uint32_t>(g.startNode));
    for (const TrackNode& n : g.nodes) {
        out.U32(kTrackNodeBytes);
        for (float f : {n.centre.x, n.centre.y, n.centre.z}) out.F32(f);
        out.U32(static_cast<uint32_t>(n.links.size()));
        out.U32(0);  // where the links lived in memory: nothing a reader uses
        for (float f : {n.leftEdge.x, n.leftEdge.y, n.leftEdge.z, n.rightEdge.x, n.rightEdge.y, n.rightEdge.z, n.leftWidth,
                        n.rightWidth})
            out.F32(f);
        out.U32(n.hints);
        for (int32_t link : n.links) out.U32(static_cast<uint32_t>(link));
    }
    out.U32(g.hasMap ? 1 : 0);
    if (g.hasMap) {
        out.U32(g.map.width);
        out.U32(g.map.height);
        out.Bytes(g.map.bits.data(), static_cast<uint32_t>(g.map.bits.size()));
    }
}

bool ReadTrackChunk(ChunkReader& in, TrackGraph* out) {
    TrackGraph g;
    const uint32_t first = in.U32();
    const bool current = first == kTrackChunkMarker;
    const uint32_t count = current ? in.U32() : first;
    const uint32_t start = in.U32();
    if (!in.Ok() || uint64_t{count} * (4 + kTrackNodeBytes) > in.Remaining()) return false;
    g.nodes.resize(count);
    for (TrackNode& n : g.nodes) {
        in.U32();  // the record size: the record is 56 bytes whatever it says
        n.centre = {in.F32(), in.F32(), in.F32()};
        const uint32_t links = in.U32();
        in.U32();
        n.leftEdge = {in.F32(), in.F32(), in.F32()};
        n.rightEdge = {in.F32(), in.F32(), in.F32()};
        n.leftWidth = in.F32();
        n.rightWidth = in.F32();
        n.hints = in.U32();
        if (!in.Ok() || links > in.Remaining() / 4) return false;
        n.links.resize(links);
        for (int32_t& link : n.links) {
            link = static_cast<int32_t>(in.U32());
            if (link < 0 || static_cast<uint32_t>(link) >= count) return false;
        }
    }
    if (current) {
        const uint32_t hasMap = in.U32();
        if (!in.Ok() || hasMap > 1) return false;
        if (hasMap) {
            g.map.width = in.U32();
            g.map.height = in.U32();
            const uint64_t bytes = uint64_t{TrackMap::RowBytes(g.map.width)} * g.map.height;
            if (!in.Ok() || bytes > in.Remaining()) return false;
            g.map.bits.resize(static_cast<size_t>(bytes));
            in.Bytes(g.map.bits.data(), static_cast<uint32_t>(bytes));
            g.hasMap = true;
        }
    }
    if (!in.Ok()) return false;
    // A start beyond the nodes (or none) becomes the first node, as the game reads it.
    g.startNode = start < count ? static_cast<int32_t>(start) : 0;
    *out = std::move(g);
    return true;
}

TrackMap MapFromBitmap(const Dib& bitmap) {
    TrackMap m;
    m.width = static_cast<uint32_t>(bitmap.Width());
    m.height = static_cast<uint32_t>(bitmap.Height());
    const uint32_t row = TrackMap::RowBytes(m.width), stored = RowBytes(bitmap.Width(), 8);
    m.bits.assign(static_cast<size_t>(row) * m.height, 0);
    for (uint32_t y = 0; y < m.height; ++y)
        for (uint32_t x = 0; x < m.width; ++x)
            if (bitmap.pixels[static_cast<size_t>(y) * stored + x] > 128)
                m.bits[static_cast<size_t>(y) * row + x / 8] |= static_cast<uint8_t>(1u << (x % 8));
    return m;
}

Dib MapBitmap(const TrackMap& map) {
    Dib d = GreyBitmap(static_cast<int32_t>(map.width), static_cast<int32_t>(map.height), 0);
    const uint32_t stored = RowBytes(d.Width(), 8);
    for (uint32_t y = 0; y < map.height; ++y)
        for (uint32_t x = 0; x < map.width; ++x)
            if (map.Bit(x, y)) d.pixels[static_cast<size_t>(y) * stored + x] = 255;
    return d;
}

std::string FormatTrackDump(const std::vector<TrackNode>& nodes) {
    std::string out = "AI track text dump\n";
    out += shared::FormatC("%d nodes\n", static_cast<int>(nodes.size()));
    for (const TrackNode& n : nodes) {
        out += shared::FormatC("%3.6f, %3.6f, %3.6f\n", n.centre.x, n.centre.y, n.centre.z);
        out += shared::FormatC("%d\n", static_cast<int>(n.links.size()));
        for (int32_t link : n.links) out += shared::FormatC("%d,", link);
        out += "\n";
        out += shared::FormatC("%3.3f, %3.3f, %3.3f, %3.3f, %3.3f, %3.3f\n", n.leftEdge.x, n.leftEdge.y, n.leftEdge.z,
                               n.rightEdge.x, n.rightEdge.y, n.rightEdge.z);
        out += shared::FormatC("%3.3f, %3.3f, %d\n", n.leftWidth, n.rightWidth, static_cast<int32_t>(n.hints));
    }
    return out;
}

namespace {

// Exactly `count` numbers separated by ", ".
bool Numbers(std::string_view line, size_t count, float* out) {
    const std::vector<std::string_view> parts = shared::SplitAt(line, ", ");
    if (parts.size() != count) return false;
    for (size_t i = 0; i < count; ++i) {
        size_t used = 0;
        out[i] = static_cast<float>(shared::ParseDoubleC(parts[i], &used));
        if (used == 0 || used != parts[i].size() || !std::isfinite(out[i])) return false;
    }
    return true;
}

bool Whole(std::string_view text, long* out) {
    size_t used = 0;
    return shared::ParseIntC(text, out, &used) && used == text.size();
}

}  // namespace

bool ParseTrackDump(std::string_view text, std::vector<TrackNode>* out) {
    const std::vector<std::string> lines = shared::TextLines(text);
    long count = 0;
    if (lines.size() < 2 || !shared::ParseIntC(lines[1], &count) || count < 0 ||
        static_cast<size_t>(count) > (lines.size() - 2) / 5)
        return false;
    std::vector<TrackNode> nodes(static_cast<size_t>(count));
    size_t at = 2;
    for (TrackNode& n : nodes) {
        float centre[3], edges[6], widths[2];
        long links = 0, hints = 0;
        if (!Numbers(lines[at], 3, centre) || !Whole(lines[at + 1], &links) || links < 0) return false;
        std::vector<std::string_view> parts = shared::SplitAt(lines[at + 2], ",");
        if (!parts.empty() && parts.back().empty()) parts.pop_back();
        if (parts.size() != static_cast<size_t>(links)) return false;
        for (std::string_view p : parts) {
            long link = 0;
            if (!Whole(p, &link) || link < 0 || link >= count) return false;
            n.links.push_back(static_cast<int32_t>(link));
        }
        if (!Numbers(lines[at + 3], 6, edges)) return false;
        const std::vector<std::string_view> last = shared::SplitAt(lines[at + 4], ", ");
        if (last.size() != 3 || !Numbers(lines[at + 4].substr(0, lines[at + 4].rfind(", ")), 2, widths) ||
            !Whole(last[2], &hints))
            return false;
        n.centre = {centre[0], centre[1], centre[2]};
        n.leftEdge = {edges[0], edges[1], edges[2]};
        n.rightEdge = {edges[3], edges[4], edges[5]};
        n.leftWidth = widths[0];
        n.rightWidth = widths[1];
        n.hints = static_cast<uint32_t>(static_cast<int32_t>(hints));
        at += 5;
    }
    *out = std::move(nodes);
    return true;
}

}  // namespace qv
