#include "platform/modeller/AssimpSceneLoader.h"

#include <assimp/Importer.hpp>
#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <algorithm>
#include <cmath>
#include <exception>
#include <functional>
#include <map>
#include <memory>

#include "platform/modeller/ImportGuard.h"

namespace plat {
namespace {

constexpr unsigned kImportFlags = aiProcess_Triangulate | aiProcess_SortByPType |
                                  aiProcess_JoinIdenticalVertices | aiProcess_ValidateDataStructure;

// Names of the materials the import library invents: for faces a file gives no material (its
// common one, and the one of its .3ds reader), and for the placeholder skeleton it builds when a
// file yields no geometry.
constexpr const char* kInventedMaterialNames[] = {"DefaultMaterial", "%%%DEFAULT", "SkeletonMaterial"};
constexpr const char* kSkeletonMaterialName = "SkeletonMaterial";

bool IsInventedMaterial(const aiString& name) {
    for (const char* invented : kInventedMaterialNames)
        if (name == aiString(invented)) return true;
    return false;
}

ScenePoint ToPoint(const aiVector3D& v) { return {v.x, v.y, v.z}; }

// The import library stores column-vector matrices; ours take row vectors, so rows become columns.
SceneMatrix ToMatrix(const aiMatrix4x4& m) {
    SceneMatrix out;
    out.row[0] = {m.a1, m.b1, m.c1};
    out.row[1] = {m.a2, m.b2, m.c2};
    out.row[2] = {m.a3, m.b3, m.c3};
    out.row[3] = {m.a4, m.b4, m.c4};
    return out;
}

// y up to z up: x stays, y becomes z, z becomes -y.
SceneMatrix YUpToZUp() {
    SceneMatrix m;
    m.row[0] = {1, 0, 0};
    m.row[1] = {0, 0, 1};
    m.row[2] = {0, -1, 0};
    return m;
}

bool IsFinite(const SceneMatrix& m) {
    for (const ScenePoint& r : m.row)
        if (!std::isfinite(r.x) || !std::isfinite(r.y) || !std::isfinite(r.z)) return false;
    return true;
}

std::shared_ptr<SceneTexmap> BitmapOf(const aiMaterial& mat, std::initializer_list<aiTextureType> types,
                                      std::vector<std::string>& warnings) {
    for (aiTextureType type : types) {
        aiString path;
        if (mat.GetTexture(type, 0, &path) != AI_SUCCESS || path.length == 0) continue;
        // An embedded image ("*0") has no file of its own to name.
        if (path.data[0] == '*') {
            aiString name;
            mat.Get(AI_MATKEY_NAME, name);
            warnings.push_back("material \"" + std::string(name.C_Str()) +
                               "\" uses an image stored inside the file, which has no file name; it is left out");
            return nullptr;
        }
        auto map = std::make_shared<SceneTexmap>();
        map->classId = kBitmapMapClassId;
        map->fileName = path.C_Str();
        return map;
    }
    return nullptr;
}

std::shared_ptr<SceneMaterial> ConvertMaterial(const aiMaterial& mat, std::vector<std::string>& warnings) {
    auto out = std::make_shared<SceneMaterial>();
    aiString name;
    if (mat.Get(AI_MATKEY_NAME, name) == AI_SUCCESS) out->name = name.C_Str();
    aiColor4D colour;
    if (mat.Get(AI_MATKEY_BASE_COLOR, colour) == AI_SUCCESS ||
        mat.Get(AI_MATKEY_COLOR_DIFFUSE, colour) == AI_SUCCESS)
        out->diffuse = {colour.r, colour.g, colour.b};
    int flag = 0;
    if (mat.Get(AI_MATKEY_TWOSIDED, flag) == AI_SUCCESS) out->twoSided = flag != 0;
    flag = 0;
    if (mat.Get(AI_MATKEY_ENABLE_WIREFRAME, flag) == AI_SUCCESS) out->wire = flag != 0;
    out->maps[kMapDiffuse] = BitmapOf(mat, {aiTextureType_DIFFUSE, aiTextureType_BASE_COLOR}, warnings);
    out->maps[kMapOpacity] = BitmapOf(mat, {aiTextureType_OPACITY}, warnings);
    return out;
}

class Converter {
public:
    Converter(const aiScene& in, ModellerScene& out, std::vector<std::string>& warnings) : in_(in), out_(out) {
        for (unsigned i = 0; i < in.mNumMaterials; ++i) {
            materials_.push_back(ConvertMaterial(*in.mMaterials[i], warnings));
            aiString name;
            in.mMaterials[i]->Get(AI_MATKEY_NAME, name);
            invented_.push_back(IsInventedMaterial(name));
            skeleton_.push_back(name == aiString(kSkeletonMaterialName));
        }
    }

