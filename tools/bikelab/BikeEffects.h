#pragma once
// What a bikelab run throws up and sounds like: the particles the bike's steps emit, and (with a data
// pack holding the sounds) its engine bank heard through a sound device that renders into memory,
// with the listener riding along. Reported on standard error after the run.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "game/world/physics/BikeBody.h"

namespace tools {

struct EngineHeard {
    int voice = -1;       // Constant1..4 as 0..3
    double firstTime = 0; // seconds: when it first played at full volume
    double level = 0;     // loudness (RMS of the mix) of the last half second it was the one heard
    double pitch = 0;     // its fundamental in hertz (autocorrelation)
};

struct EffectsReport {
    uint32_t dust = 0, exhaust = 0;  // most particles alive at once, ground spray and exhaust
    bool sound = false;              // the engine bank was loaded and heard
    std::vector<EngineHeard> engine; // each Constant voice in the order it took over
};

class BikeEffects {
public:
    // packPath empty: particles only.
    explicit BikeEffects(const std::string& packPath);
    ~BikeEffects();
    BikeEffects(const BikeEffects&) = delete;
    BikeEffects& operator=(const BikeEffects&) = delete;

    // With the step's controls set: the spray and the engine follow them as the step will see them.
    void BeforeStep(const kes::BikeBody& bike);
    void AfterFrame(int frameMs, double seconds);
    const EffectsReport& Report() const { return report_; }
    std::string Summary() const;

private:
    struct Sound;
    std::unique_ptr<Sound> sound_;
    EffectsReport report_;
};

}  // namespace tools
