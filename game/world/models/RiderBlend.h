#pragma once
// The riding rider's shape, blended from the rider mesh's key frames into the racer's vertex copy.
// Three ways, tried in order: a running animation (a range of frames at 110 ms a frame), a row pose
// (a place along a row of three frames, each mixed with its steering variant), and the pose-space
// blend (the pose point found in one of seven tetrahedra of key poses; its barycentric weights blend
// the key frames and, by the steering value, their steering variants). Only positions are blended.
#include <cstdint>

#include "game/core/render/RenderInterface.h"
#include "game/world/models/RiderModel.h"

namespace kes {

struct RiderAnimRange {
    int32_t first, last;
};
constexpr uint32_t kRiderAnimCount = 37;
constexpr uint32_t kRiderFramePeriodMs = 110;
extern const RiderAnimRange kRiderAnimTable[kRiderAnimCount];

// The seven triangles of key frames in the plane z = 0, searched in this order.
extern const int32_t kRiderPoseTriangles[7][3];

struct RiderPoseBlend {
    const SourceVertex* frame1 = nullptr;
    const SourceVertex* frame2 = nullptr;
    const SourceVertex* frame3 = nullptr;
    const SourceVertex* apex = nullptr;
    const SourceVertex* variant1 = nullptr;
    const SourceVertex* variant2 = nullptr;
    const SourceVertex* variant3 = nullptr;
    const SourceVertex* apexVariant = nullptr;
    float weight1 = 0, weight2 = 0, weight3 = 0, weight4 = 0;
    float plainWeight = 1.0f;
    float variantWeight = 0.0f;
    SourceVertex* out = nullptr;
    uint32_t count = 0;
};

// Poses the instance's copy: the running animation, else (with poseOn) a row pose or the pose-space
// blend. Pose values outside -1..1, row places outside 0..1 and animation numbers above 36 are held
// at the ends of their ranges.
void BlendRiderPose(RiderModel& model, RiderInstance& rider);
// One step of the running animation into the copy; ends it (anim 0, progress 1.0) on its last frame.
void PlayRiderAnim(RiderModel& model, RiderInstance& rider);
// The triangle (0-6) whose tetrahedron holds the point; 0 when none does.
int32_t FindRiderPoseTriangle(const RiderModel& model, float x, float y, float z);
// Fills every field but out and count, and the two work arrays with the apex poses.
void BuildRiderPoseBlend(RiderModel& model, RiderPoseBlend* blend, float x, float y, float z, float steer);
void ApplyRiderPoseBlend(const RiderPoseBlend& blend);
// Row poses into out: place 0 the row's first frame, 0.5 its middle one, 1.0 its last.
void BlendRiderRow1(RiderModel& model, float place, float steer, SourceVertex* out);
void BlendRiderRow2(RiderModel& model, float place, float steer, SourceVertex* out);
void InitRiderPosePoints(RiderModel& model);

}  // namespace kes
