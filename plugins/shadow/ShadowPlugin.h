#pragma once
// The light-map plug-in: a 512 x 512 grey map the game shades racers with, and a second map derived
// from it by a fixed level adjustment that lights the landscape, kept in the "LMAP" chunk.
#include <cstdint>
#include <optional>

#include "editor/texture/Dib.h"
#include "plugins/shared/PluginBase.h"

namespace qv {

// The second map's grey for a grey g of the first: 0..255 becomes 70..255.
uint8_t AdjustedLevel(uint8_t g);

class ShadowPlugin final : public PluginBase {
public:
    ShadowPlugin();
    int32_t LoadChunk(FileStream* stream, uint32_t size) override;
    int32_t HasChunk() override { return map1 || map2 ? 1 : 0; }
    int32_t SaveChunk(FileStream* stream, uint32_t* size) override;
    int32_t ResetWorld() override;

    uint32_t activated = 0;
    std::optional<Dib> map1;
    std::optional<Dib> map2;

protected:
    void RefreshPanel(plat::Dialog& d) override;
    void OnPanelCommand(plat::Dialog& d, int id, uint16_t code) override;

private:
    void Load(bool second);
};

}  // namespace qv
