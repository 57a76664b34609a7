#pragma once
// The balancing game that runs while the rider holds a balance trick: a point drifts on a disc and
// the player nudges it back; the trick is lost when it leaves the disc.
#include <cstdint>

#include "game/core/maths/MathTypes.h"

namespace kes {

class TrickBalance {
public:
    TrickBalance() = default;

    void Start(uint32_t newMode);
    // 1 while the rider keeps balance, 0 once it is lost.
    int Update();
    void NudgeLeft() { drift.x -= nudge; }
    void NudgeRight() { drift.x += nudge; }
    void NudgeForward() { if (mode == 2) drift.y += nudge; }
    void NudgeBack() { if (mode == 2) drift.y -= nudge; }

    Vec3 point = {0.0f, 0.0f, 0.0f};
    Vec3 drift = {0.0f, 0.0f, 0.0f};
    float score = 0.0f;
    float nudge = 0.00025f;
    uint32_t mode = 1;
};

// The kick countdown shared by every balancing body (program-wide, like the original game).
int32_t& TrickBalanceKickCountdown();

}  // namespace kes
