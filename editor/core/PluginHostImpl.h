#pragma once
// The host services of one plug-in: its panel, the status bar, the world bounds, the other plug-ins, and
// its own lists of textures, meshes and waves, kept, broadcast and stored as sub-chunks of its chunk.
//
// Each texture-list entry owns exactly one reference of its texture; entries that share a texture are
// merged by CompactTextures, which gives back the merged entry's reference.
#include <memory>
#include <string>
#include <vector>

#include "editor/mesh/EditorMesh.h"
#include "editor/plugin/PluginApi.h"
#include "editor/sound/SoundSystem.h"

namespace qv {

class Editor;

class PluginHostImpl final : public PluginHost, private MeshTextureSource {
public:
    PluginHostImpl(Editor* editor, QvModule module, EditorPlugin* plugin, uint32_t commandId, size_t index);
    ~PluginHostImpl() override;

    QvWnd CreatePluginDialog(QvModule module, QvResId dialogTemplate, QvDlgProc proc) override;
    void SetStatusText(const char* text) override;
    void SetStatusReady() override;
    int32_t DestroyPluginDialog(QvWnd dialog) override;
    void GetWorldBounds(float out[6]) override;
    int32_t Reserved(MsgArg, MsgArg, MsgArg) override { return 0; }
    int32_t GetPluginCount() override;
    EditorPlugin* GetPlugin(int32_t index) override;
    EditorPlugin* FindPlugin(uint32_t identifier) override;
    QvWnd GetMainWindow() override;
    int32_t GetViewportCount() override { return 4; }
    Viewport* GetViewport(int32_t index) override;
    void RedrawPluginViewports(MsgArg value) override;
    int32_t GetTextureCount() override { return static_cast<int32_t>(textures_.size()); }
    int32_t AddTextureFromMemory(const char* name, const BitmapInfoHeader* header, const void* pixels,
                                 uint32_t* outIndex) override;
    int32_t AddTextureFromFile(const char* file, uint32_t* outIndex) override;
    int32_t LoadTextureDialog(uint32_t* outIndex) override;
    int32_t InsertAlpha(const char* file, uint32_t index) override;
    int32_t InsertAlphaDialog(uint32_t index) override;
    int32_t RemoveAlpha(uint32_t index) override;
    int32_t ReplaceTextureFromMemory(const char* name, const BitmapInfoHeader* header, const void* pixels,
                                     uint32_t index) override;
    int32_t ReplaceTextureFromFile(const char* file, uint32_t index) override;
    int32_t ReplaceTextureDialog(uint32_t index) override;
    int32_t DeleteTexture(uint32_t index, uint32_t keepShared) override;
    int32_t DeleteAllTextures() override;
    int32_t ReadTextures(FileStream* stream, uint32_t* bytes) override;
    int32_t WriteTextures(FileStream* stream, uint32_t* bytes) override;
    int32_t SetCurrentTexture(uint32_t index) override;
    int32_t SetStageTexture(uint32_t stage, uint32_t index) override;
    const char* GetTextureName(uint32_t index) override;
    int32_t GetTextureSize(uint32_t index, uint32_t* width, uint32_t* height) override;
    int32_t GetTextureMemory(uint32_t* total, uint32_t* freeBytes) override;
    int32_t FindTexture(const char* name) override;
    int32_t GetMeshCount() override { return static_cast<int32_t>(meshes_.size()); }
    int32_t AddMeshFromMemory(const void* image, uint32_t imageBytes, uint32_t* outIndex) override;
    int32_t AddMeshFromFile(const char* file, uint32_t* outIndex) override;
    int32_t LoadMeshDialog(uint32_t* outIndex) override;
    int32_t DeleteMesh(uint32_t index) override;
    int32_t DeleteAllMeshes() override;
    int32_t ReplaceMeshFromFile(const char* file, uint32_t index) override;
    int32_t ReplaceMeshDialog(uint32_t index) override;
    int32_t ReadMeshes(FileStream* stream, uint32_t* bytes) override;
    int32_t WriteMeshes(FileStream* stream, uint32_t* bytes) override;
    EditorMesh* GetMesh(uint32_t index) override;
    int32_t GetWaveCount() override { return static_cast<int32_t>(waves_.size()); }
    int32_t AddWaveFromFile(const char* file, uint32_t* outIndex) override;
    int32_t LoadWaveDialog(uint32_t* outIndex) override;
    int32_t DeleteWave(uint32_t index) override;
    int32_t DeleteAllWaves() override;
    int32_t ReplaceWaveFromFile(const char* file, uint32_t index) override;
    int32_t ReplaceWaveDialog(uint32_t index) override;
    int32_t ReadWaves(FileStream* stream, uint32_t* bytes) override;
    int32_t WriteWaves(FileStream* stream, uint32_t* bytes) override;
    const char* GetWaveName(uint32_t index) override;
    int32_t PlayWave(uint32_t index, uint32_t loop) override;
    int32_t StopWave(uint32_t index) override;
    int32_t SetWaveFrequency(uint32_t index, int32_t hertz) override;
    int32_t SetWaveVolume(uint32_t index, int32_t hundredthsDb) override;
    int32_t CompactTextures() override;

    // Editor side.
    void ReleaseAll();
    size_t TextureCapacity() const { return textureCapacity_; }
    uint32_t TextureHandle(uint32_t index) const { return Valid(index, textures_.size()) ? textures_[index - 1] : 0; }
    SoundBuffer* Wave(uint32_t index) const { return Valid(index, waves_.size()) ? waves_[index - 1].get() : nullptr; }
    uint32_t CurrentTexture() const { return currentTexture_; }

private:
    // MeshTextureSource: the textures of a mesh while it loads.
    int32_t AddMeshTexture(const char* name, const char* file, uint32_t* index) override;
    int32_t InsertMeshAlpha(const char* file, uint32_t index) override { return InsertAlpha(file, index); }
    int32_t AddTexture(const std::string& name, const std::string& file, uint32_t* outIndex);

    static bool Valid(uint32_t index, size_t count) { return index >= 1 && index <= count; }
    void Broadcast(uint32_t code, MsgArg data);
    bool GrowTextures();
    // Every mesh texture index equal to `index` becomes `to`, every one above `index` moves down by one.
    void RenumberMeshTextures(uint32_t index, uint32_t to);
    bool MeshUsesTexture(const EditorMesh& mesh, uint32_t index) const;
    // Deletes the textures of a mesh that no mesh of this host uses any more.
    void DeleteTexturesOnlyUsedBy(const EditorMesh& mesh);
    int32_t LoadMesh(const char* file, const void* image, uint32_t imageBytes, std::unique_ptr<EditorMesh>* out);

    Editor* editor_;
    size_t index_;
    std::vector<uint32_t> textures_;
    size_t textureCapacity_ = 64;
    std::vector<std::unique_ptr<EditorMesh>> meshes_;
    std::vector<std::unique_ptr<SoundBuffer>> waves_;
    uint32_t currentTexture_ = 0;
    uint32_t stageTextures_[8] = {0, 0, 0, 0, 0, 0, 0, 0};
};

}  // namespace qv
