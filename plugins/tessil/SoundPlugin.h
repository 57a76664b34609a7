#pragma once
// The sound map plug-in: ambient sound emitters placed on the ground, each with an inner and an outer
// radius, a wave of the plug-in's own wave list, a volume, a playing mode and a pitch choice. Emitters
// are added, moved and sized with the mouse in top-down viewports, edited and auditioned in the panel,
// drawn in every viewport and kept in the "SNDM" chunk the game reads.
#include <cstdint>
#include <vector>

#include "plugins/shared/PluginBase.h"

namespace qv {

inline constexpr uint32_t kSoundChunkVersion = 1;
inline constexpr uint32_t kEmitterBytes = 60;

struct SoundEmitter {
    float position[3] = {0, 0, 0};
    float innerRadius = 0, outerRadius = 0;
    int32_t wave = -1;  // 0-based into the plug-in's wave list, -1 none
    float volume = 1.0f;
    int32_t playMode = 0;  // 0 loop, 1 once, 2 random wait
    float wait = 0, waitFrom = 0, waitTo = 0;
    int32_t pitchMode = 0;  // 0 constant, 1 random
    int32_t frequency = 44100, frequencyFrom = 22050, frequencyTo = 44100;
};

// Mouse modes.
enum class SoundMode : int32_t {
    Select = 0, Add = 1, NewInner = 2, NewOuter = 3, Move = 10, Inner = 11, Outer = 12,
};

// Asks whether a world read without a sound device is to be used all the same: 0 (Yes) or the
// no-sound result (No, the default).
int32_t AskToUseWithoutSound();

class SoundPlugin final : public PluginBase {
public:
    SoundPlugin();
    int32_t LoadChunk(FileStream* stream, uint32_t size) override;
    int32_t HasChunk() override { return activated ? 1 : 0; }
    int32_t SaveChunk(FileStream* stream, uint32_t* size) override;
    int32_t ResetWorld() override;
    int32_t Deactivate() override;
    int32_t DrawViewport(Viewport* viewport) override;
    int32_t OnMainPortMessage(Port* sender, uint32_t code, MsgArg arg, MsgArg data) override;

    // ---- the data (read by tests)
    std::vector<SoundEmitter> emitters;
    bool activated = false;
    bool testing = false;
    int32_t playingWave = -1;
    int32_t currentWave = -1;
    int32_t selected = -1;
    SoundMode mode = SoundMode::Select;

    void Press(const MousePress& press);
    void Release();
    void Drag(const MouseDrag& drag);
    // Plays the selected emitter's wave while "Test" is on (stopping the one playing first).
    void Audition();
    // False (with the message) while an emitter uses the wave.
    bool DeleteCurrentWave();

protected:
    void RefreshPanel(plat::Dialog& d) override;
    void OnPanelCommand(plat::Dialog& d, int id, uint16_t code) override;

private:
    float GroundHeight(float x, float y);
    void StopAudition();
    // The screen radius of a circle of world radius r round a centre in the viewport.
    float ScreenRadius(Viewport* viewport, const float centre[3], float r, ScreenVertex* projected);
    void ScaleBounds(const float* previous, const float* now);
    void OnFieldTyped(plat::Dialog& d, int id);
    void Redraw();
    // Drag state: the press and the accumulated cursor row, the reference row and radius.
    float pressRow_ = 0, cursorRow_ = 0, referenceRow_ = 0, referenceRadius_ = 0;
};

}  // namespace qv
