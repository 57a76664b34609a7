#pragma once
// Writes frames as JMESH5 (animated: faces and materials, then every frame's vertices) or JMESH4
// (one frame: vertices, faces, materials) bytes.
#include <cstdint>
#include <span>
#include <vector>

#include "exporter/ExportFrame.h"

namespace quelm {

constexpr uint32_t kMaxFileVertices = 0xFFFF;
constexpr uint32_t kMaxFileMaterials = 0xFFFF;

struct VertexLayout {
    float scale = 1.0f;
    // 1: x, y, z as they are; 0: y and z exchanged and the faces' winding reversed.
    int32_t handedness = 1;
};

enum class WriteError {
    kNone,
    kNoFrames,
    kTooManyVertices,   // the 16-bit face indices cannot reach them
    kTooManyMaterials,  // the 16-bit face materials cannot reach them
    kFrameTooSmall,     // a later frame has fewer vertices than the first
    kBadFace,           // a face refers to a vertex or material that does not exist
};

struct WriteResult {
    WriteError error = WriteError::kNone;
    uint32_t value = 0;  // the count or frame that failed
    std::vector<uint8_t> bytes;
};

// Checks what the file can hold: vertex and material counts, faces in range, every frame as large as
// the first. Used by both writers before any byte is produced.
WriteResult CheckWritable(std::span<const ExportFrame> frames);

WriteResult WriteJMesh5(const std::vector<ExportFrame>& frames, const VertexLayout& layout);
WriteResult WriteJMesh4(const ExportFrame& frame, const VertexLayout& layout);

}  // namespace quelm
