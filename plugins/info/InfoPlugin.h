#pragma once
// The track information plug-in: identifier, name, comments and kind of the track, the sun's colour,
// intensity and position, the ambient light, one overlay texture and a track picture, kept in the
// "TINF" chunk that the game reads. Draws a marker at the sun's position.
#include <cstdint>
#include <optional>
#include <string>

#include "editor/texture/Dib.h"
#include "plugins/shared/PluginBase.h"

namespace qv {

inline constexpr int32_t kMaxPictureWidth = 400, kMaxPictureHeight = 300;

struct TrackInfo {
    uint32_t activated = 1;
    uint32_t id = 0;
    uint32_t type = 0;  // 0 MotoCross, 1 SuperCross, 2 Free Style
    std::string name = "A track";
    std::string comments;  // lines end with CR LF, as the game's world list splits them
    uint32_t sun[3] = {255, 200, 200};
    float sunIntensity = 1.0f;
    uint32_t ambient[3] = {255, 255, 255};
    float ambientIntensity = 0.4f;
    float sunPosition[3] = {0, 0, 2500};
    std::optional<Dib> picture;
};

// The identifier made from a 64-bit file time (100 ns steps since 1601): its halves U and L give
// (U + (L >> 16)) | (L << 16).
uint32_t TrackIdFromFileTime(uint64_t fileTime);
uint64_t FileTimeNow();

class InfoPlugin final : public PluginBase {
public:
    InfoPlugin();
    int32_t LoadChunk(FileStream* stream, uint32_t size) override;
    int32_t HasChunk() override { return 1; }
    int32_t SaveChunk(FileStream* stream, uint32_t* size) override;
    int32_t ResetWorld() override;
    int32_t DrawViewport(Viewport* viewport) override;

    TrackInfo info;
    // The clock the identifiers come from (tests set a fixed one).
    uint64_t (*clock)() = &FileTimeNow;

protected:
    void RefreshPanel(plat::Dialog& d) override;
    void OnPanelCommand(plat::Dialog& d, int id, uint16_t code) override;

private:
    void LoadPicture();
    void LoadOverlay();
};

}  // namespace qv
