#include "editor/core/PluginHostImpl.h"

#include <algorithm>
#include <set>

#include "editor/core/Editor.h"
#include "editor/files/FileNames.h"
#include "editor/render/RenderLayer.h"
#include "editor/texture/Dib.h"

namespace qv {

PluginHostImpl::PluginHostImpl(Editor* editor, QvModule mod, EditorPlugin* owner, uint32_t command, size_t index)
    : editor_(editor), index_(index) {
    module = mod;
    bus = &editor->bus;
    plugin = owner;
    commandId = command;
}

PluginHostImpl::~PluginHostImpl() { ReleaseAll(); }

void PluginHostImpl::ReleaseAll() {
    while (!textures_.empty()) DeleteTexture(static_cast<uint32_t>(textures_.size()), 0);
    meshes_.clear();
    // Waves go too, before the sound system that plays them.
    waves_.clear();
}

void PluginHostImpl::Broadcast(uint32_t code, MsgArg data) {
    editor_->bus.Broadcast(&editor_->mainPort, kKindResources, code,
                           reinterpret_cast<MsgArg>(static_cast<PluginHost*>(this)), data);
}

// ---- panel, status, world, plug-ins, viewports

QvWnd PluginHostImpl::CreatePluginDialog(QvModule mod, QvResId dialogTemplate, QvDlgProc proc) {
    return editor_->ui->CreatePluginDialog(mod, dialogTemplate, proc);
}
void PluginHostImpl::SetStatusText(const char* text) { editor_->ui->SetStatusText(text ? text : ""); }
void PluginHostImpl::SetStatusReady() { editor_->ui->SetStatusText("Ready"); }
int32_t PluginHostImpl::DestroyPluginDialog(QvWnd dialog) { return editor_->ui->DestroyPluginDialog(dialog); }
void PluginHostImpl::GetWorldBounds(float out[6]) { std::copy_n(editor_->world.bounds, 6, out); }
int32_t PluginHostImpl::GetPluginCount() { return static_cast<int32_t>(editor_->PluginCount()); }
EditorPlugin* PluginHostImpl::GetPlugin(int32_t index) {
    return index < 0 ? nullptr : editor_->Plugin(static_cast<size_t>(index));
}
EditorPlugin* PluginHostImpl::FindPlugin(uint32_t identifier) { return editor_->FindPlugin(identifier); }
QvWnd PluginHostImpl::GetMainWindow() { return editor_->ui->MainWindow(); }
Viewport* PluginHostImpl::GetViewport(int32_t index) {
    return index >= 0 && index < 4 ? editor_->viewports[index] : nullptr;
}
void PluginHostImpl::RedrawPluginViewports(MsgArg) { editor_->ui->InvalidateViewports(static_cast<int32_t>(index_)); }

// ---- textures

bool PluginHostImpl::GrowTextures() {
    if (textures_.size() < textureCapacity_) return true;
    try {
        textures_.reserve(textureCapacity_ + 64);
    } catch (const std::bad_alloc&) {
        return false;
    }
    textureCapacity_ += 64;
    return true;
}

int32_t PluginHostImpl::AddTextureFromFile(const char* file, uint32_t* outIndex) {
    return AddTexture(file ? file : "", file ? file : "", outIndex);
}

int32_t PluginHostImpl::AddMeshTexture(const char* name, const char* file, uint32_t* index) {
    return AddTexture(name, file, index);
}

int32_t PluginHostImpl::AddTexture(const std::string& name, const std::string& file, uint32_t* outIndex) {
    uint32_t ignored = 0;
    if (!outIndex) outIndex = &ignored;
    *outIndex = 0;
    if (!GrowTextures()) return Result(kResultOutOfMemory);
    Broadcast(kMsgTextureAdding, 0);
    uint32_t handle = 0;
    if (file.empty() || editor_->textures.AddFromFile(file, &handle, name) != 0 || !handle) return 0;
    textures_.push_back(handle);
    *outIndex = static_cast<uint32_t>(textures_.size());
    Broadcast(kMsgTextureAdded, *outIndex);
    return 1;
}

int32_t PluginHostImpl::AddTextureFromMemory(const char* name, const BitmapInfoHeader* header, const void* pixels,
                                             uint32_t* outIndex) {
    uint32_t ignored = 0;
    if (!outIndex) outIndex = &ignored;
    *outIndex = 0;
    if (!GrowTextures()) return Result(kResultOutOfMemory);
    Broadcast(kMsgTextureAdding, 0);
    if (!header || !name) return 0;
    auto dib = DibFromMemory(*header, pixels);
    uint32_t handle = 0;
    if (!dib || editor_->textures.AddFromMemory(name, std::move(*dib), &handle) != 0) return 0;
    textures_.push_back(handle);
    *outIndex = static_cast<uint32_t>(textures_.size());
    Broadcast(kMsgTextureAdded, *outIndex);
    return 1;
}

int32_t PluginHostImpl::LoadTextureDialog(uint32_t* outIndex) {
    int32_t added = 0;
    for (const std::string& file : editor_->ui->OpenFileDialog(0, "Load Texture", true)) {
        int32_t r = AddTextureFromFile(file.c_str(), outIndex);
        if (r > 0) added += r;
    }
    return added;
}

int32_t PluginHostImpl::InsertAlpha(const char* file, uint32_t index) {
    if (!Valid(index, textures_.size())) return Result(kResultBadIndex);
    if (!file) return Result(kResultBadArgument);
    int32_t r = editor_->textures.SetAlphaFromFile(textures_[index - 1], file);
    if (r == 0) Broadcast(kMsgAlphaInserted, index);
    return r;
}

int32_t PluginHostImpl::InsertAlphaDialog(uint32_t index) {
    auto files = editor_->ui->OpenFileDialog(3, "Insert Alpha in Texture", false);
    if (!files.empty()) InsertAlpha(files.front().c_str(), index);
    return -1;
}

int32_t PluginHostImpl::RemoveAlpha(uint32_t index) {
    if (!Valid(index, textures_.size())) return Result(kResultBadIndex);
    return editor_->textures.RemoveAlpha(textures_[index - 1]);
}

int32_t PluginHostImpl::ReplaceTextureFromMemory(const char* name, const BitmapInfoHeader* header, const void* pixels,
                                                 uint32_t index) {
    if (!Valid(index, textures_.size())) return Result(kResultBadIndex);
    if (!header || !name) return Result(kResultBadArgument);
    auto dib = DibFromMemory(*header, pixels);
    if (!dib) return Result(kResultBadArgument);
    uint32_t handle = 0;
    int32_t r = editor_->textures.AddFromMemory(name, std::move(*dib), &handle);
    if (r != 0) return r;
    editor_->textures.Release(textures_[index - 1]);
    textures_[index - 1] = handle;
    Broadcast(kMsgTextureReplaced, index);
    return 0;
}

int32_t PluginHostImpl::ReplaceTextureFromFile(const char* file, uint32_t index) {
    if (!Valid(index, textures_.size())) return Result(kResultBadIndex);
    if (!file) return Result(kResultBadArgument);
    // The new file is loaded first: a file that fails leaves the old texture in place.
    uint32_t handle = 0;
    int32_t r = editor_->textures.AddFromFile(file, &handle);
    if (r != 0) return r;
    editor_->textures.Release(textures_[index - 1]);
    textures_[index - 1] = handle;
    Broadcast(kMsgTextureReplaced, index);
    return 0;
}

int32_t PluginHostImpl::ReplaceTextureDialog(uint32_t index) {
    auto files = editor_->ui->OpenFileDialog(3, "Replace Texture", false);
    if (!files.empty()) ReplaceTextureFromFile(files.front().c_str(), index);
    return -1;
}

void PluginHostImpl::RenumberMeshTextures(uint32_t index, uint32_t to) {
    auto fix = [&](uint32_t& t) {
        if (t == index)
            t = to;
        else if (t > index)
            --t;
    };
    for (auto& mesh : meshes_) {
        if (!mesh) continue;
        for (uint32_t& t : mesh->materialTextures) fix(t);
        for (MeshGroup& g : mesh->groups) fix(g.textureIndex);
    }
}

int32_t PluginHostImpl::DeleteTexture(uint32_t index, uint32_t) {
    if (!Valid(index, textures_.size())) return Result(kResultBadIndex);
    Broadcast(kMsgTextureDeleting, index);
    // The entry gives back its own reference only: other entries and other plug-ins' lists that share
    // the texture keep it.
    editor_->textures.Release(textures_[index - 1]);
    RenumberMeshTextures(index, 0);
    textures_.erase(textures_.begin() + (index - 1));
    if (currentTexture_ == index) currentTexture_ = 0;
    Broadcast(kMsgTextureDeleted, index);
    return 0;
}

int32_t PluginHostImpl::DeleteAllTextures() {
    while (!textures_.empty()) DeleteTexture(static_cast<uint32_t>(textures_.size()), 0);
    return 0;
}

int32_t PluginHostImpl::SetCurrentTexture(uint32_t index) {
    if (index != 0 && !Valid(index, textures_.size())) return Result(kResultBadIndex);
    currentTexture_ = index;
    // The rendering layer draws with the texture table's slot of this list entry.
    if (editor_->render) editor_->render->SetTexture(index ? textures_[index - 1] : 0);
    return 0;
}

int32_t PluginHostImpl::SetStageTexture(uint32_t stage, uint32_t index) {
    if (index != 0 && !Valid(index, textures_.size())) return Result(kResultBadIndex);
    if (stage < 8) stageTextures_[stage] = index;
    if (editor_->render) editor_->render->SetStageTexture(stage, index ? textures_[index - 1] : 0);
    return 0;
}

const char* PluginHostImpl::GetTextureName(uint32_t index) {
    if (!Valid(index, textures_.size())) return nullptr;
    const TextureEntry* e = editor_->textures.Get(textures_[index - 1]);
    return e ? e->name.c_str() : nullptr;
}

int32_t PluginHostImpl::GetTextureSize(uint32_t index, uint32_t* width, uint32_t* height) {
    if (!Valid(index, textures_.size())) return Result(kResultBadIndex);
    const TextureEntry* e = editor_->textures.Get(textures_[index - 1]);
    if (!e) return Result(kResultBadIndex);
    if (width) *width = static_cast<uint32_t>(e->colour.Width());
    if (height) *height = static_cast<uint32_t>(e->colour.Height());
    return 0;
}

int32_t PluginHostImpl::GetTextureMemory(uint32_t* total, uint32_t* freeBytes) {
    // No display driver answers the query here.
    if (total) *total = 0;
    if (freeBytes) *freeBytes = 0;
    return Result(kResultTextureMemoryRefused);
}

int32_t PluginHostImpl::FindTexture(const char* name) { return name && editor_->textures.Find(name) ? 1 : 0; }

int32_t PluginHostImpl::CompactTextures() {
    for (size_t i = 0; i < textures_.size(); ++i) {
        for (size_t j = i + 1; j < textures_.size();) {
            if (textures_[j] != textures_[i]) {
                ++j;
                continue;
            }
            RenumberMeshTextures(static_cast<uint32_t>(j + 1), static_cast<uint32_t>(i + 1));
            editor_->textures.Release(textures_[j]);  // the merged entry's own reference
            textures_.erase(textures_.begin() + static_cast<std::ptrdiff_t>(j));
        }
    }
    return 0;
}

// ---- meshes

bool PluginHostImpl::MeshUsesTexture(const EditorMesh& mesh, uint32_t index) const {
    for (const MeshGroup& g : mesh.groups)
        if (g.textureIndex == index) return true;
    for (uint32_t t : mesh.materialTextures)
        if (t == index) return true;
    return false;
}

void PluginHostImpl::DeleteTexturesOnlyUsedBy(const EditorMesh& mesh) {
    std::set<uint32_t> used;
    for (const MeshGroup& g : mesh.groups)
        if (g.textureIndex) used.insert(g.textureIndex);
    for (uint32_t t : mesh.materialTextures)
        if (t) used.insert(t);
    // Highest first, so the indices still to delete keep their meaning.
    for (auto it = used.rbegin(); it != used.rend(); ++it) {
        bool shared = false;
        for (const auto& other : meshes_)
            if (other && other.get() != &mesh && MeshUsesTexture(*other, *it)) shared = true;
        if (!shared) DeleteTexture(*it, 0);
    }
}

int32_t PluginHostImpl::LoadMesh(const char* file, const void* image, uint32_t imageBytes,
                                 std::unique_ptr<EditorMesh>* out) {
    auto mesh = std::make_unique<EditorMesh>();
    int32_t ok = file ? mesh->LoadJMesh5File(file, this)
                      : mesh->LoadJMesh5Memory(static_cast<const uint8_t*>(image), imageBytes);
    if (!ok) return Result(kResultFail);
    mesh->SwapFaceWinding();
    *out = std::move(mesh);
    return 0;
}

int32_t PluginHostImpl::AddMeshFromFile(const char* file, uint32_t* outIndex) {
    uint32_t ignored = 0;
    if (!outIndex) outIndex = &ignored;
    *outIndex = 0;
    Broadcast(kMsgMeshAdding, 0);
    std::unique_ptr<EditorMesh> mesh;
    if (!file || LoadMesh(file, nullptr, 0, &mesh) != 0) return 0;
    meshes_.push_back(std::move(mesh));
    *outIndex = static_cast<uint32_t>(meshes_.size());
    Broadcast(kMsgMeshAdded, *outIndex);
    CompactTextures();
    return 0;
}

int32_t PluginHostImpl::AddMeshFromMemory(const void* image, uint32_t imageBytes, uint32_t* outIndex) {
    uint32_t ignored = 0;
    if (!outIndex) outIndex = &ignored;
    *outIndex = 0;
    Broadcast(kMsgMeshAdding, 0);
    std::unique_ptr<EditorMesh> mesh;
    if (!image || LoadMesh(nullptr, image, imageBytes, &mesh) != 0) return 0;
    meshes_.push_back(std::move(mesh));
    *outIndex = static_cast<uint32_t>(meshes_.size());
    Broadcast(kMsgMeshAdded, *outIndex);
    CompactTextures();
    return 0;
}

int32_t PluginHostImpl::LoadMeshDialog(uint32_t* outIndex) {
    auto files = editor_->ui->OpenFileDialog(2, "Load Mesh", false);
    if (!files.empty()) AddMeshFromFile(files.front().c_str(), outIndex);
    return -1;
}

int32_t PluginHostImpl::DeleteMesh(uint32_t index) {
    if (!Valid(index, meshes_.size())) return Result(kResultBadIndex);
    Broadcast(kMsgMeshDeleting, index);
    // Only the textures no other mesh of this plug-in still draws with go with the mesh.
    DeleteTexturesOnlyUsedBy(*meshes_[index - 1]);
    meshes_.erase(meshes_.begin() + (index - 1));
    Broadcast(kMsgMeshDeleted, index);
    return 0;
}

int32_t PluginHostImpl::DeleteAllMeshes() {
    while (!meshes_.empty()) DeleteMesh(static_cast<uint32_t>(meshes_.size()));
    return 0;
}

int32_t PluginHostImpl::ReplaceMeshFromFile(const char* file, uint32_t index) {
    if (!Valid(index, meshes_.size())) return Result(kResultBadIndex);
    if (!file) return Result(kResultBadArgument);
    // The new mesh loads first; when it fails the old one stays as it was.
    std::unique_ptr<EditorMesh> mesh;
    int32_t r = LoadMesh(file, nullptr, 0, &mesh);
    if (r != 0) return r;
    std::unique_ptr<EditorMesh> old = std::move(meshes_[index - 1]);
    meshes_[index - 1] = std::move(mesh);
    DeleteTexturesOnlyUsedBy(*old);
    CompactTextures();
    return 0;
}

int32_t PluginHostImpl::ReplaceMeshDialog(uint32_t index) {
    auto files = editor_->ui->OpenFileDialog(2, "Replace Mesh", false);
    if (!files.empty()) ReplaceMeshFromFile(files.front().c_str(), index);
    return -1;
}

EditorMesh* PluginHostImpl::GetMesh(uint32_t index) {
    return Valid(index, meshes_.size()) ? meshes_[index - 1].get() : nullptr;
}

// ---- waves (kept whether or not a sound device exists; only playing needs one)

int32_t PluginHostImpl::AddWaveFromFile(const char* file, uint32_t* outIndex) {
    uint32_t ignored = 0;
    if (!outIndex) outIndex = &ignored;
    *outIndex = 0;
    WaveData data;
    if (!file || ReadWaveFile(file, &data) != 0) return 0;
    waves_.push_back(editor_->sound.Make(std::move(data)));
    *outIndex = static_cast<uint32_t>(waves_.size());
    return 0;
}

int32_t PluginHostImpl::LoadWaveDialog(uint32_t* outIndex) {
    for (const std::string& file : editor_->ui->OpenFileDialog(4, "Load Wave", true)) AddWaveFromFile(file.c_str(), outIndex);
    return -1;
}

int32_t PluginHostImpl::DeleteWave(uint32_t index) {
    if (!Valid(index, waves_.size())) return Result(kResultBadIndex);
    waves_.erase(waves_.begin() + (index - 1));
    return 0;
}

int32_t PluginHostImpl::DeleteAllWaves() {
    waves_.clear();
    return 0;
}

int32_t PluginHostImpl::ReplaceWaveFromFile(const char* file, uint32_t index) {
    if (!Valid(index, waves_.size())) return Result(kResultBadIndex);
    WaveData data;
    int32_t r = file ? ReadWaveFile(file, &data) : kWaveCannotOpen;
    if (r != 0) return r;  // the old wave stays
    waves_[index - 1] = editor_->sound.Make(std::move(data));
    return 0;
}

int32_t PluginHostImpl::ReplaceWaveDialog(uint32_t index) {
    auto files = editor_->ui->OpenFileDialog(4, "Replace Wave", false);
    if (!files.empty()) ReplaceWaveFromFile(files.front().c_str(), index);
    return -1;
}

const char* PluginHostImpl::GetWaveName(uint32_t index) {
    return Valid(index, waves_.size()) ? waves_[index - 1]->Name().c_str() : nullptr;
}

int32_t PluginHostImpl::PlayWave(uint32_t index, uint32_t loop) {
    if (!editor_->sound.HasDevice()) return Result(kResultNoSound);
    if (!Valid(index, waves_.size())) return 0;
    return waves_[index - 1]->Play(loop != 0);
}

int32_t PluginHostImpl::StopWave(uint32_t index) {
    if (!editor_->sound.HasDevice()) return Result(kResultNoSound);
    if (!Valid(index, waves_.size())) return 0;
    return waves_[index - 1]->Stop();
}

int32_t PluginHostImpl::SetWaveFrequency(uint32_t index, int32_t hertz) {
    if (!editor_->sound.HasDevice()) return Result(kResultNoSound);
    if (!Valid(index, waves_.size())) return Result(kResultBadIndex);
    return waves_[index - 1]->SetFrequency(hertz);
}

int32_t PluginHostImpl::SetWaveVolume(uint32_t index, int32_t hundredthsDb) {
    if (!editor_->sound.HasDevice()) return Result(kResultNoSound);
    if (!Valid(index, waves_.size())) return Result(kResultBadIndex);
    return waves_[index - 1]->SetVolume(hundredthsDb);
}

}  // namespace qv
