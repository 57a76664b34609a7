// Progress of a bike along the AI track: the current gate, laps at the start/finish gate, the
// progress measure for the position display, the last positions on the track for resets and the
// angle from the heading to the aim.
#include <cmath>

#include "game/core/maths/VecMath.h"
#include "game/world/aitrack/AiTrack.h"
#include "game/world/physics/BikeBody.h"
#include "game/world/physics/BikeProgress.h"
#include "game/world/race/RaceRacers.h"
#include "platform/sys/CrtRand.h"

namespace kes {

namespace {

constexpr float kRadToDeg = 57.29578f;
constexpr int32_t kStuckLimit = 3000;
constexpr float kTrackPointReach = 30.0f;

bool IsSteeredByComputer(int32_t controlClass) {
    return controlClass == kClassComputer || controlClass == kClassInert;
}

float Cross2(const Vec3& a, const Vec3& b) { return a.x * b.y - a.y * b.x; }

int32_t WrapDown(int32_t waypoint, int32_t max) { return waypoint < 0 ? max : waypoint; }

// The point a computer rider aims at on a gate: a random fraction 0.3..0.7 of the way from the first
// end point to the second.
Vec3 LanePoint(const AiGate& gate) {
    const float f = 0.3f + 0.4f * static_cast<float>(plat::SimRand()) / 32767.0f;
    return {gate.endB.x * f + gate.endA.x * (1.0f - f), gate.endB.y * f + gate.endA.y * (1.0f - f),
            gate.endB.z * f + gate.endA.z * (1.0f - f)};
}

// The start gate is passed when the rear wheel crossed its line during the last step. A gate of no
// length has no line: the rear wheel passing within its radius counts instead.
bool CrossedStartLine(const AiGate& gate, const Vec3& rearNow, const Vec3& rearBefore) {
    Vec3 e, now, before;
    Vec3Sub(&gate.endB, &gate.endA, &e);
    if (e.x == 0.0f && e.y == 0.0f) {
        const float dx = rearNow.x - gate.reference.x, dy = rearNow.y - gate.reference.y;
        return dx * dx + dy * dy < gate.radius * gate.radius;
    }
    Vec3Sub(&rearNow, &gate.endA, &now);
    Vec3Sub(&rearBefore, &gate.endA, &before);
    const float a = Cross2(e, now), b = Cross2(e, before);
    return a == 0.0f || b == 0.0f || (a < 0.0f) != (b < 0.0f);
}

float FlatDistance(const Vec3& a, const Vec3& b) {
    const float dx = a.x - b.x, dy = a.y - b.y;
    return std::sqrt(dx * dx + dy * dy);
}

// Unit direction on the ground plane from a to b, zero when they coincide there.
Vec3 FlatDirection(const Vec3& a, const Vec3& b) {
    Vec3 d = {b.x - a.x, b.y - a.y, 0.0f};
    Vec3Normalize(&d);
    return d;
}

}  // namespace

namespace {

// Which side of the edge from -> to the point lies on, on the ground plane (the sign tells).
float EdgeSide(const Vec3& p, const Vec3& from, const Vec3& to) {
    const float ex = to.x - from.x, ey = to.y - from.y;
    return (p.x - from.x) * -ey + (p.y - from.y) * ex;
}

// PointInQuad in line for the progress below, which asks it up to three times a step.
[[gnu::always_inline]] inline bool InQuad(const Vec3& p, const Vec3& a, const Vec3& b, const Vec3& c, const Vec3& d) {
    const float side0 = EdgeSide(p, a, b), side1 = EdgeSide(p, b, c), side2 = EdgeSide(p, c, d),
                side3 = EdgeSide(p, d, a);
    return side0 * side1 > 0.0f && side3 * side2 > 0.0f && side3 * side0 > 0.0f;
}

}  // namespace

bool PointInQuad(const Vec3& p, const Vec3& a, const Vec3& b, const Vec3& c, const Vec3& d) {
    return InQuad(p, a, b, c, d);
}

float BikeBody::TrackProgress() {
    lastPosition = centre;
    if (!hasRoute) {
        onTrack = IsOnTrack(centre.x, centre.y) ? 1u : 0u;
        if (onTrack) lastGatePassed = currentGate;
        return 0.0f;
    }
    onRoute = 0;

    if (env.gameMode == 2) {
        const uint32_t count = GetTrackPointCount();
        if (count == 0) return 0.0f;
        if (currentGate < 0 || static_cast<uint32_t>(currentGate) >= count) currentGate = 0;
        const TrackPoint* points = GetTrackPoints();
        const Vec3 point = {points[currentGate].x, points[currentGate].y, points[currentGate].z};
        aimPoint = point;
        const float d = FlatDistance(centre, point);
        progress = std::fmin(std::fmax(1.0f - d / 4000.0f, 0.0f), 1.0f);
        if (d < kTrackPointReach) {
            if (static_cast<uint32_t>(++currentGate) >= count) {
                currentGate = 0;
                ++laps;
                if (env.events) env.events->OnLap();
            }
            passedGate = 1;
            const TrackPoint& next = points[currentGate];
            aimPoint = {next.x, next.y, next.z};
        }
    } else {
        const int32_t max = GetAiWaypointMax();
        if (currentGate < 0 || currentGate > max) currentGate = 0;
        const bool computer = IsSteeredByComputer(controlClass);
        if (lane < 0 || lane >= GetAiLaneCount(currentGate)) lane = 0;
        if (controlClass == kClassComputer && ++stuckSteps > kStuckLimit) riding = 0;

        const int32_t previous = WrapDown(currentGate - 1, max);
        const int32_t beforePrevious = WrapDown(previous - 1, max);
        const int32_t next = currentGate + 1 > max ? 0 : currentGate + 1;
        const AiGate* prevGate = GetAiGate(previous, 0);
        const AiGate* beforeGate = GetAiGate(beforePrevious, 0);
        const AiGate* nextGate = GetAiGate(next, 0);
        const AiGate* start = GetStartGate();
        const int32_t firstLane = computer ? lane : 0;
        const int32_t endLane = computer ? lane + 1 : GetAiLaneCount(currentGate);
        const Vec3& rear = body.particles[0].position;
        for (int32_t l = firstLane; l < endLane; ++l) {
            const AiGate* gate = GetAiGate(currentGate, l);
            if (gate == nullptr) continue;
            if (!onRoute && prevGate != nullptr) {
                onRoute = InQuad(centre, gate->endA, gate->endB, prevGate->endB, prevGate->endA) ||
                          (beforeGate != nullptr &&
                           InQuad(centre, prevGate->endA, prevGate->endB, beforeGate->endB, beforeGate->endA));
            }
            bool passed;
            if (gate == start) {
                const bool nearNext = nextGate != nullptr &&
                                      InQuad(centre, nextGate->endA, nextGate->endB, gate->endB, gate->endA);
                passed = CrossedStartLine(*gate, rear, rearBeforeStep) && (onRoute || nearNext);
            } else {
                const float reach = computer ? gate->radius : 2.0f * gate->radius;
                passed = FlatDistance(centre, gate->reference) < reach;
            }
            if (!passed) continue;
            if (gate == start) {
                ++laps;
                if (env.events) env.events->OnLap();
            }
            currentGate = currentGate + 1 > max ? 0 : currentGate + 1;
            const int32_t lanes = GetAiLaneCount(currentGate);
            lane = lanes < 2 ? 0 : plat::SimRand() % lanes;
            const AiGate* aimGate = GetAiGate(currentGate, lane);
            if (aimGate != nullptr) aimPoint = computer ? LanePoint(*aimGate) : aimGate->reference;
            stuckSteps = 0;
            passedGate = 1;
            break;
        }

        // Progress runs from the previous waypoint's gate to the current one (lane 0 of each), the
        // same measure for every rider whatever lane it aims at.
        const AiGate* from = GetAiGate(WrapDown(currentGate - 1, max), 0);
        const AiGate* to = GetAiGate(currentGate, 0);
        progress = 0.0f;
        if (from != nullptr && to != nullptr) {
            const float ux = to->reference.x - from->reference.x, uy = to->reference.y - from->reference.y;
            const float length = std::sqrt(ux * ux + uy * uy);
            // Two gates at one point give no direction to measure along: no progress rather than a
            // division by zero that would reach the ranking and the network stamp.
            if (length > 1.0e-4f) {
                float p = ((centre.x - from->reference.x) * ux + (centre.y - from->reference.y) * uy) /
                          (length * length);
                if (p > 1.0f) p = 1.0f;
                if (p < 0.0f) p /= 10.0f;
                progress = p;
            }
        }
    }

    onTrack = IsOnTrack(centre.x, centre.y) ? 1u : 0u;
    if (onTrack) {
        lastOnTrack = centre;
        lastGatePassed = currentGate;
        if (onRoute) {
            resetPosition = centre;
            resetGate = currentGate;
        }
    }

    const Vec3 heading = FlatDirection({0.0f, 0.0f, 0.0f}, forward);
    const Vec3 toAim = FlatDirection(centre, aimPoint);
    float dot = Vec3Dot(&heading, &toAim);
    dot = dot < -1.0f ? -1.0f : (dot > 1.0f ? 1.0f : dot);
    const float angle = std::acos(dot) * kRadToDeg;
    return Cross2(toAim, heading) < 0.0f ? -angle : angle;
}

void BikeBody::InitRoute(Vec3* startPosition) {
    currentGate = 1;
    if (controlClass == kClassInert) currentGate = 1 + plat::SimRand() % 10;
    lane = 0;
    const AiGate* start = GetStartGate();
    const AiGate* gate = GetAiGate(currentGate, 0);
    hasRoute = 0;
    if (start != nullptr && gate != nullptr) {
        aimPoint = controlClass == kClassLocal ? gate->reference : LanePoint(*gate);
        aimPoint.z = env.ground->HeightAt(aimPoint.x, aimPoint.y) + 3.0f;
        hasRoute = 1;
    }
    if (controlClass == kClassInert) {
        startPosition->x = static_cast<float>(plat::SimRand() % 1000);
        startPosition->y = static_cast<float>(plat::SimRand() % 1000);
    }
    Vec3 onGround = *startPosition;
    onGround.z = env.ground->HeightAt(onGround.x, onGround.y) + 3.0f;
    resetPosition = lastOnTrack = onGround;
    lastGatePassed = resetGate = currentGate;
    lastPosition = *startPosition;
    stuckSteps = 0;
    passedGate = 0;
    laps = 0;
    progress = 0.0f;
    if (env.gameMode == 2) {
        currentGate = 0;
        const TrackPoint& first = GetTrackPoints()[0];
        aimPoint = {first.x, first.y, first.z};
    }
}

bool BikeBody::FacesAgainstCourse() const {
    if (!hasRoute) return false;
    Vec3 from;
    if (env.gameMode == 2) {
        const uint32_t count = GetTrackPointCount();
        if (count == 0 || currentGate < 0 || static_cast<uint32_t>(currentGate) >= count) return false;
        const TrackPoint& p = GetTrackPoints()[currentGate == 0 ? count - 1 : static_cast<uint32_t>(currentGate) - 1];
        from = {p.x, p.y, p.z};
    } else {
        const AiGate* gate = GetAiGate(WrapDown(currentGate - 1, GetAiWaypointMax()), 0);
        if (gate == nullptr) return false;
        from = gate->reference;
    }
    const Vec3 course = FlatDirection(from, aimPoint);
    const Vec3 heading = FlatDirection({0.0f, 0.0f, 0.0f}, forward);
    return Vec3Dot(&heading, &course) < -0.3f;
}

}  // namespace kes
