#pragma once
// The race's sounds and particles in racelab: the sound manager rendering into memory (headless),
// the bike, effect and rider banks from a data pack, the particle pool, and what was heard each
// frame: how many engines played at once and how many crashed riders cried out.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kes {
class RenderInterface;
struct RacerRecord;
}  // namespace kes

namespace tools {

struct RaceOutcome;

class RaceSound {
public:
    // packPath may be empty: the racers then run their effects without voices.
    RaceSound(const std::string& packPath, kes::RenderInterface* render);
    ~RaceSound();
    RaceSound(const RaceSound&) = delete;
    RaceSound& operator=(const RaceSound&) = delete;
    void AfterFrame(uint32_t frameMs, const std::vector<kes::RacerRecord*>& racers, RaceOutcome* outcome);

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace tools