    bool Run(std::string& error) {
        const aiNode* root = in_.mRootNode;
        SceneMatrix base = YUpToZUp();
        if (root->mNumMeshes > 0) {
            if (!AddNode(*root, nullptr, error)) return false;
        } else {
            base = ToMatrix(root->mTransformation) * base;
            for (unsigned i = 0; i < root->mNumChildren; ++i)
                if (!AddNode(*root->mChildren[i], nullptr, error)) return false;
        }
        if (!IsFinite(base)) {
            error = "the scene's root transform is not a number";
            return false;
        }
        if (placeholders_ > 0 && !anyGeometry_) {
            error = "the import library found no geometry in the file";
            return false;
        }
        out_.SetBaseTransform(base);
        if (in_.mNumAnimations > 0) ReadAnimation(*in_.mAnimations[0]);
        return true;
    }

private:
    bool AddNode(const aiNode& in, SceneNode* parent, std::string& error) {
        if (++depth_ > 1000) {
            error = "the node hierarchy is too deep";
            return false;
        }
        SceneNode* node = out_.AddNode(in.mName.C_Str(), parent);
        node->localTm = ToMatrix(in.mTransformation);
        if (!IsFinite(node->localTm)) {
            error = "node \"" + node->name + "\" has a transform that is not a number";
            return false;
        }
        byName_[node->name] = node;
        if (in.mNumMeshes > 0) AddGeometry(in, *node);
        // A node with children and nothing to draw groups them, as a closed group would.
        else if (in.mNumChildren > 0) node->groupHead = true;
        for (unsigned i = 0; i < in.mNumChildren; ++i)
            if (!AddNode(*in.mChildren[i], node, error)) return false;
        --depth_;
        return true;
    }

    // The node's meshes become one mesh; each face's material id is the place of its mesh in the
    // node's list, and several meshes make a multi material, as the modeller models them.
    void AddGeometry(const aiNode& in, SceneNode& node) {
        SceneMesh mesh;
        std::vector<std::shared_ptr<SceneMaterial>> used;
        std::vector<bool> usedInvented;
        bool anyUv = false;
        std::vector<ScenePoint> normals;
        bool allNormals = true;
        for (unsigned k = 0; k < in.mNumMeshes; ++k) {
            const unsigned index = in.mMeshes[k];
            if (index >= in_.mNumMeshes) continue;
            const aiMesh& m = *in_.mMeshes[index];
            if (m.mNumVertices > 0 && m.HasTextureCoords(0)) anyUv = true;
        }
        for (unsigned k = 0; k < in.mNumMeshes; ++k) {
            const unsigned index = in.mMeshes[k];
            if (index >= in_.mNumMeshes) continue;
            const aiMesh& m = *in_.mMeshes[index];
            if (!(m.mPrimitiveTypes & aiPrimitiveType_TRIANGLE)) continue;  // points and lines
            if (IsPlaceholder(m)) {
                ++placeholders_;
                continue;
            }
            if (m.mNumBones > 0 || m.mNumAnimMeshes > 0) node.deformed = true;
            const uint32_t first = static_cast<uint32_t>(mesh.verts.size());
            const uint32_t firstTv = static_cast<uint32_t>(mesh.tverts.size());
            const uint16_t materialId = static_cast<uint16_t>(std::min<size_t>(used.size(), 0xFFFF));
            for (unsigned v = 0; v < m.mNumVertices; ++v) {
                mesh.verts.push_back(ToPoint(m.mVertices[v]));
                if (m.HasNormals()) normals.push_back(ToPoint(m.mNormals[v]));
                if (anyUv)
                    mesh.tverts.push_back(m.HasTextureCoords(0) ? ToPoint(m.mTextureCoords[0][v])
                                                                : ScenePoint{});
            }
            if (!m.HasNormals()) allNormals = false;
            for (unsigned f = 0; f < m.mNumFaces; ++f) {
                const aiFace& face = m.mFaces[f];
                if (face.mNumIndices != 3) continue;
                SceneFace out;
                out.materialId = materialId;
                bool inRange = true;
                for (int c = 0; c < 3; ++c) {
                    if (face.mIndices[c] >= m.mNumVertices) inRange = false;
                    out.v[c] = first + face.mIndices[c];
                }
                if (!inRange) continue;
                mesh.faces.push_back(out);
                if (anyUv) mesh.tvFaces.push_back({firstTv + face.mIndices[0], firstTv + face.mIndices[1],
                                                   firstTv + face.mIndices[2]});
            }
            const bool validMaterial = m.mMaterialIndex < materials_.size();
            used.push_back(validMaterial ? materials_[m.mMaterialIndex] : nullptr);
            usedInvented.push_back(!validMaterial || invented_[m.mMaterialIndex]);
        }
        if (mesh.faces.empty()) return;  // nothing but points and lines: no triangle object
        anyGeometry_ = true;
        if (allNormals && normals.size() == mesh.verts.size()) mesh.SetNormals(std::move(normals));
        bool allInvented = true;
        for (bool b : usedInvented) allInvented = allInvented && b;
        if (used.size() == 1) {
            if (!allInvented) node.material = used.front();
        } else if (used.size() > 1 && !allInvented) {
            auto multi = std::make_shared<SceneMaterial>();
            multi->name = node.name;
            multi->classId = kMultiMaterialClassId;
            multi->subMaterials = used;
            node.material = multi;
        }
        node.meshKeys.push_back({0, std::move(mesh)});
    }

