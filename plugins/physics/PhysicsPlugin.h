#pragma once
// The physics plug-in: the surface-code map (8 bits per pixel, palette indices classify the ground),
// the particle colour map (24 or 32 bits) and the tiling flag, kept in the "PHYS" chunk the game reads;
// and the authoring palette for painting surface maps.
#include <array>
#include <cstdint>
#include <optional>

#include "editor/texture/Dib.h"
#include "plugins/shared/PluginBase.h"

namespace qv {

// The 768-byte colour table authors paint surface maps with (red, green, blue per index).
std::array<uint8_t, 768> AuthoringPalette();
// The default maps: a 128 x 128 surface map of index 0 (the first authoring class) with a ring of 16,
// and a 256 x 256 particle map of earth browns.
Dib DefaultPhysicsMap();
Dib DefaultParticleMap();

class PhysicsPlugin final : public PluginBase {
public:
    PhysicsPlugin();
    int32_t LoadChunk(FileStream* stream, uint32_t size) override;
    int32_t HasChunk() override { return 1; }
    int32_t SaveChunk(FileStream* stream, uint32_t* size) override;
    int32_t ResetWorld() override;

    uint32_t activated = 1;
    uint32_t tileMaps = 0;  // survives a world reset
    std::optional<Dib> physicsMap;
    std::optional<Dib> particleMap;

protected:
    void RefreshPanel(plat::Dialog& d) override;
    void OnPanelCommand(plat::Dialog& d, int id, uint16_t code) override;

private:
    void LoadPhysicsMap();
    void LoadParticleMap();
    void SavePalette();
};

}  // namespace qv
