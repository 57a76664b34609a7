#include "plugins/object/ObjectRecords.h"

#include <cmath>
#include <cstring>

#include "platform/bytes/ByteIO.h"
#include "plugins/shared/CText.h"
#include "plugins/shared/MeshImage.h"

namespace qv {

namespace {

Matrix4 Identity() { return Matrix4{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}}; }

// Puts `factor` in front of `product`: a point goes through the factor first.
void InFront(Matrix4* product, const Matrix4& factor) { Mat4Multiply(product, &factor, product); }

Matrix4 UpFrame(Vec3 up) {
    const Vec3 xAxis{1, 0, 0};
    Vec3 n, r0;
    Vec3Cross(&up, &xAxis, &n);
    Vec3Normalize(&n);
    Vec3Cross(&up, &n, &r0);
    return Matrix4{{r0.x, r0.y, r0.z, 0, n.x, n.y, n.z, 0, up.x, up.y, up.z, 0, 0, 0, 0, 1}};
}

}  // namespace

void StoreInstance(const ObjectInstance& in, uint8_t out[kInstanceBytes]) {
    const float head[8] = {in.x, in.y, in.groundHeight, in.rotX, in.rotY, in.rotZ, in.scale, in.heightAbove};
    for (int i = 0; i < 8; ++i) plat::StoreF32(out + 4 * i, head[i]);
    plat::StoreU32(out + 32, in.type);
    plat::StoreF32(out + 36, in.up.x);
    plat::StoreF32(out + 40, in.up.y);
    plat::StoreF32(out + 44, in.up.z);
    plat::StoreU32(out + 48, in.flags);
    plat::StoreU32(out + 52, in.id);
}

ObjectInstance LoadInstance(const uint8_t* bytes, uint32_t n) {
    uint8_t b[kInstanceBytes] = {};
    std::memcpy(b, bytes, n < kInstanceBytes ? n : kInstanceBytes);
    ObjectInstance in;
    float* head[8] = {&in.x, &in.y, &in.groundHeight, &in.rotX, &in.rotY, &in.rotZ, &in.scale, &in.heightAbove};
    for (int i = 0; i < 8; ++i) *head[i] = plat::LoadF32(b + 4 * i);
    in.type = plat::LoadU32(b + 32);
    in.up = {plat::LoadF32(b + 36), plat::LoadF32(b + 40), plat::LoadF32(b + 44)};
    in.flags = plat::LoadU32(b + 48);
    in.id = plat::LoadU32(b + 52);
    return in;
}

Matrix4 InstanceTransform(const ObjectInstance& in, bool withTranslation) {
    Matrix4 m = Identity();
    if (withTranslation) {
        m.m[12] = in.x;
        m.m[13] = in.y;
        m.m[14] = in.groundHeight + in.heightAbove;
    }
    Matrix4 s = Identity();
    s.m[0] = s.m[5] = s.m[10] = in.scale;
    InFront(&m, s);
    InFront(&m, UpFrame(in.up));
    const float cz = std::cos(in.rotZ), sz = std::sin(in.rotZ);
    InFront(&m, Matrix4{{cz, -sz, 0, 0, sz, cz, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}});
    const float cx = std::cos(in.rotX), sx = std::sin(in.rotX);
    InFront(&m, Matrix4{{1, 0, 0, 0, 0, cx, sx, 0, 0, -sx, cx, 0, 0, 0, 0, 1}});
    const float cy = std::cos(in.rotY), sy = std::sin(in.rotY);
    InFront(&m, Matrix4{{cy, 0, -sy, 0, 0, 1, 0, 0, sy, 0, cy, 0, 0, 0, 0, 1}});
    return m;
}

std::string FormatObjectDump(const ObjectDump& dump) {
    std::string out = shared::FormatC("%d\n", static_cast<int>(dump.types.size()));
    for (const std::string& t : dump.types) out += t + "\n";
    out += shared::FormatC("%d\n", static_cast<int>(dump.instances.size()));
    for (const DumpedInstance& i : dump.instances) {
        const float* b = i.basis;
        out += i.type + " ";
        out += shared::FormatC("%3.3f %3.3f %3.3f ", i.position[0], i.position[1], i.position[2]);
        out += shared::FormatC("%3.3f %3.3f %3.3f %3.3f %3.3f %3.3f %3.3f %3.3f %3.3f\n", b[0], b[1], b[2], b[3], b[4],
                               b[5], b[6], b[7], b[8]);
    }
    return out;
}

bool ParseObjectDump(std::string_view text, ObjectDump* out) {
    const std::vector<std::string> lines = shared::TextLines(text);
    size_t at = 0;
    auto count = [&](long* n) {
        size_t used = 0;
        return at < lines.size() && shared::ParseIntC(lines[at], n, &used) && *n >= 0 &&
               used == lines[at].size() && static_cast<size_t>(*n) <= lines.size() - at - 1;
    };
    ObjectDump dump;
    long types = 0;
    if (!count(&types)) return false;
    ++at;
    for (long t = 0; t < types; ++t) dump.types.push_back(lines[at++]);
    long instances = 0;
    if (!count(&instances)) return false;
    ++at;
    for (long k = 0; k < instances; ++k) {
        // The type's name may hold blanks: the twelve numbers are the last twelve words of the line.
        const std::string& line = lines[at++];
        std::vector<std::string_view> words = shared::SplitAt(line, " ");
        while (!words.empty() && words.back().empty()) words.pop_back();
        if (words.size() < 13) return false;
        DumpedInstance d;
        float values[12];
        for (size_t v = 0; v < 12; ++v) {
            const std::string_view w = words[words.size() - 12 + v];
            size_t used = 0;
            values[v] = static_cast<float>(shared::ParseDoubleC(w, &used));
            if (used == 0 || used != w.size() || !std::isfinite(values[v])) return false;
        }
        const size_t nameEnd = static_cast<size_t>(words[words.size() - 12].data() - line.data());
        d.type = line.substr(0, nameEnd ? nameEnd - 1 : 0);
        std::memcpy(d.position, values, sizeof d.position);
        std::memcpy(d.basis, values + 3, sizeof d.basis);
        dump.instances.push_back(std::move(d));
    }
    *out = std::move(dump);
    return true;
}

std::vector<uint8_t> MarkerMeshImage() {
    // A three-sided pyramid: a base triangle on the ground and an apex above its middle, so the
    // marker shows from every side and from above.
    return shared::SolidMeshImage({{-20, -17, 0}, {20, -17, 0}, {0, 17, 0}, {0, 0, 40}},
                                  {{0, 2, 1}, {0, 1, 3}, {1, 2, 3}, {2, 0, 3}}, 0xF28C1A);
}

}  // namespace qv
