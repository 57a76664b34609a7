#include "game/world/lights/ObjectPrelight.h"

#include "game/world/lights/Lights.h"

namespace kes {

void PrelightPlacedObject(PlacedObject& object, const ObjectType& type) {
    const Mesh* mesh = type.mesh.get();
    if (!mesh || !mesh->current) return;
    // One colour per vertex of the mesh, then one per vertex of each level in turn.
    size_t total = mesh->vertexCount;
    for (const Mesh* level : mesh->levels) total += level ? level->vertexCount : 0;
    object.colours.assign(total, 0);
    uint32_t* out = object.colours.data();
    LightMeshVertices(object.world, 100.0f, mesh->current, out, mesh->vertexCount, 255);
    out += mesh->vertexCount;
    for (const Mesh* level : mesh->levels) {
        if (!level) continue;
        if (level->current) LightMeshVertices(object.world, 100.0f, level->current, out, level->vertexCount, 255);
        out += level->vertexCount;
    }
}

void InstallObjectPrelight() { SetObjectPrelight(PrelightPlacedObject); }

}  // namespace kes
