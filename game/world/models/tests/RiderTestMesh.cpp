#include "game/world/models/tests/RiderTestMesh.h"

#include "game/world/models/RiderModel.h"
#include "platform/bytes/ByteIO.h"

namespace kes::test {

std::vector<uint8_t> RiderMeshFile(uint32_t vertices, uint32_t frames,
                                   const std::function<Vec3(uint32_t frame, uint32_t vertex)>& position) {
    plat::ByteWriter w;
    w.Bytes("JMESH5*", 7);
    w.Bytes("<TL>", 4);
    w.U32(vertices);  // face i: vertices i, i + 1, i + 2 (wrapping), so that every vertex is used
    for (uint32_t i = 0; i < vertices; ++i)
        for (uint32_t c = 0; c < 3; ++c) w.U16(static_cast<uint16_t>((i + c) % vertices));
    w.Bytes("<ML>", 4);
    w.U32(1);
    for (uint32_t i = 0; i < vertices; ++i) w.U16(0);
    w.FixedString("RIDERT01.BMP", 32);
    w.FixedString("", 32);
    w.U32(vertices);
    w.U32(0x808080);
    w.U32(0);
    w.Bytes("<NF>", 4);
    w.U32(frames);
    w.Bytes("<VT>", 4);
    w.U32(vertices);
    for (uint32_t f = 0; f < frames; ++f)
        for (uint32_t v = 0; v < vertices; ++v) {
            const Vec3 p = position(f, v);
            for (float x : {p.x / kRiderMeshScale, p.y / kRiderMeshScale, p.z / kRiderMeshScale, 0.f, 0.f, 1.f, 0.f, 0.f})
                w.F32(x);
        }
    w.Bytes("<END>", 5);
    return w.Take();
}

std::unique_ptr<Mesh> RiderMesh(uint32_t vertices, uint32_t frames,
                                const std::function<Vec3(uint32_t frame, uint32_t vertex)>& position) {
    const std::vector<uint8_t> file = RiderMeshFile(vertices, frames, position);
    auto mesh = std::make_unique<Mesh>(nullptr);
    if (!mesh->LoadFromMemory(file.data(), file.size(), "Rider", 0)) return nullptr;
    return mesh;
}

}  // namespace kes::test
