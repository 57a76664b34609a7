#pragma once
// Object types for the placed-object tests: a flat square and a cube.
#include "game/world/writer/WorldWriter.h"

namespace kes::test {

// A square of side 2 s at z = 0 facing up, counter-clockwise from above.
inline ObjectMeshData FlatSquare(const char* name, float s = 1.0f) {
    ObjectMeshData m;
    m.name = name;
    m.vertices = {{-s, -s, 0, 0, 0, 1, 0, 0}, {s, -s, 0, 0, 0, 1, 1, 0}, {s, s, 0, 0, 0, 1, 1, 1}, {-s, s, 0, 0, 0, 1, 0, 1}};
    m.faces = {0, 1, 2, 0, 2, 3};
    return m;
}

// A cube of side 2 s standing on z = 0.
inline ObjectMeshData Cube(const char* name, float s = 1.0f) {
    ObjectMeshData m;
    m.name = name;
    for (int i = 0; i < 8; ++i)
        m.vertices.push_back({(i & 1) ? s : -s, (i & 2) ? s : -s, (i & 4) ? 2 * s : 0.0f, 0, 0, 1, 0, 0});
    m.faces = {0, 2, 1, 1, 2, 3, 4, 5, 6, 5, 7, 6, 0, 1, 4, 1, 5, 4, 2, 6, 3, 3, 6, 7, 0, 4, 2, 2, 4, 6, 1, 3, 5, 3, 7, 5};
    return m;
}

}  // namespace kes::test
