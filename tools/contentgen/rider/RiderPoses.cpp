#include "tools/contentgen/rider/RiderPoses.h"

#include <algorithm>
#include <cmath>

namespace tools::rider {

namespace {

using meshkit::Dot;
using meshkit::Lerp;
using meshkit::Unit;
using plat::Cross;
using plat::Length;

// Where the game seats the rider: the rider space origin in bike space (rear axle at the origin),
// and the handlebar's grips on the steering head.
constexpr P3 kRiderOrigin{0.0f, 1.64561f + 1.1363636f, 0.48575f - 0.6684492f};
constexpr P3 kSteeringHead{0.0f, 1.64561f + 2.13199f, 0.48575f + 1.70005f};
constexpr P3 kGrip{0.98f, -0.57f, 0.75f};  // side 1's grip from the steering head

P3 RotateAbout(P3 axis, P3 v, float angle) {
    const P3 a = Unit(axis);
    const float c = std::cos(angle), s = std::sin(angle);
    return v * c + Cross(a, v) * s + a * (Dot(a, v) * (1.0f - c));
}

// The grip of a side in rider space with the bar turned for the steering value (the game turns the
// handlebar by half the steering value in radians about the steering head).
P3 Grip(int side, float steer) {
    const P3 g{side ? kGrip.x : -kGrip.x, kGrip.y, kGrip.z};
    return kSteeringHead + RotateAbout({0.0f, 320.0f, -640.0f}, g, 0.5f * steer) - kRiderOrigin;
}

// Two-bone reach from root toward target; the joint bends toward pole. Returns the joint and the end.
void Reach(P3 root, P3 target, float l1, float l2, P3 pole, P3* joint, P3* end) {
    P3 to = target - root;
    float d = Length(to);
    const P3 u = d > 1e-5f ? to * (1.0f / d) : P3{0, 0, -1};
    d = std::clamp(d, std::fabs(l1 - l2) + 1e-3f, l1 + l2 - 1e-4f);
    const float cosA = std::clamp((l1 * l1 + d * d - l2 * l2) / (2.0f * l1 * d), -1.0f, 1.0f);
    P3 w = pole - u * Dot(pole, u);
    if (Length(w) < 1e-5f) w = std::fabs(u.z) < 0.9f ? P3{0, 0, 1} - u * u.z : P3{0, 1, 0} - u * u.y;
    w = Unit(w);
    *joint = root + u * (l1 * cosA) + w * (l1 * std::sqrt(1.0f - cosA * cosA));
    *end = root + u * d;
}

float Smooth(float e0, float e1, float x) {
    const float t = std::clamp((x - e0) / (e1 - e0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

RiderPose Neutral(float steer) {
    RiderPose p;
    p.pelvis = {0.0f, -0.65f, 3.25f};
    p.pitch = 0.62f;
    p.headPitch = -0.45f;
    for (int s = 0; s < 2; ++s) {
        const float side = s ? 1.0f : -1.0f;
        p.hand[s] = Grip(s, steer);
        p.foot[s] = {0.55f * side, -0.2f, 0.42f};
        p.elbowPole[s] = {side, -0.4f, 0.3f};
        p.kneePole[s] = {0.35f * side, 1.0f, 0.2f};
    }
    return p;
}

// Side swapped: a trick done with the other hand or leg.
RiderPose Mirror(const RiderPose& p) {
    auto flip = [](P3 v) { return P3{-v.x, v.y, v.z}; };
    RiderPose m = p;
    m.pelvis = flip(p.pelvis);
    m.roll = -p.roll;
    m.yaw = -p.yaw;
    for (int s = 0; s < 2; ++s) {
        m.hand[s] = flip(p.hand[1 - s]);
        m.foot[s] = flip(p.foot[1 - s]);
        m.elbowPole[s] = flip(p.elbowPole[1 - s]);
        m.kneePole[s] = flip(p.kneePole[1 - s]);
    }
    return m;
}

// The trick poses of the animations, each done with side 1's hand or leg.
RiderPose Trick(int kind) {
    RiderPose p = Neutral(0.0f);
    switch (kind) {
        case 0:  // one hand off, waved high
            p.hand[1] = {1.3f, -0.3f, 5.6f};
            p.elbowPole[1] = {1, 0, -0.3f};
            p.roll = -0.1f;
            break;
        case 1:  // no-footer: both legs trail out behind
            p.pelvis = {0.0f, -0.5f, 3.5f};
            for (int s = 0; s < 2; ++s) {
                p.foot[s] = {s ? 1.2f : -1.2f, -2.6f, 2.6f};
                p.kneePole[s] = {0, 0, -1};
            }
            break;
        case 2:  // nac-nac: side 0's leg swung over the seat
            p.pelvis = {0.45f, -0.5f, 3.45f};
            p.roll = 0.25f;
            p.foot[0] = {1.6f, -2.4f, 2.4f};
            p.kneePole[0] = {0.5f, 0, 1};
            break;
        case 3:  // can-can: side 0's leg kicked over the front
            p.foot[0] = {1.4f, 1.6f, 2.6f};
            p.kneePole[0] = {0.3f, 0.3f, 1};
            p.yaw = -0.2f;
            break;
        case 4:  // superman: body stretched out behind the bars
            p.pelvis = {0.0f, -1.7f, 4.6f};
            p.pitch = 1.45f;
            p.headPitch = -1.0f;
            for (int s = 0; s < 2; ++s) {
                p.foot[s] = {s ? 0.45f : -0.45f, -4.6f, 4.4f};
                p.kneePole[s] = {0, 0, -1};
            }
            break;
        case 5:  // heel clicker: feet together over the bars
            p.pelvis = {0.0f, -0.9f, 3.3f};
            p.pitch = 0.15f;
            for (int s = 0; s < 2; ++s) {
                p.foot[s] = {s ? 0.15f : -0.15f, 2.2f, 4.2f};
                p.kneePole[s] = {s ? 0.6f : -0.6f, 0.4f, 1};
            }
            break;
        case 6:  // lazy boy: lying back, arms behind the head
            p.pelvis = {0.0f, -1.2f, 3.1f};
            p.pitch = -0.9f;
            p.headPitch = 0.3f;
            for (int s = 0; s < 2; ++s) {
                p.hand[s] = {s ? 0.7f : -0.7f, -2.6f, 4.2f};
                p.elbowPole[s] = {s ? 1.0f : -1.0f, 0, 0.5f};
                p.foot[s] = {s ? 0.8f : -0.8f, 1.2f, 3.2f};
            }
            break;
        case 7:  // seat grab: standing, side 1's hand on the rear fender
            p.pelvis = {0.0f, -0.2f, 3.9f};
            p.pitch = 0.9f;
            p.hand[1] = {0.45f, -2.6f, 3.0f};
            p.elbowPole[1] = {1, 0, 0.3f};
            break;
        case 8:  // cliffhanger: standing tall, feet hooked under the bars, arms up
            p.pelvis = {0.0f, 0.3f, 5.6f};
            p.pitch = -0.15f;
            p.headPitch = 0.1f;
            for (int s = 0; s < 2; ++s) {
                p.hand[s] = {s ? 1.5f : -1.5f, 0.3f, 8.0f};
                p.foot[s] = {s ? 0.7f : -0.7f, 0.7f, 2.7f};
                p.kneePole[s] = {s ? 0.4f : -0.4f, 1, 0};
            }
            break;
        case 9:  // Indian air: legs scissor
            p.pelvis = {0.0f, -0.6f, 3.6f};
            p.foot[0] = {-0.6f, 1.5f, 2.2f};
            p.foot[1] = {0.7f, -2.6f, 2.8f};
            p.kneePole[1] = {0, 0, -1};
            break;
        case 10:  // no-hander: arms spread wide
            p.pitch = 0.35f;
            for (int s = 0; s < 2; ++s) {
                p.hand[s] = {s ? 2.1f : -2.1f, -0.2f, 5.0f};
                p.elbowPole[s] = {0, -1, 0};
            }
            break;
        default:  // thrown about: arms and legs flung out
            p.pelvis = {0.2f, -0.9f, 3.9f};
            p.pitch = 0.2f;
            p.roll = 0.35f;
            p.headPitch = 0.3f;
            for (int s = 0; s < 2; ++s) {
                const float side = s ? 1.0f : -1.0f;
                p.hand[s] = {2.0f * side, -0.8f, 5.6f};
                p.foot[s] = {1.5f * side, -1.4f, 1.2f};
                p.kneePole[s] = {side, 0.5f, 0};
            }
            break;
    }
    return p;
}

// Row 1 leans back (a wheelie), row 2 leans forward off the pegs (a nose dive); place 0, 1 or 2.
RiderPose RowPose(int row, int place, float steer) {
    const float t = static_cast<float>(place) / 2.0f;
    if (row == 1) {
        RiderPose back = RidingPose(0.0f, -1.0f, 0.0f, steer);
        back.pelvis = {0.0f, -1.5f, 3.3f};
        back.pitch = -0.05f;
        back.headPitch = 0.0f;
        return BlendPoses(RidingPose(0.0f, -0.3f, 0.0f, steer), back, t);
    }
    RiderPose over = RidingPose(0.0f, 1.0f, 1.0f, steer);
    over.pelvis = {0.0f, 0.55f, 3.95f};
    over.pitch = 1.2f;
    over.headPitch = -0.9f;
    return BlendPoses(RidingPose(0.0f, 0.0f, 1.0f, steer), over, t);
}

struct AnimRange {
    int first, last;
};
constexpr AnimRange kAnims[37] = {
    {0, 0},     {40, 52},   {54, 68},   {70, 88},   {90, 106},  {108, 126}, {128, 152}, {154, 180},
    {182, 200}, {200, 214}, {216, 238}, {240, 256}, {258, 270}, {272, 284}, {286, 300}, {302, 324},
    {326, 336}, {338, 348}, {350, 360}, {362, 388}, {390, 390}, {392, 414}, {416, 428}, {430, 466},
    {468, 498}, {500, 526}, {528, 558}, {560, 586}, {588, 598}, {600, 622}, {624, 634}, {636, 646},
    {648, 662}, {664, 676}, {678, 690}, {692, 706}, {708, 722}};

// Animations that open with a row: the row and its steering (-1, 0, 1).
struct RowStart {
    int anim, row;
    float steer;
};
constexpr RowStart kRowStarts[] = {{16, 2, -1.0f}, {17, 2, 1.0f}, {18, 2, 0.0f},
                                   {28, 1, 0.0f},  {30, 1, 1.0f}, {31, 1, -1.0f}};

}  // namespace

RiderPose BlendPoses(const RiderPose& a, const RiderPose& b, float t) {
    RiderPose p;
    auto mix = [t](float x, float y) { return x + (y - x) * t; };
    p.pelvis = Lerp(a.pelvis, b.pelvis, t);
    p.pitch = mix(a.pitch, b.pitch);
    p.roll = mix(a.roll, b.roll);
    p.yaw = mix(a.yaw, b.yaw);
    p.headPitch = mix(a.headPitch, b.headPitch);
    for (int s = 0; s < 2; ++s) {
        p.hand[s] = Lerp(a.hand[s], b.hand[s], t);
        p.foot[s] = Lerp(a.foot[s], b.foot[s], t);
        p.elbowPole[s] = Lerp(a.elbowPole[s], b.elbowPole[s], t);
        p.kneePole[s] = Lerp(a.kneePole[s], b.kneePole[s], t);
    }
    return p;
}

Skeleton PoseSkeleton(const RiderPose& p) {
    Skeleton k;
    P3 lateral{1, 0, 0}, forward{0, 1, 0}, up{0, 0, 1};
    // Lean forward (pitch), then to the side (roll), then turn about the vertical (yaw).
    const P3 up1 = up * std::cos(p.pitch) + forward * std::sin(p.pitch);
    const P3 forward1 = forward * std::cos(p.pitch) - up * std::sin(p.pitch);
    const P3 up2 = up1 * std::cos(p.roll) + lateral * std::sin(p.roll);
    const P3 lateral2 = lateral * std::cos(p.roll) - up1 * std::sin(p.roll);
    k.up = RotateAbout({0, 0, 1}, up2, p.yaw);
    k.forward = RotateAbout({0, 0, 1}, forward1, p.yaw);
    k.lateral = RotateAbout({0, 0, 1}, lateral2, p.yaw);
    k.pelvis = p.pelvis;
    k.neck = p.pelvis + k.up * kTorsoLength;
    k.headUp = Unit(k.up * std::cos(p.headPitch) + k.forward * std::sin(p.headPitch));
    k.headTop = k.neck + k.headUp * kHeadHeight;
    for (int s = 0; s < 2; ++s) {
        const float side = s ? 1.0f : -1.0f;
        k.shoulder[s] = k.neck + k.lateral * (kShoulderHalf * side);
        k.hip[s] = p.pelvis + k.lateral * (kHipHalf * side) - k.up * 0.05f;
        k.elbowPole[s] = Unit(p.elbowPole[s]);
        k.kneePole[s] = Unit(p.kneePole[s]);
        Reach(k.shoulder[s], p.hand[s], kUpperArm, kForearm, k.elbowPole[s], &k.elbow[s], &k.hand[s]);
        Reach(k.hip[s], p.foot[s], kThigh, kShin, k.kneePole[s], &k.knee[s], &k.ankle[s]);
    }
    return k;
}

RiderPose RidingPose(float x, float y, float z, float steer) {
    RiderPose p = Neutral(steer);
    if (y > 0) {
        p.pelvis.y += 0.45f * y;
        p.pitch += 0.35f * y;
        p.headPitch -= 0.2f * y;
    } else {
        p.pelvis.y += 0.5f * y;
        p.pitch += 0.45f * y;
    }
    if (z > 0) {
        p.pelvis.z += 0.5f * z;
        p.pelvis.y += 0.25f * z;
        p.pitch += 0.1f * z;
        for (int s = 0; s < 2; ++s) p.kneePole[s].y += 0.5f * z;
    } else {
        p.pelvis.z += 0.15f * z;
        p.pitch -= 0.35f * z;
        p.headPitch += 0.25f * z;
        for (int s = 0; s < 2; ++s) p.elbowPole[s].x *= 1.0f - z;
    }
    p.pelvis.x += 0.4f * x;
    p.roll += 0.35f * x + 0.12f * steer;
    p.yaw -= 0.2f * steer;
    // The knee on the side leaned to opens out.
    p.kneePole[x < 0 ? 0 : 1].x += 0.9f * x;
    return p;
}

RiderPose BindPose() {
    RiderPose p;
    p.pelvis = {0.0f, 0.0f, 3.6f};
    for (int s = 0; s < 2; ++s) {
        const float side = s ? 1.0f : -1.0f;
        p.hand[s] = {side * (kShoulderHalf + kUpperArm + kForearm), 0.0f, 3.6f + kTorsoLength};
        p.foot[s] = {0.6f * side, 0.0f, 0.1f};
        p.elbowPole[s] = {0, -1, 0};
        p.kneePole[s] = {0, 1, 0};
    }
    return p;
}

std::vector<RiderPose> RiderFramePoses() {
    std::vector<RiderPose> poses(kRiderFrames, RidingPose(0, 0, 0, 0));
    poses[0] = poses[kBindFrame] = BindPose();
    // The pose space: key frames with their steering variants one before (left) and after (right).
    struct Key {
        int frame;
        float x, y, z;
    };
    const Key keys[] = {{35, 0, 0, 0},   {2, 0, 1, 0},    {11, -1, 1, 0}, {14, 0.5f, 1, 0},
                        {17, 1, 1, 0},   {20, -1, -1, 0}, {23, 0, -1, 0}, {32, 1, -1, 0},
                        {5, 0, 1, 1},    {29, 0, -1, 1},  {8, 0, 1, -1},  {26, 0, -1, -1}};
    for (const Key& k : keys)
        for (int s = -1; s <= 1; ++s) poses[k.frame + s] = RidingPose(k.x, k.y, k.z, static_cast<float>(s));
    // Trick animations: from riding into the trick, held, and back.
    for (int anim = 1; anim < 37; ++anim) {
        const AnimRange r = kAnims[anim];
        if (r.last == r.first) continue;  // animation 20 is the bind pose alone
        RiderPose trick = Trick((anim - 1) % 12);
        if ((anim - 1) / 12 % 2) trick = Mirror(trick);
        for (int f = r.first; f <= r.last; ++f) {
            const float t = static_cast<float>(f - r.first) / static_cast<float>(r.last - r.first);
            const float e = t < 0.5f ? Smooth(0.0f, 0.3f, t) : 1.0f - Smooth(0.7f, 1.0f, t);
            poses[static_cast<size_t>(f)] = BlendPoses(RidingPose(0, 0, 0, 0), trick, e);
        }
    }
    // Rows, and the animations that open with them and ease back to riding afterwards.
    for (const RowStart& rs : kRowStarts) {
        const AnimRange r = kAnims[rs.anim];
        for (int k = 0; k < 3; ++k) poses[static_cast<size_t>(r.first + k)] = RowPose(rs.row, k, rs.steer);
        const RiderPose end = poses[static_cast<size_t>(r.first + 2)];
        for (int f = r.first + 3; f <= r.last; ++f) {
            const float t = static_cast<float>(f - r.first - 2) / static_cast<float>(r.last - r.first - 2);
            poses[static_cast<size_t>(f)] = BlendPoses(end, RidingPose(0, 0, 0, 0), Smooth(0.0f, 1.0f, t));
        }
    }
    return poses;
}

}  // namespace tools::rider
