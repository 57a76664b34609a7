#include "exporter/FrameTidy.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <unordered_set>

namespace quelm {
namespace {

bool SameNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

bool SameMaterial(const MeshMaterial& a, const MeshMaterial& b) {
    return a.flags == b.flags && a.colour == b.colour && SameNoCase(a.diffuseName, b.diffuseName) &&
           SameNoCase(a.opacityName, b.opacityName);
}

// The rotation of a face's corners that starts with its smallest index: equal for a face and its
// rotations, different for the reverse winding.
std::array<uint32_t, 3> CanonicalCorners(const ExportFace& f) {
    std::array<uint32_t, 3> best{f.v[0], f.v[1], f.v[2]};
    for (int r = 1; r < 3; ++r) {
        std::array<uint32_t, 3> rotated{f.v[r], f.v[(r + 1) % 3], f.v[(r + 2) % 3]};
        if (rotated < best) best = rotated;
    }
    return best;
}

struct CornersHash {
    size_t operator()(const std::array<uint32_t, 3>& c) const {
        uint64_t h = c[0];
        h = h * 0x9E3779B97F4A7C15ull + c[1];
        h = h * 0x9E3779B97F4A7C15ull + c[2];
        return static_cast<size_t>(h ^ (h >> 29));
    }
};

}  // namespace

void MergeExportMaterials(ExportFrame& frame) {
    // Merging every later equal material into the first one, one at a time, ends with the first
    // material of each kind, in their first order; map each old index to its survivor directly.
    std::vector<MeshMaterial> kept;
    std::vector<uint32_t> newIndex(frame.materials.size());
    for (size_t i = 0; i < frame.materials.size(); ++i) {
        const MeshMaterial& m = frame.materials[i];
        size_t k = 0;
        while (k < kept.size() && !SameMaterial(kept[k], m)) ++k;
        if (k == kept.size()) {
            kept.push_back(m);
        } else {
            kept[k].faceCount += m.faceCount;
        }
        newIndex[i] = static_cast<uint32_t>(k);
    }
    for (ExportFace& f : frame.faces)
        if (f.material < newIndex.size()) f.material = newIndex[f.material];
    frame.materials = std::move(kept);
}

void RemoveDuplicateFaces(ExportFrame& frame) {
    std::unordered_set<std::array<uint32_t, 3>, CornersHash> seen;
    seen.reserve(frame.faces.size());
    size_t out = 0;
    for (size_t i = 0; i < frame.faces.size(); ++i) {
        const ExportFace& f = frame.faces[i];
        if (!seen.insert(CanonicalCorners(f)).second) {
            if (f.material < frame.materials.size() && frame.materials[f.material].faceCount > 0)
                --frame.materials[f.material].faceCount;
            continue;
        }
        frame.faces[out++] = f;
    }
    frame.faces.resize(out);
}

void SortFacesByMaterial(ExportFrame& frame) {
    std::stable_sort(frame.faces.begin(), frame.faces.end(),
                     [](const ExportFace& a, const ExportFace& b) { return a.material < b.material; });
}

}  // namespace quelm
