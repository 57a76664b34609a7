// The texture, mesh and wave lists of a plug-in as sub-chunks of its chunk:
//     {tag, u32 size}, u32 count, count records.
// A list is written in one piece and read whole (its size checked against the file first), so every
// record is parsed from bounded memory.
#include <functional>

#include "editor/core/Editor.h"
#include "editor/core/PluginHostImpl.h"

namespace qv {

namespace {

constexpr uint32_t kTagTextures = FourCC("TXDB");
constexpr uint32_t kTagMeshes = FourCC("MES2");
constexpr uint32_t kTagOldMeshes = FourCC("MESH");
constexpr uint32_t kTagWaves = FourCC("WAVE");

// Smallest stored record of each list, to bound a count read from the file.
constexpr uint32_t kMinTextureRecord = 4 + 128 + 40;
constexpr uint32_t kMinMeshRecord = static_cast<uint32_t>(kMeshRecordHeadBytes);
constexpr uint32_t kMinWaveRecord = static_cast<uint32_t>(kWaveRecordHeadBytes);

int32_t WriteList(FileStream* stream, uint32_t* bytes, uint32_t tag, uint32_t count,
                  const std::function<int32_t(plat::ByteWriter&)>& records) {
    uint32_t ignored = 0;
    if (!bytes) bytes = &ignored;
    *bytes = 0;
    if (!stream) return Result(kResultBadArgument);
    plat::ByteWriter out;
    out.U32(tag);
    out.U32(0);
    out.U32(count);
    if (int32_t r = records(out); r != 0) return r;
    out.PatchU32(4, static_cast<uint32_t>(out.Size() - 8));
    if (out.Size() > UINT32_MAX) return Result(kResultWriteFailed);
    if (int32_t r = stream->Write(out.Data().data(), static_cast<uint32_t>(out.Size())); r != 0) return r;
    *bytes = static_cast<uint32_t>(out.Size());
    return 0;
}

// Reads the head and the whole list data. Gives the tag, the data and the record count, checked against
// the data size with the smallest record.
int32_t ReadList(FileStream* stream, uint32_t* bytes, uint32_t* tag, std::vector<uint8_t>* data, uint32_t* count,
                 uint32_t minRecord, uint32_t wanted, uint32_t alsoWanted) {
    uint32_t ignored = 0;
    if (!bytes) bytes = &ignored;
    *bytes = 0;
    if (!stream) return Result(kResultBadArgument);
    uint8_t head[8];
    if (int32_t r = stream->Read(head, 8); r != 0) return r;
    *tag = plat::LoadU32(head);
    if (*tag != wanted && *tag != alsoWanted) return Result(kResultBadChunk);
    const uint32_t size = plat::LoadU32(head + 4);
    const uint32_t here = stream->Tell();
    const uint32_t length = stream->Size();
    if (size < 4 || here > length || size > length - here) return Result(kResultBadChunk);
    data->resize(size);
    if (int32_t r = stream->Read(data->data(), size); r != 0) return r;
    *bytes = size + 8;
    *count = plat::LoadU32(data->data());
    if (*count > (size - 4) / minRecord) return Result(kResultBadChunk);
    return 0;
}

}  // namespace

int32_t PluginHostImpl::WriteTextures(FileStream* stream, uint32_t* bytes) {
    return WriteList(stream, bytes, kTagTextures, static_cast<uint32_t>(textures_.size()), [&](plat::ByteWriter& out) {
        for (uint32_t handle : textures_)
            if (editor_->textures.WriteRecord(handle, out) != 0) return Result(kResultWriteFailed);
        return 0;
    });
}

int32_t PluginHostImpl::ReadTextures(FileStream* stream, uint32_t* bytes) {
    uint32_t tag = 0, count = 0;
    std::vector<uint8_t> data;
    if (int32_t r = ReadList(stream, bytes, &tag, &data, &count, kMinTextureRecord, kTagTextures, kTagTextures); r != 0) return r;
    DeleteAllTextures();
    plat::ByteReader in(data.data() + 4, data.size() - 4);
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t handle = 0;
        int32_t r = editor_->textures.ReadRecord(in, &handle);
        if (r != 0) return r == 1 ? Result(kResultBadChunk) : r;
        if (!GrowTextures()) {
            editor_->textures.Release(handle);
            return Result(kResultOutOfMemory);
        }
        textures_.push_back(handle);
    }
    return 0;
}

int32_t PluginHostImpl::WriteMeshes(FileStream* stream, uint32_t* bytes) {
    return WriteList(stream, bytes, kTagMeshes, static_cast<uint32_t>(meshes_.size()), [&](plat::ByteWriter& out) {
        for (const auto& mesh : meshes_) mesh->WriteRecord(out);
        return 0;
    });
}

int32_t PluginHostImpl::ReadMeshes(FileStream* stream, uint32_t* bytes) {
    uint32_t tag = 0, count = 0;
    std::vector<uint8_t> data;
    if (int32_t r = ReadList(stream, bytes, &tag, &data, &count, kMinMeshRecord, kTagMeshes, kTagOldMeshes); r != 0) return r;
    meshes_.clear();
    plat::ByteReader in(data.data() + 4, data.size() - 4);
    int32_t result = 0;
    for (uint32_t i = 0; i < count; ++i) {
        auto mesh = std::make_unique<EditorMesh>();
        if (int32_t r = mesh->ReadRecord(in); r != 0) {
            result = r;
            break;
        }
        // Older lists hold the files' winding.
        if (tag == kTagOldMeshes) mesh->SwapFaceWinding();
        meshes_.push_back(std::move(mesh));
        Broadcast(kMsgMeshAdded, meshes_.size());
    }
    // Texture indices of the records name this plug-in's texture list, read before the meshes.
    for (auto& mesh : meshes_)
        for (MeshGroup& g : mesh->groups)
            if (g.textureIndex > textures_.size()) g.textureIndex = 0;
    CompactTextures();
    return result;
}

int32_t PluginHostImpl::WriteWaves(FileStream* stream, uint32_t* bytes) {
    return WriteList(stream, bytes, kTagWaves, static_cast<uint32_t>(waves_.size()), [&](plat::ByteWriter& out) {
        for (const auto& wave : waves_) WriteWaveRecord(out, wave->Data());
        return 0;
    });
}

int32_t PluginHostImpl::ReadWaves(FileStream* stream, uint32_t* bytes) {
    uint32_t tag = 0, count = 0;
    std::vector<uint8_t> data;
    if (int32_t r = ReadList(stream, bytes, &tag, &data, &count, kMinWaveRecord, kTagWaves, kTagWaves); r != 0) return r;
    waves_.clear();
    plat::ByteReader in(data.data() + 4, data.size() - 4);
    for (uint32_t i = 0; i < count; ++i) {
        WaveData wave;
        if (ReadWaveRecord(in, &wave) != 0) return Result(kResultBadChunk);
        waves_.push_back(editor_->sound.Make(std::move(wave)));
    }
    return 0;
}

}  // namespace qv
