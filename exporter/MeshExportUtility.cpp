#include "exporter/MeshExportUtility.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "exporter/ExportMessages.h"
#include "exporter/FrameTidy.h"
#include "exporter/JMeshWriter.h"
#include "exporter/SaveFile.h"

namespace quelm {
namespace {

constexpr size_t kRecordNameLength = 31;
// A multi material deeper than this is taken for a loop of sub-materials.
constexpr int kMaxMaterialDepth = 64;

}  // namespace

std::string BitmapRecordName(const std::string& fileName) {
    const size_t slash = fileName.find_last_of("\\/");
    std::string name = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
    const size_t dot = name.find('.');
    if (dot != std::string::npos) name = name.substr(0, dot) + ".BMP";
    if (name.size() > kRecordNameLength) name.resize(kRecordNameLength);
    return name;
}

uint32_t ColourChannelByte(float channel) {
    const float scaled = channel * 255.0f + 0.5f;
    if (!(scaled > 0.0f)) return 0;  // negative or not a number
    if (scaled >= 255.0f) return 255;
    return static_cast<uint32_t>(scaled);
}

MeshExportUtility::Gathered MeshExportUtility::Gather(plat::SceneNode& node, plat::SceneTime t,
                                                      bool throughGroup) {
    if (node.IsGroupHead() && !node.IsOpenGroupHead()) {
        for (int i = 0; i < node.NumberOfChildren(); ++i) {
            plat::SceneNode* child = node.GetChildNode(i);
            if (child && Gather(*child, t, true) == Gathered::kFailed) return Gathered::kFailed;
        }
        return Gathered::kOk;
    }
    if (!node.CanConvertToTriObject(t)) {
        Prompt(FormatMessage(kMsgCantProcessObject, node.name));
        return throughGroup ? Gathered::kLeftOut : Gathered::kFailed;
    }
    if (std::find(nodes_.begin(), nodes_.end(), &node) == nodes_.end()) nodes_.push_back(&node);
    return Gathered::kOk;
}

bool MeshExportUtility::CollectSelection(plat::SceneTime t) {
    const int count = scene_.GetSelNodeCount();
    if (count == 0) {
        Prompt(FormatMessage(kMsgNoSelection));
        return false;
    }
    for (int i = 0; i < count; ++i) {
        plat::SceneNode* node = scene_.GetSelNode(i);
        if (node && Gather(*node, t, false) == Gathered::kFailed) return false;
    }
    if (nodes_.empty()) {
        Prompt(FormatMessage(kMsgNoObjectSelected));
        return false;
    }
    return true;
}

void MeshExportUtility::FillMaterial(plat::SceneMaterial* material, int index, plat::SceneTime t,
                                     MeshMaterial& out) {
    // A multi material picks its index-th sub-material, the last one for an index past its end.
    plat::SceneMaterial* leaf = material;
    std::string lastName = material->name;
    for (int depth = 0; leaf && leaf->NumSubMtls() > 0; ++depth) {
        if (depth == kMaxMaterialDepth) {
            leaf = nullptr;
            break;
        }
        lastName = leaf->name;
        leaf = leaf->GetSubMtl(std::min(index + 1, leaf->NumSubMtls()) - 1);
    }
    if (!leaf || !(leaf->classId == plat::kStandardMaterialClassId)) {
        ui_.MessageBox(UnsupportedMaterialWarning(leaf ? leaf->name : lastName), kWarningCaption);
        return;  // the record stays all zero
    }
    out.flags = kMaterialSolidColour;
    const plat::SceneTexmap* diffuse = leaf->GetSubTexmap(plat::kMapDiffuse);
    if (diffuse && diffuse->classId == plat::kBitmapMapClassId) {
        out.diffuseName = BitmapRecordName(diffuse->fileName);
        out.flags &= ~kMaterialSolidColour;
    }
    const plat::SceneTexmap* opacity = leaf->GetSubTexmap(plat::kMapOpacity);
    if (opacity && opacity->classId == plat::kBitmapMapClassId) {
        out.opacityName = BitmapRecordName(opacity->fileName);
        out.flags |= kMaterialOpacityMap;
    }
    if (leaf->GetTwoSided()) out.flags |= kMaterialTwoSided;
    if (leaf->GetWire()) out.flags |= kMaterialWire;
    const plat::SceneColor c = leaf->GetDiffuse(t);
    out.colour = ColourChannelByte(c.r) | (ColourChannelByte(c.g) << 8) | (ColourChannelByte(c.b) << 16);
}

bool MeshExportUtility::CollectExportMesh(plat::SceneNode& node, plat::SceneTime t, ExportFrame& frame) {
    const plat::SceneMesh* evaluated = node.EvalMesh(t);
    if (!evaluated || !node.CanConvertToTriObject(t)) {
        Prompt(FormatMessage(kMsgCantProcessObject, node.name));
        return false;
    }
    try {
        plat::SceneMesh mesh = *evaluated;
        mesh.DeleteIsoVerts();
        const bool mapped = mesh.HasTextureVertices();
        if (!mapped) ui_.MessageBox(NoMappingWarning(node.name), kWarningCaption);

        plat::SceneMaterial* material = node.GetMtl();
        if (!material) {
            Prompt(FormatMessage(kMsgNoMaterial, node.name));
            return false;
        }
        material->Update(t);
        mesh.BuildNormals();
        const plat::SceneMatrix tm = node.GetObjectTM(t);

        ExportFrame part;
        const size_t materialCount = static_cast<size_t>(std::max(1, material->NumSubMtls()));
        part.vertices.reserve(mesh.faces.size() * 3);
        part.faces.resize(mesh.faces.size());
        part.materials.resize(materialCount);
        for (size_t k = 0; k < materialCount; ++k) FillMaterial(material, static_cast<int>(k), t, part.materials[k]);

        // A transform that keeps the handedness turns the faces round: corners (0, 2, 1).
        const bool flip = tm.Determinant3() > 0.0f;
        const int order[3] = {0, flip ? 2 : 1, flip ? 1 : 2};
        for (size_t j = 0; j < mesh.faces.size(); ++j) {
            const plat::SceneFace& in = mesh.faces[j];
            ExportFace& out = part.faces[j];
            plat::ScenePoint n = mesh.FaceNormal(static_cast<uint32_t>(j));
            if (flip) n = n * -1.0f;
            out.nx = n.x;
            out.ny = n.y;
            out.nz = n.z;
            for (int c = 0; c < 3; ++c) {
                out.v[c] = in.v[order[c]];
                if (mapped) {
                    const plat::ScenePoint& uvw = mesh.tverts[mesh.tvFaces[j][order[c]]];
                    out.uvw[c][0] = uvw.x;
                    out.uvw[c][1] = uvw.y;
                    out.uvw[c][2] = uvw.z;
                }
            }
            out.material = std::min<uint32_t>(mesh.GetFaceMtlIndex(static_cast<uint32_t>(j)),
                                              static_cast<uint32_t>(materialCount - 1));
            ++part.materials[out.material].faceCount;
        }

        for (size_t i = 0; i < mesh.verts.size(); ++i) {
            ExportVertex v;
            v.x = mesh.verts[i].x;
            v.y = mesh.verts[i].y;
            v.z = mesh.verts[i].z;
            const plat::ScenePoint n = mesh.GetNormal(static_cast<uint32_t>(i));
            v.nx = n.x;
            v.ny = n.y;
            v.nz = n.z;
            part.vertices.push_back(v);
        }

        // A vertex used with two materials or two sets of texture coordinates is split; the
        // copies of one vertex are chained through nextTwin.
        for (ExportFace& f : part.faces) {
            for (int c = 0; c < 3; ++c) {
                const int32_t faceMaterial = static_cast<int32_t>(f.material);
                const float u = f.uvw[c][0], vv = f.uvw[c][1], w = f.uvw[c][2];
                int32_t i = static_cast<int32_t>(f.v[c]);
                if (part.vertices[i].material == -1) {
                    ExportVertex& v = part.vertices[i];
                    v.material = faceMaterial;
                    v.u = u;
                    v.v = vv;
                    v.w = w;
                    continue;
                }
                int32_t last = i;
                int32_t found = -1;
                for (int32_t k = i; k != -1; k = part.vertices[k].nextTwin) {
                    const ExportVertex& v = part.vertices[k];
                    if (v.material == faceMaterial && v.u == u && v.v == vv && v.w == w) {
                        found = k;
                        break;
                    }
                    last = k;
                }
                if (found == -1) {
                    ExportVertex copy = part.vertices[i];
                    copy.material = faceMaterial;
                    copy.u = u;
                    copy.v = vv;
                    copy.w = w;
                    copy.nextTwin = -1;
                    found = static_cast<int32_t>(part.vertices.size());
                    part.vertices.push_back(copy);
                    part.vertices[last].nextTwin = found;
                }
                f.v[c] = static_cast<uint32_t>(found);
            }
        }

        for (ExportVertex& v : part.vertices) {
            const plat::ScenePoint p = plat::ScenePoint{v.x, v.y, v.z} * tm;
            // The file and every reader need finite positions, after the panel's scale too.
            if (!std::isfinite(p.x * scale) || !std::isfinite(p.y * scale) || !std::isfinite(p.z * scale)) {
                Prompt(FormatMessage(kMsgPositionNotFinite, node.name));
                return false;
            }
            plat::ScenePoint n = plat::ScenePoint{v.nx, v.ny, v.nz} * tm - tm.row[3];
            const float len = plat::Length(n);
            if (len != 0.0f) n = n * (1.0f / len);
            v.x = p.x;
            v.y = p.y;
            v.z = p.z;
            v.nx = n.x;
            v.ny = n.y;
            v.nz = n.z;
        }

        // Join behind what the frame holds; counts stay whole here and the file's limits are
        // checked before writing.
        const uint32_t vertexBase = static_cast<uint32_t>(frame.vertices.size());
        const uint32_t materialBase = static_cast<uint32_t>(frame.materials.size());
        for (ExportFace& f : part.faces) {
            for (uint32_t& v : f.v) v += vertexBase;
            f.material += materialBase;
        }
        for (ExportVertex& v : part.vertices)
            if (v.nextTwin != -1) v.nextTwin += static_cast<int32_t>(vertexBase);
        frame.vertices.insert(frame.vertices.end(), part.vertices.begin(), part.vertices.end());
        frame.faces.insert(frame.faces.end(), part.faces.begin(), part.faces.end());
        frame.materials.insert(frame.materials.end(), part.materials.begin(), part.materials.end());
        SortFacesByMaterial(frame);
        return true;
    } catch (const std::bad_alloc&) {
        // The node cannot be held in memory: say so and fail rather than leave it out.
        Prompt(FormatMessage(kMsgNotEnoughMemory));
        return false;
    }
}

bool MeshExportUtility::Finish(std::vector<ExportFrame>& frames, const std::string& path, bool animated) {
    ExportFrame& first = frames.front();
    MergeExportMaterials(first);
    RemoveDuplicateFaces(first);
    SortFacesByMaterial(first);

    const WriteResult check = CheckWritable(frames);
    switch (check.error) {
        case WriteError::kNone: break;
        case WriteError::kTooManyVertices: Prompt(FormatMessage(kMsgTooManyVertices, static_cast<long long>(check.value))); return false;
        case WriteError::kTooManyMaterials: Prompt(FormatMessage(kMsgTooManyMaterials, static_cast<long long>(check.value))); return false;
        case WriteError::kFrameTooSmall:
            Prompt(FormatMessage(kMsgFrameTooSmall, static_cast<long long>(startFrame) + check.value));
            return false;
        case WriteError::kNoFrames:
        case WriteError::kBadFace: Prompt(FormatMessage(kMsgCantOpenDestination)); return false;
    }
    if (path.empty()) {
        Prompt(FormatMessage(kMsgCanceled));
        return false;
    }
    const VertexLayout layout{scale, handedness};
    const WriteResult written = animated ? WriteJMesh5(frames, layout) : WriteJMesh4(first, layout);
    if (written.error != WriteError::kNone || !SaveFileAtomically(path, written.bytes)) {
        Prompt(FormatMessage(kMsgCantOpenDestination));
        return false;
    }
    Prompt(FormatMessage(kMsgOk));
    return true;
}

bool MeshExportUtility::ExportJM4(const std::string& path) {
    nodes_.clear();
    const plat::SceneTime t = scene_.GetTime();
    if (!CollectSelection(t)) return false;
    bool ok = false;
    try {
        std::vector<ExportFrame> frames(1);
        const int64_t total = static_cast<int64_t>(nodes_.size());
        int64_t done = 0;
        for (plat::SceneNode* node : nodes_) {
            if (!CollectExportMesh(*node, t, frames[0])) {
                nodes_.clear();
                return false;
            }
            Report(++done, total);
        }
        ok = Finish(frames, path, false);
    } catch (const std::bad_alloc&) {
        Prompt(FormatMessage(kMsgNotEnoughMemory));
        ok = false;
    }
    nodes_.clear();
    return ok;
}

bool MeshExportUtility::ExportJM5(const std::string& path) {
    nodes_.clear();
    if (!CollectSelection(scene_.GetTime())) return false;
    const int64_t frameCount = static_cast<int64_t>(endFrame) - startFrame + 1;
    if (frameCount <= 0) {
        nodes_.clear();
        return false;
    }
    // Only rigid motion and mesh keys are followed from frame to frame: the frames of a shape
    // moved by bones or morph targets would all show its rest shape.
    if (frameCount > 1) {
        for (const plat::SceneNode* node : nodes_) {
            if (!node->deformed) continue;
            Prompt(FormatMessage(kMsgDeformedAnimation, node->name));
            nodes_.clear();
            return false;
        }
    }
    bool ok = false;
    try {
        std::vector<ExportFrame> frames(static_cast<size_t>(frameCount));
        const int64_t total = frameCount * static_cast<int64_t>(nodes_.size());
        int64_t done = 0;
        for (int64_t i = 0; i < frameCount; ++i) {
            const plat::SceneTime t =
                static_cast<plat::SceneTime>(scene_.GetTicksPerFrame() * (startFrame + i));
            scene_.SetTime(t, true);
            nodes_.clear();
            bool collected = CollectSelection(t);
            for (size_t k = 0; collected && k < nodes_.size(); ++k) {
                collected = CollectExportMesh(*nodes_[k], t, frames[i]);
                Report(++done, total);
            }
            if (!collected) {
                nodes_.clear();
                return false;
            }
            if (i > 0 && (frames[i].vertices.size() != frames[i - 1].vertices.size() ||
                          frames[i].faces.size() != frames[i - 1].faces.size())) {
                ui_.MessageBox(FormatMessage(kMsgMorphologyChanged, static_cast<long long>(startFrame + i)),
                               kErrorCaption);
            }
        }
        ok = Finish(frames, path, true);
    } catch (const std::bad_alloc&) {
        Prompt(FormatMessage(kMsgNotEnoughMemory));
        ok = false;
    }
    nodes_.clear();
    return ok;
}

}  // namespace quelm
