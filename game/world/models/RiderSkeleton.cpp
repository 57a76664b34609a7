#include "game/world/models/RiderSkeleton.h"

#include <cmath>

#include "game/core/maths/FastMath.h"
#include "game/core/maths/VecMath.h"

namespace kes {

namespace {

constexpr float kTwoPi = 6.2831855f;

Vec3 Normalized(Vec3 v) {
    Vec3Normalize(&v);
    return v;
}

Vec3 SideAxis(const Vec3& axis, const Vec3& r) {
    Vec3 side;
    Vec3Cross(&axis, &r, &side);
    return Normalized(side);
}

}  // namespace

RiderBoneCoords RiderBoneLocal(const Vec3& p, const Vec3& a, const Vec3& b, const Vec3& r) {
    Vec3 u, v;
    Vec3Sub(&p, &a, &u);
    Vec3Sub(&b, &a, &v);
    const Vec3 un = Normalized(u), vn = Normalized(v);
    const float c = Vec3Dot(&un, &vn);
    // Table normalising can leave |c| a hair above 1.
    const float s = FastSqrt(std::fmax(0.0f, 1.0f - c * c));
    const float lu = Vec3Length(&u), lv = Vec3Length(&v);
    RiderBoneCoords out;
    out.t = lv == 0.0f ? 0.0f : lu * c / lv;
    out.r = lu * s;
    Vec3 foot, along;
    Vec3Scale(&v, &along, out.t);
    Vec3Add(&a, &along, &foot);
    Vec3 n;
    Vec3Sub(&p, &foot, &n);
    n = Normalized(n);
    const Vec3 axis = vn;
    Vec3 side;
    if (axis.x == r.x && axis.y == r.y && axis.z == r.z) {
        const Vec3 yAxis{0.0f, 1.0f, 0.0f};
        side = SideAxis(axis, yAxis);
    } else {
        side = SideAxis(axis, r);
    }
    float c2 = Vec3Dot(&side, &n);
    c2 = std::fmin(1.0f, std::fmax(-1.0f, c2));
    Vec3 turn;
    Vec3Cross(&n, &side, &turn);
    turn = Normalized(turn);
    const float angle = static_cast<float>(std::acos(static_cast<double>(c2)));
    out.angle = Vec3Dot(&turn, &axis) <= 0.0f ? angle : kTwoPi - angle;
    return out;
}

RiderBoneFrame MakeRiderBoneFrame(const Vec3& a, const Vec3& b, const Vec3& r) {
    RiderBoneFrame f;
    f.start = a;
    Vec3Sub(&b, &a, &f.span);
    f.axis = Normalized(f.span);
    f.side = SideAxis(f.axis, r);
    return f;
}

Vec3 RiderBoneWorld(const RiderBoneFrame& bone, const RiderBoneCoords& local) {
    Vec3 along, foot;
    Vec3Scale(&bone.span, &along, local.t);
    Vec3Add(&bone.start, &along, &foot);
    Vec3 d;
    Vec3RotateAxis(&bone.axis, &bone.side, local.angle, &d);
    Vec3 out;
    Vec3Scale(&d, &d, local.r);
    Vec3Add(&foot, &d, &out);
    return out;
}

Vec3 RiderBoneWorld(const Vec3& a, const Vec3& b, const Vec3& r, const RiderBoneCoords& local) {
    return RiderBoneWorld(MakeRiderBoneFrame(a, b, r), local);
}

}  // namespace kes
