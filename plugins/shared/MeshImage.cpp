#include "plugins/shared/MeshImage.h"

#include <cmath>
#include <cstring>

#include "platform/bytes/ByteIO.h"

namespace qv::shared {

namespace {

using V = std::array<float, 3>;

V Sub(const V& a, const V& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
float Dot(const V& a, const V& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
V Cross(const V& a, const V& b) { return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]}; }

}  // namespace

std::vector<uint8_t> SolidMeshImage(const std::vector<std::array<float, 3>>& corners,
                                    const std::vector<std::array<uint16_t, 3>>& faces, uint32_t rgb) {
    V middle{0, 0, 0};
    for (const V& c : corners)
        for (int i = 0; i < 3; ++i) middle[static_cast<size_t>(i)] += c[static_cast<size_t>(i)] / static_cast<float>(corners.size());
    plat::ByteWriter w;
    auto tag = [&](const char* t) { w.Bytes(t, std::strlen(t)); };
    tag("JMESH5*");
    tag("<TL>");
    w.U32(static_cast<uint32_t>(faces.size()));
    for (std::array<uint16_t, 3> f : faces) {
        const V& a = corners[f[0]];
        const V centre{(a[0] + corners[f[1]][0] + corners[f[2]][0]) / 3, (a[1] + corners[f[1]][1] + corners[f[2]][1]) / 3,
                       (a[2] + corners[f[1]][2] + corners[f[2]][2]) / 3};
        if (Dot(Cross(Sub(corners[f[1]], a), Sub(corners[f[2]], a)), Sub(centre, middle)) < 0) std::swap(f[1], f[2]);
        for (uint16_t i : f) w.U16(i);
    }
    tag("<ML>");
    w.U32(1);
    for (size_t f = 0; f < faces.size(); ++f) w.U16(0);
    uint8_t material[76] = {};
    plat::StoreU32(material + 64, static_cast<uint32_t>(faces.size()));  // faces using it
    material[68] = static_cast<uint8_t>(rgb >> 16);                     // red, green, blue
    material[69] = static_cast<uint8_t>(rgb >> 8);
    material[70] = static_cast<uint8_t>(rgb);
    plat::StoreU32(material + 72, 4);  // no bitmap: drawn in the colour
    w.Bytes(material, sizeof material);
    tag("<NF>");
    w.U32(1);
    tag("<VT>");
    w.U32(static_cast<uint32_t>(corners.size()));
    for (const V& c : corners) {
        V n = Sub(c, middle);
        const float len = std::sqrt(Dot(n, n));
        if (len > 0) n = {n[0] / len, n[1] / len, n[2] / len};
        for (float f : {c[0], c[1], c[2], n[0], n[1], n[2], 0.0f, 0.0f}) w.F32(f);
    }
    tag("<END>");
    return w.Take();
}

}  // namespace qv::shared
