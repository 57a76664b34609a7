#pragma once
// The sky plug-in: the world's sky as three choices from its own texture list (the horizon wall, the
// overhead layer, the clouds), their tiling and sizes, a horizon adjustment and a speed, kept in the
// "SKY." chunk the game reads and previewed behind the scene in perspective viewports.
#include <cstdint>

#include "editor/texture/Dib.h"
#include "plugins/shared/PluginBase.h"

namespace qv {

inline constexpr uint32_t kSkyChunkVersion = 100;

struct SkySettings {
    int32_t wallTexture = -1;      // 0-based into the plug-in's texture list, -1 none
    int32_t overheadTexture = 0;   // the built-in "sky" after a reset
    int32_t cloudTexture = -1;
    int32_t activated = 1;
    float wallTiles = 2.0f, overheadTiles = 2.0f;
    float wallWidth = 512, wallHeight = 64, overheadWidth = 512;
    float horizonAdjust = 20, speed = 0;
};

// The built-in overhead picture "sky": 128 x 128, 24 bits, pale at the horizon (bottom row) to deep
// blue at the top, the same along every row so that it tiles round the horizon.
Dib BuiltInSkyBitmap();

class SkyPlugin final : public PluginBase {
public:
    SkyPlugin();
    int32_t LoadChunk(FileStream* stream, uint32_t size) override;
    int32_t HasChunk() override { return 1; }
    int32_t SaveChunk(FileStream* stream, uint32_t* size) override;
    int32_t ResetWorld() override;
    int32_t DrawViewport(Viewport* viewport) override;
    QvBitmap GetToolbarBitmap(int32_t) override { return PluginBase::GetToolbarBitmap(0); }
    int32_t GetPortCount() override { return 0; }
    Port* GetPort(int32_t) override { return nullptr; }
    int32_t OnMainPortMessage(Port* sender, uint32_t code, MsgArg arg, MsgArg data) override;

    SkySettings sky;
    int32_t pickTarget = 0;  // which choice a picked texture goes to: 0 wall, 1 overhead, 2 cloud

    // The screen row of the horizon in a viewport, -1000 when it cannot be found.
    static float HorizonRow(Viewport* viewport);
    // The camera's heading about z, 0..2 pi, 0 looking along +y.
    static float Heading(Viewport* viewport);

protected:
    void RefreshPanel(plat::Dialog& d) override;
    void OnPanelCommand(plat::Dialog& d, int id, uint16_t code) override;

private:
    void AddBuiltInSky();
    // A world opened without a sky chunk leaves the overhead choice naming a texture the editor has
    // just emptied: the built-in one comes back.
    void EnsureBuiltInSky();
    void LoadSky();
    void Redraw();
    // Set by a reset, until a chunk or the user chooses the sky: the built-in texture belongs there.
    bool builtInWanted_ = false;
};

}  // namespace qv
