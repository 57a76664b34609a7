#pragma once
// The placed objects' static lighting from the light table: at race start each object's mesh (and
// each of its detail levels) is lit once at the object's matrix, and the colours are kept with it.
#include "game/world/objects/PlacedObjects.h"

namespace kes {

void PrelightPlacedObject(PlacedObject& object, const ObjectType& type);
// Installs PrelightPlacedObject as the placed objects' prelighting.
void InstallObjectPrelight();

}  // namespace kes