    // The skeleton the library draws in place of geometry it could not find: a mesh of its
    // invented skeleton material whose faces hang on bones.
    bool IsPlaceholder(const aiMesh& m) const {
        return m.mMaterialIndex < skeleton_.size() && skeleton_[m.mMaterialIndex] && m.mNumBones > 0;
    }

    // Rigid animation: the keys of the first animation drive the nodes' own transforms. A file
    // that gives no rate (.3ds among them) counts its keys in frames of the modeller's rate.
    void ReadAnimation(const aiAnimation& anim) {
        const double ticksPerSecond = anim.mTicksPerSecond > 0.0
                                          ? anim.mTicksPerSecond
                                          : static_cast<double>(kTicksPerSecond) / out_.GetTicksPerFrame();
        auto toTime = [&](double t) {
            const double ticks = t / ticksPerSecond * kTicksPerSecond;
            if (!std::isfinite(ticks)) return SceneTime{0};
            return static_cast<SceneTime>(std::clamp(ticks, -1.0e9, 1.0e9));
        };
        for (unsigned c = 0; c < anim.mNumChannels; ++c) {
            const aiNodeAnim& ch = *anim.mChannels[c];
            auto it = byName_.find(ch.mNodeName.C_Str());
            if (it == byName_.end()) continue;
            TransformTrack& track = it->second->track;
            for (unsigned k = 0; k < ch.mNumPositionKeys; ++k)
                track.position.push_back({toTime(ch.mPositionKeys[k].mTime), ToPoint(ch.mPositionKeys[k].mValue)});
            for (unsigned k = 0; k < ch.mNumRotationKeys; ++k) {
                const aiQuaternion& q = ch.mRotationKeys[k].mValue;
                track.rotation.push_back({toTime(ch.mRotationKeys[k].mTime), SceneQuat{q.x, q.y, q.z, q.w}});
            }
            for (unsigned k = 0; k < ch.mNumScalingKeys; ++k)
                track.scale.push_back({toTime(ch.mScalingKeys[k].mTime), ToPoint(ch.mScalingKeys[k].mValue)});
            SortKeys(track.position);
            SortKeys(track.rotation);
            SortKeys(track.scale);
        }
    }

    template <typename T>
    static void SortKeys(std::vector<SceneKey<T>>& keys) {
        std::stable_sort(keys.begin(), keys.end(),
                         [](const SceneKey<T>& a, const SceneKey<T>& b) { return a.time < b.time; });
    }

    const aiScene& in_;
    ModellerScene& out_;
    std::vector<std::shared_ptr<SceneMaterial>> materials_;
    std::vector<bool> invented_;
    std::vector<bool> skeleton_;
    int placeholders_ = 0;
    bool anyGeometry_ = false;
    std::map<std::string, SceneNode*> byName_;
    int depth_ = 0;
};

SceneLoadResult Convert(const aiScene* scene, Assimp::Importer& importer, ModellerScene& out) {
    SceneLoadResult result;
    if (!scene) {
        const char* why = importer.GetErrorString();
        result.error = why && *why ? why : "the file could not be read";
        return result;
    }
    if (!scene->mRootNode) {
        result.error = "the file holds no scene";
        return result;
    }
    Converter converter(*scene, out, result.warnings);
    result.ok = converter.Run(result.error);
    return result;
}

// Reads with the library in a child process first (see ImportGuard.h), then here.
SceneLoadResult GuardedLoad(const std::function<const aiScene*(Assimp::Importer&)>& read, ModellerScene& scene) {
    std::string error;
    const ImportProbe probe = ProbeImport(
        [&read](std::string& reason) {
            Assimp::Importer importer;
            if (read(importer)) return true;
            const char* why = importer.GetErrorString();
            reason = why && *why ? why : "the file could not be read";
            return false;
        },
        error);
    if (probe == ImportProbe::kRefused || probe == ImportProbe::kCrashed) return {false, error};
    try {
        Assimp::Importer importer;
        const aiScene* imported = read(importer);
        return Convert(imported, importer, scene);
    } catch (const std::exception& e) {
        return {false, e.what()};
    }
}

}  // namespace

SceneLoadResult LoadModellerScene(const std::string& path, ModellerScene& scene) {
    return GuardedLoad([&path](Assimp::Importer& importer) { return importer.ReadFile(path, kImportFlags); },
                       scene);
}

SceneLoadResult LoadModellerSceneFromMemory(const uint8_t* data, size_t size, const std::string& hint,
                                            ModellerScene& scene) {
    if (!data || size == 0) return {false, "the file is empty"};
    return GuardedLoad(
        [&](Assimp::Importer& importer) {
            return importer.ReadFileFromMemory(data, size, kImportFlags, hint.c_str());
        },
        scene);
}

}  // namespace plat
