// The "AITK" chunk as the editor's AI-track plug-in saves it.
#include "game/world/writer/WorldWriter.h"

#include "game/world/chunk/WorldTypes.h"
#include "platform/bytes/ByteIO.h"

namespace kes {

namespace {

constexpr uint32_t kAiTrackVersion = 1000;
constexpr uint32_t kNodeRecordSize = 56;

void PutVec3(plat::ByteWriter& w, const Vec3& v) {
    w.F32(v.x);
    w.F32(v.y);
    w.F32(v.z);
}

// The editor's numbering on save: from the start node along first links, stopping at a node without
// links, a node already numbered, a negative or too large index, or the start node again.
std::vector<uint8_t> PathNumbers(const AiTrackData& t) {
    std::vector<uint8_t> numbers(t.nodes.size(), 0);
    std::vector<bool> numbered(t.nodes.size(), false);
    int32_t node = t.startNode;
    uint32_t count = 0;
    while (node >= 0 && static_cast<size_t>(node) < t.nodes.size() && !numbered[static_cast<size_t>(node)]) {
        numbered[static_cast<size_t>(node)] = true;
        numbers[static_cast<size_t>(node)] = static_cast<uint8_t>(count++);
        const std::vector<int32_t>& links = t.nodes[static_cast<size_t>(node)].links;
        if (links.empty() || links[0] == t.startNode) break;
        node = links[0];
    }
    return numbers;
}

}  // namespace

std::vector<uint8_t> WorldWriter::AiTrackChunk(const AiTrackData& t) {
    plat::ByteWriter w;
    if (t.currentLayout) w.U32(kAiTrackVersion);
    w.U32(static_cast<uint32_t>(t.nodes.size()));
    w.U32(static_cast<uint32_t>(t.startNode));
    const std::vector<uint8_t> numbers = PathNumbers(t);
    for (size_t i = 0; i < t.nodes.size(); ++i) {
        const AiNodeData& n = t.nodes[i];
        w.U32(kNodeRecordSize);
        PutVec3(w, n.centre);
        w.I32(static_cast<int32_t>(n.links.size()));
        w.U32(0);  // the link list's address in the editor's memory
        PutVec3(w, n.leftEdge);
        PutVec3(w, n.rightEdge);
        w.F32(n.leftWidth);
        w.F32(n.rightWidth);
        w.U8(t.numberPath ? numbers[i] : n.sequence);
        w.U8(n.tightTurn);
        w.U8(n.stunt);
        w.U8(n.topSpeed);
        for (int32_t link : n.links) w.I32(link);
    }
    if (t.currentLayout) {
        w.U32(t.hasMap ? 1u : 0u);
        if (t.hasMap) {
            w.U32(t.mapWidth);
            w.U32(t.mapHeight);
            w.Bytes(t.mapBits.data(), t.mapBits.size());
        }
    }
    return w.Take();
}

void WorldWriter::AiTrack(const AiTrackData& track) { Raw(ChunkTag("AITK"), AiTrackChunk(track)); }

}  // namespace kes
