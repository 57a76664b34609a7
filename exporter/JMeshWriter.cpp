#include "exporter/JMeshWriter.h"

#include <algorithm>

#include "platform/bytes/ByteIO.h"

namespace quelm {
namespace {

constexpr size_t kNameBytes = 32;

void Tag(plat::ByteWriter& w, const char* tag) { w.Bytes(tag, std::char_traits<char>::length(tag)); }

void WriteVertex(plat::ByteWriter& w, const ExportVertex& v, const VertexLayout& layout) {
    const float s = layout.scale;
    if (layout.handedness == 1) {
        w.F32(s * v.x);
        w.F32(s * v.y);
        w.F32(s * v.z);
        w.F32(v.nx);
        w.F32(v.ny);
        w.F32(v.nz);
    } else {
        w.F32(s * v.x);
        w.F32(s * v.z);
        w.F32(s * v.y);
        w.F32(v.nx);
        w.F32(v.nz);
        w.F32(v.ny);
    }
    w.F32(v.u);
    w.F32(1.0f - v.v);
}

void WriteFaces(plat::ByteWriter& w, const ExportFrame& frame, const VertexLayout& layout) {
    w.U32(static_cast<uint32_t>(frame.faces.size()));
    for (const ExportFace& f : frame.faces) {
        w.U16(static_cast<uint16_t>(f.v[0]));
        if (layout.handedness == 1) {
            w.U16(static_cast<uint16_t>(f.v[1]));
            w.U16(static_cast<uint16_t>(f.v[2]));
        } else {
            w.U16(static_cast<uint16_t>(f.v[2]));
            w.U16(static_cast<uint16_t>(f.v[1]));
        }
    }
}

void WriteMaterials(plat::ByteWriter& w, const ExportFrame& frame) {
    w.U32(static_cast<uint32_t>(frame.materials.size()));
    for (const ExportFace& f : frame.faces) w.U16(static_cast<uint16_t>(f.material));
    for (const MeshMaterial& m : frame.materials) {
        w.FixedString(m.diffuseName, kNameBytes);
        w.FixedString(m.opacityName, kNameBytes);
        w.U32(m.faceCount);
        w.U32(m.colour);
        w.U32(m.flags);
    }
}

void WriteVertices(plat::ByteWriter& w, const ExportFrame& frame, size_t count, const VertexLayout& layout) {
    for (size_t i = 0; i < count; ++i) WriteVertex(w, frame.vertices[i], layout);
}

}  // namespace

WriteResult CheckWritable(std::span<const ExportFrame> frames) {
    WriteResult r;
    if (frames.empty()) {
        r.error = WriteError::kNoFrames;
        return r;
    }
    const ExportFrame& first = frames.front();
    const size_t vertexCount = first.vertices.size();
    if (vertexCount > kMaxFileVertices) {
        r.error = WriteError::kTooManyVertices;
        r.value = static_cast<uint32_t>(std::min<size_t>(vertexCount, UINT32_MAX));
        return r;
    }
    if (first.materials.size() > kMaxFileMaterials) {
        r.error = WriteError::kTooManyMaterials;
        r.value = static_cast<uint32_t>(std::min<size_t>(first.materials.size(), UINT32_MAX));
        return r;
    }
    for (const ExportFace& f : first.faces) {
        if (f.v[0] >= vertexCount || f.v[1] >= vertexCount || f.v[2] >= vertexCount ||
            f.material >= first.materials.size()) {
            r.error = WriteError::kBadFace;
            return r;
        }
    }
    for (size_t i = 1; i < frames.size(); ++i) {
        if (frames[i].vertices.size() < vertexCount) {
            r.error = WriteError::kFrameTooSmall;
            r.value = static_cast<uint32_t>(i);
            return r;
        }
    }
    return r;
}

WriteResult WriteJMesh5(const std::vector<ExportFrame>& frames, const VertexLayout& layout) {
    WriteResult r = CheckWritable(frames);
    if (r.error != WriteError::kNone) return r;
    const ExportFrame& first = frames.front();
    const size_t vertexCount = first.vertices.size();
    plat::ByteWriter w;
    Tag(w, "JMESH5*");
    Tag(w, "<TL>");
    WriteFaces(w, first, layout);
    Tag(w, "<ML>");
    WriteMaterials(w, first);
    Tag(w, "<NF>");
    w.U32(static_cast<uint32_t>(frames.size()));
    Tag(w, "<VT>");
    w.U32(static_cast<uint32_t>(vertexCount));
    for (const ExportFrame& frame : frames) WriteVertices(w, frame, vertexCount, layout);
    Tag(w, "<END>");
    r.bytes = w.Take();
    return r;
}

WriteResult WriteJMesh4(const ExportFrame& frame, const VertexLayout& layout) {
    WriteResult r = CheckWritable(std::span<const ExportFrame>(&frame, 1));
    if (r.error != WriteError::kNone) return r;
    plat::ByteWriter w;
    Tag(w, "JMESH4*");
    Tag(w, "<VT>");
    w.U32(static_cast<uint32_t>(frame.vertices.size()));
    WriteVertices(w, frame, frame.vertices.size(), layout);
    Tag(w, "<TL>");
    WriteFaces(w, frame, layout);
    Tag(w, "<ML>");
    WriteMaterials(w, frame);
    Tag(w, "<END>");
    r.bytes = w.Take();
    return r;
}

}  // namespace quelm
