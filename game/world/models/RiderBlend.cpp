#include "game/world/models/RiderBlend.h"

#include <algorithm>
#include <cmath>

#include "game/core/maths/FastMath.h"
#include "game/core/maths/VecMath.h"

namespace kes {

const RiderAnimRange kRiderAnimTable[kRiderAnimCount] = {
    {0, 0},     {40, 52},   {54, 68},   {70, 88},   {90, 106},  {108, 126}, {128, 152}, {154, 180},
    {182, 200}, {200, 214}, {216, 238}, {240, 256}, {258, 270}, {272, 284}, {286, 300}, {302, 324},
    {326, 336}, {338, 348}, {350, 360}, {362, 388}, {390, 390}, {392, 414}, {416, 428}, {430, 466},
    {468, 498}, {500, 526}, {528, 558}, {560, 586}, {588, 598}, {600, 622}, {624, 634}, {636, 646},
    {648, 662}, {664, 676}, {678, 690}, {692, 706}, {708, 722}};

const int32_t kRiderPoseTriangles[7][3] = {{35, 20, 23}, {35, 23, 32}, {35, 11, 20}, {35, 17, 32},
                                           {35, 2, 14},  {35, 11, 2},  {35, 14, 17}};

namespace {

constexpr float kFramePeriod = 110.0f;
constexpr float kRowLength = 2.0f;
constexpr float kTriangleTolerance = 0.0099f;

struct RiderRow {
    int32_t base, belowZero, zeroOrAbove;  // first frames of the row and of its two variant rows
};
constexpr RiderRow kRow1{588, 636, 624};
constexpr RiderRow kRow2{350, 326, 338};

// Apex frames: above the plane (z > 0) and below it, each blended by y.
constexpr int32_t kApexAboveHigh = 5, kApexAboveLow = 29, kApexBelowHigh = 8, kApexBelowLow = 26;

float Clamp(float v, float lo, float hi) {
    if (!(v >= lo)) return v != v ? 0.0f : lo;  // not a number counts as the middle of nowhere: 0
    return v > hi ? hi : v;
}

float Volume(const Vec3& p0, const Vec3& p1, const Vec3& p2, const Vec3& p3) {
    Vec3 a, b, c, n;
    Vec3Sub(&p1, &p0, &a);
    Vec3Sub(&p2, &p0, &b);
    Vec3Sub(&p3, &p0, &c);
    Vec3Cross(&b, &c, &n);
    return static_cast<float>(FloatAbs(Vec3Dot(&a, &n))) / 6.0f;
}

Vec3 ApexPoint(float y, float z) { return {0.0f, y, z > 0.0f ? 1.0f : -1.0f}; }

// out = f x a + (1 - f) x b, positions only.
void Mix(SourceVertex* out, const SourceVertex* a, const SourceVertex* b, float f, uint32_t count) {
    const float g = 1.0f - f;
    for (uint32_t i = 0; i < count; ++i) {
        out[i].x = f * a[i].x + g * b[i].x;
        out[i].y = f * a[i].y + g * b[i].y;
        out[i].z = f * a[i].z + g * b[i].z;
    }
}

void BlendRow(RiderModel& model, const RiderRow& row, float place, float steer, SourceVertex* out) {
    const int32_t variant = steer < 0.0f ? row.belowZero : row.zeroOrAbove;
    const float a = std::fabs(steer);
    const int32_t k = static_cast<int32_t>(kRowLength * place);  // toward zero
    const int32_t k2 = static_cast<float>(k + 1) > kRowLength ? static_cast<int32_t>(kRowLength) : k + 1;
    const uint32_t n = model.VertexCount();
    SourceVertex* workA = model.blendWorkA.data();
    SourceVertex* workB = model.blendWorkB.data();
    Mix(workB, model.Frame(static_cast<uint32_t>(variant + k)), model.Frame(static_cast<uint32_t>(row.base + k)), a, n);
    Mix(workA, model.Frame(static_cast<uint32_t>(variant + k2)), model.Frame(static_cast<uint32_t>(row.base + k2)), a,
        n);
    const float u = kRowLength * place - static_cast<float>(k);
    Mix(out, workA, workB, u, n);
}

}  // namespace

void InitRiderPosePoints(RiderModel& model) {
    model.posePoints.fill(Vec3{0.0f, 0.0f, 0.0f});
    model.posePoints[35] = {0.0f, 0.0f, 0.0f};
    model.posePoints[2] = {0.0f, 1.0f, 0.0f};
    model.posePoints[11] = {-1.0f, 1.0f, 0.0f};
    model.posePoints[14] = {0.5f, 1.0f, 0.0f};
    model.posePoints[17] = {1.0f, 1.0f, 0.0f};
    model.posePoints[20] = {-1.0f, -1.0f, 0.0f};
    model.posePoints[23] = {0.0f, -1.0f, 0.0f};
    model.posePoints[32] = {1.0f, -1.0f, 0.0f};
}

int32_t FindRiderPoseTriangle(const RiderModel& model, float x, float y, float z) {
    const Vec3 point{x, y, z};
    const Vec3 apex = ApexPoint(y, z);
    for (int32_t t = 0; t < 7; ++t) {
        const Vec3& a1 = model.posePoints[kRiderPoseTriangles[t][0]];
        const Vec3& a2 = model.posePoints[kRiderPoseTriangles[t][1]];
        const Vec3& a3 = model.posePoints[kRiderPoseTriangles[t][2]];
        const float parts = Volume(point, apex, a1, a2) + Volume(point, apex, a1, a3) + Volume(point, apex, a2, a3) +
                            Volume(point, a1, a2, a3);
        const float whole = Volume(apex, a1, a2, a3);
        if (std::fabs(whole - parts) < kTriangleTolerance) return t;
    }
    return 0;
}

void BuildRiderPoseBlend(RiderModel& model, RiderPoseBlend* blend, float x, float y, float z, float steer) {
    const int32_t t = FindRiderPoseTriangle(model, x, y, z);
    const int32_t k1 = kRiderPoseTriangles[t][0], k2 = kRiderPoseTriangles[t][1], k3 = kRiderPoseTriangles[t][2];
    const Vec3 &a1 = model.posePoints[k1], &a2 = model.posePoints[k2], &a3 = model.posePoints[k3];
    const int32_t s = steer < 0.0f ? -1 : 1;
    const float f = (y + 1.0f) / 2.0f;
    const int32_t high = z > 0.0f ? kApexAboveHigh : kApexBelowHigh;
    const int32_t low = z > 0.0f ? kApexAboveLow : kApexBelowLow;
    const uint32_t n = model.VertexCount();
    Mix(model.blendWorkA.data(), model.Frame(static_cast<uint32_t>(high)), model.Frame(static_cast<uint32_t>(low)), f,
        n);
    Mix(model.blendWorkB.data(), model.Frame(static_cast<uint32_t>(high + s)),
        model.Frame(static_cast<uint32_t>(low + s)), f, n);
    const Vec3 point{x, y, z};
    const Vec3 apex = ApexPoint(y, z);
    const float v1 = Volume(point, a2, a3, apex), v2 = Volume(point, a1, a3, apex), v3 = Volume(point, a1, a2, apex),
                v4 = Volume(point, a1, a2, a3);
    const float total = v4 + v3 + v2 + v1;
    if (total > 0.0f) {
        blend->weight1 = v1 / total, blend->weight2 = v2 / total, blend->weight3 = v3 / total;
        blend->weight4 = v4 / total;
    } else {
        blend->weight1 = 1.0f, blend->weight2 = blend->weight3 = blend->weight4 = 0.0f;
    }
    blend->frame1 = model.Frame(static_cast<uint32_t>(k1));
    blend->frame2 = model.Frame(static_cast<uint32_t>(k2));
    blend->frame3 = model.Frame(static_cast<uint32_t>(k3));
    blend->variant1 = model.Frame(static_cast<uint32_t>(k1 + s));
    blend->variant2 = model.Frame(static_cast<uint32_t>(k2 + s));
    blend->variant3 = model.Frame(static_cast<uint32_t>(k3 + s));
    blend->apex = model.blendWorkA.data();
    blend->apexVariant = model.blendWorkB.data();
    blend->plainWeight = 1.0f - std::fabs(steer);
    blend->variantWeight = 1.0f - blend->plainWeight;
}

void ApplyRiderPoseBlend(const RiderPoseBlend& b) {
    const float w1 = b.weight1, w2 = b.weight2, w3 = b.weight3, w4 = b.weight4;
    const float plain = b.plainWeight, variant = b.variantWeight;
    for (uint32_t i = 0; i < b.count; ++i) {
        const SourceVertex &f1 = b.frame1[i], &f2 = b.frame2[i], &f3 = b.frame3[i], &ap = b.apex[i];
        const SourceVertex &v1 = b.variant1[i], &v2 = b.variant2[i], &v3 = b.variant3[i], &av = b.apexVariant[i];
        SourceVertex& o = b.out[i];
        o.x = (w1 * f1.x + w2 * f2.x + w3 * f3.x + w4 * ap.x) * plain + (w1 * v1.x + w2 * v2.x + w3 * v3.x + w4 * av.x) * variant;
        o.y = (w1 * f1.y + w2 * f2.y + w3 * f3.y + w4 * ap.y) * plain + (w1 * v1.y + w2 * v2.y + w3 * v3.y + w4 * av.y) * variant;
        o.z = (w1 * f1.z + w2 * f2.z + w3 * f3.z + w4 * ap.z) * plain + (w1 * v1.z + w2 * v2.z + w3 * v3.z + w4 * av.z) * variant;
    }
}

void BlendRiderRow1(RiderModel& model, float place, float steer, SourceVertex* out) {
    BlendRow(model, kRow1, place, steer, out);
}

void BlendRiderRow2(RiderModel& model, float place, float steer, SourceVertex* out) {
    BlendRow(model, kRow2, place, steer, out);
}

void PlayRiderAnim(RiderModel& model, RiderInstance& rider) {
    const uint32_t number = std::min(rider.anim, kRiderAnimCount - 1);
    const RiderAnimRange range = kRiderAnimTable[number];
    const uint32_t steps = rider.animClock / kRiderFramePeriodMs;
    // The clock can run for hours; beyond the table any step count ends the animation.
    int64_t i = static_cast<int64_t>(range.first) + steps, j = i + 1;
    if (j > range.last) {
        i = j = range.last;
        rider.anim = 0;
        rider.animProgress = 1.0f;
    } else {
        rider.animProgress = static_cast<float>(i - range.first) / static_cast<float>(range.last - range.first);
    }
    const float r = static_cast<float>(rider.animClock % kRiderFramePeriodMs);
    const float w = (kFramePeriod - r) / kFramePeriod;
    Mix(rider.vertices.data(), model.Frame(static_cast<uint32_t>(i)), model.Frame(static_cast<uint32_t>(j)), w,
        model.VertexCount());
}

void BlendRiderPose(RiderModel& model, RiderInstance& rider) {
    if (!model.mesh || rider.vertices.size() < model.VertexCount() ||
        model.blendWorkA.size() < model.VertexCount() || model.blendWorkB.size() < model.VertexCount())
        return;
    if (rider.anim != 0) {
        PlayRiderAnim(model, rider);
        return;
    }
    float x = Clamp(rider.poseX, -1.0f, 1.0f), z = Clamp(rider.poseZ, -1.0f, 1.0f);
    const float s = static_cast<float>(FloatAbs(x) + FloatAbs(z));
    if (s > 1.0f) x = x / s, z = z / s;
    const float y = Clamp(rider.poseY, -1.0f, 1.0f), steer = Clamp(rider.poseSteer, -1.0f, 1.0f);
    if (rider.poseOn == 0) return;
    SourceVertex* out = rider.vertices.data();
    if (rider.rowPose1 != 0.0f) return BlendRiderRow1(model, Clamp(rider.rowPose1, 0.0f, 1.0f), steer, out);
    if (rider.rowPose2 != 0.0f) return BlendRiderRow2(model, Clamp(rider.rowPose2, 0.0f, 1.0f), steer, out);
    RiderPoseBlend blend;
    BuildRiderPoseBlend(model, &blend, x, y, z, steer);
    blend.out = out;
    blend.count = model.VertexCount();
    ApplyRiderPoseBlend(blend);
}

}  // namespace kes
