// The SDL haptic side of force feedback.
#include <SDL.h>

#include "game/core/forcefeedback/ForceFeedback.h"

namespace kes {
namespace {

class SdlForceDevice : public ForceDevice {
public:
    explicit SdlForceDevice(SDL_Haptic* haptic) : haptic_(haptic) {}
    ~SdlForceDevice() override {
        if (effect_ >= 0) SDL_HapticDestroyEffect(haptic_, effect_);
        SDL_HapticClose(haptic_);
    }

    void StartEffect(bool ramp, int32_t dirX, int32_t dirY, int32_t magnitude) override {
        if (effect_ >= 0) SDL_HapticDestroyEffect(haptic_, effect_);
        ramp_ = ramp && (SDL_HapticQuery(haptic_) & SDL_HAPTIC_RAMP);
        Fill(dirX, dirY, magnitude);
        effect_ = SDL_HapticNewEffect(haptic_, &effect);
        if (effect_ >= 0) SDL_HapticRunEffect(haptic_, effect_, 1);
    }

    void UpdateEffect(int32_t dirX, int32_t dirY, int32_t magnitude) override {
        if (effect_ < 0) return;
        Fill(dirX, dirY, magnitude);
        SDL_HapticUpdateEffect(haptic_, effect_, &effect);
        SDL_HapticRunEffect(haptic_, effect_, 1);
    }

    void SetGain(float gain) override {
        if (SDL_HapticQuery(haptic_) & SDL_HAPTIC_GAIN) SDL_HapticSetGain(haptic_, static_cast<int>(gain / 100.0f));
    }

private:
    void Fill(int32_t dirX, int32_t dirY, int32_t magnitude) {
        effect = SDL_HapticEffect{};
        const Sint16 level = static_cast<Sint16>(static_cast<int64_t>(magnitude) * 32767 / 10000);
        SDL_HapticDirection dir{};
        dir.type = SDL_HAPTIC_CARTESIAN;
        dir.dir[0] = dirX;
        dir.dir[1] = dirY;
        if (ramp_) {
            effect.type = SDL_HAPTIC_RAMP;
            effect.ramp.direction = dir;
            effect.ramp.length = SDL_HAPTIC_INFINITY;
            effect.ramp.start = level;
            effect.ramp.end = level;
            effect.ramp.attack_length = 33;
            effect.ramp.fade_length = 33;
        } else {
            effect.type = SDL_HAPTIC_CONSTANT;
            effect.constant.direction = dir;
            effect.constant.length = SDL_HAPTIC_INFINITY;
            effect.constant.level = level;
            effect.constant.attack_length = 33;
            effect.constant.fade_length = 33;
        }
    }

    SDL_Haptic* haptic_;
    SDL_HapticEffect effect{};
    int effect_ = -1;
    bool ramp_ = false;
};

}  // namespace

std::unique_ptr<ForceDevice> OpenHapticDevice() {
    if (SDL_WasInit(SDL_INIT_HAPTIC) == 0 && SDL_InitSubSystem(SDL_INIT_HAPTIC) != 0) return nullptr;
    for (int i = 0; i < SDL_NumHaptics(); ++i) {
        SDL_Haptic* haptic = SDL_HapticOpen(i);
        if (!haptic) continue;
        if (SDL_HapticQuery(haptic) & SDL_HAPTIC_CONSTANT) return std::make_unique<SdlForceDevice>(haptic);
        SDL_HapticClose(haptic);
    }
    return nullptr;
}

}  // namespace kes
