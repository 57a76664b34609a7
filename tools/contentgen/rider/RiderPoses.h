#pragma once
// The generated rider's skeleton and its 723 key-frame poses. Poses are given by a few values (pelvis,
// torso lean, hand and foot targets, where elbows and knees point) and turned into joint positions by
// forward and two-bone inverse kinematics, so that every frame is a real pose of one body: the
// riding poses of the pose space with their steering variants, the apex poses, the rows, the trick
// animations and the bind pose of frame 390.
//
// Rider space: x to the side, y forward, z up, the origin between the footpegs; the rider mesh is
// this turned half about z (the game turns it back when it seats the rider). Side 0 is the side of
// skeleton nodes 0, 3, 4, 7, 8 (x < 0), side 1 that of nodes 1, 5, 6, 9, 10.
#include <vector>

#include "tools/contentgen/meshkit/MeshKit.h"

namespace tools::rider {

using meshkit::P3;

constexpr int kRiderFrames = 723;
constexpr int kBindFrame = 390;

// Body sizes in world units, from the rider body's segment lengths.
constexpr float kTorsoLength = 1.12f;    // pelvis to neck
constexpr float kShoulderHalf = 0.565f;
constexpr float kUpperArm = 0.77f;
constexpr float kForearm = 0.82f;        // elbow to the middle of the hand
constexpr float kThigh = 1.72f;
constexpr float kShin = 1.86f;           // knee to ankle
constexpr float kHipHalf = 0.3f;
constexpr float kHeadHeight = 0.95f;     // neck to the top of the helmet

struct RiderPose {
    P3 pelvis;
    float pitch = 0, roll = 0, yaw = 0, headPitch = 0;  // radians: lean forward, to side 1, turn left; nod
    P3 hand[2], foot[2];                                 // targets (the feet: ankles)
    P3 elbowPole[2], kneePole[2];                        // where elbows and knees point
};

RiderPose BlendPoses(const RiderPose& a, const RiderPose& b, float t);

struct Skeleton {
    P3 pelvis, neck, headTop;
    P3 lateral, forward, up, headUp;  // the torso's frame (lateral toward side 1) and the head's up
    P3 shoulder[2], elbow[2], hand[2], hip[2], knee[2], ankle[2];
    P3 elbowPole[2], kneePole[2];
};
Skeleton PoseSkeleton(const RiderPose& pose);

// The riding pose at a point of the pose space: x side lean, y forward (+) or back (-), z standing (+)
// or crouching (-), steer -1 (left) to 1 (right) with the hands on the turned grips.
RiderPose RidingPose(float x, float y, float z, float steer);
// Arms out to the sides, standing straight: the skeleton's bind pose (frames 0 and 390).
RiderPose BindPose();

// Every frame's pose, in frame order.
std::vector<RiderPose> RiderFramePoses();

}  // namespace tools::rider
