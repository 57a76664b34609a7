#pragma once
// The 24 tricks a rider can perform, the three combo tables that turn the trick buttons into a trick
// number, and the rider animation the bike body plays a trick through.
#include <cstdint>

namespace kes {

constexpr uint32_t kTrickCount = 24;

// When a trick may start.
enum TrickKind : uint32_t {
    kTrickAnyTime = 0,
    kTrickNotSlowOnGround = 1,  // not on the ground below speed 50
    kTrickAirOnly = 2,
};

struct TrickInfo {
    uint32_t animation;    // rider animation number
    uint32_t kind;         // TrickKind
    uint32_t balanceMode;  // 1 left-right balance, 2 on a disc (needs airAssist 2)
    uint32_t usesBalance;  // 1: scored by the balance game, 0: a fixed 10 points
};

// The trick's row, or null outside 1..24.
const TrickInfo* GetTrickInfo(uint32_t trick);
// The name the heads-up display shows while a trick runs. The name table has 51 entries and is
// indexed by the running trick's rider animation (the bike's trickAnim): its entries 13-36 only line
// up with the tricks that way. "" for an entry without a name or outside 0..50.
constexpr uint32_t kTrickNameCount = 51;
const char* GetTrickNameByAnimation(uint32_t animation);

// Combo recogniser (program-wide, like the controller that feeds it). Button codes are 1, 2, 4 and 8;
// a press adds the sum of the buttons newly held together to the sequence.
constexpr int32_t kTrickWaiting = -1;
constexpr int32_t kTrickNoCombo = -2;

int32_t GetTrickMode();
// Selects combo table 0, 1 or 2 (another value makes every feed return -2).
void SetTrickMode(int32_t table);
// Clears the pressed sequence and the previous button mask.
void ResetTrickInput();
// Feeds the trick buttons held now (4 bits). Returns a trick number 1-24 when a combo completes,
// kTrickWaiting while a combo may still complete, kTrickNoCombo when none can (the input is reset).
int32_t FeedTrickButtons(uint32_t mask);

// The rider animation as the bike body drives it for tricks (the racer's rider instance: its
// animation number and the progress of the running animation).
class RiderAnimation {
public:
    virtual ~RiderAnimation() = default;
    virtual bool IsRiderAnimStopped() const = 0;
    virtual void StartRiderAnim(uint32_t animation) = 0;
    virtual void StopRiderAnim() = 0;
    // Progress of the running animation, 0 at its first frame, 1.0 once it has played out.
    virtual float AnimProgress() const = 0;
    // The animation number and the progress both 0: the rider is free for a new trick.
    virtual bool AnimValuesClear() const = 0;
    virtual void ClearAnimValues() = 0;
};

// A rider animation that plays every animation for a fixed time: for tools, tests and benchmarks
// that have no rider model. Advance is called with the elapsed milliseconds.
class TimedRiderAnimation : public RiderAnimation {
public:
    explicit TimedRiderAnimation(uint32_t lengthMs = 1200) : lengthMs_(lengthMs) {}
    bool IsRiderAnimStopped() const override { return anim_ == 0; }
    void StartRiderAnim(uint32_t animation) override {
        anim_ = animation;
        clockMs_ = 0;
        progress_ = 0.0f;
    }
    void StopRiderAnim() override { anim_ = 0; }
    float AnimProgress() const override { return progress_; }
    bool AnimValuesClear() const override { return anim_ == 0 && progress_ == 0.0f; }
    void ClearAnimValues() override {
        anim_ = 0;
        progress_ = 0.0f;
    }
    void Advance(float ms);
    uint32_t Animation() const { return anim_; }

private:
    uint32_t lengthMs_;
    uint32_t anim_ = 0;
    float clockMs_ = 0.0f;
    float progress_ = 0.0f;
};

}  // namespace kes
