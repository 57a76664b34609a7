#pragma once
// The scene's lights: a small table of ambient and point lights, each also a scene object that
// carries its position and direction, and the static vertex lighting that meshes get from them
// (placed objects once at race start, other meshes through the render interface's lit vertices).
#include <cstdint>

#include "game/core/maths/MathTypes.h"
#include "game/core/objects/Objects.h"
#include "game/core/render/RenderInterface.h"

namespace kes {

constexpr int32_t kLightOutOfMemory = static_cast<int32_t>(0x8007000E);

enum : int32_t { kLightFree = 0, kLightAmbient = 1, kLightPoint = 2 };

struct Light {
    SectorObject* object = nullptr;
    float red = 0, green = 0, blue = 0;  // 0..255
    float intensity = 0;
    float litRed = 0, litGreen = 0, litBlue = 0;  // colour x intensity
    int32_t type = kLightFree;
    float innerRange = 0, outerRange = 0;
    float innerSquared = 0, outerSquared = 0;
    float falloff = 0;  // 1 / (outer^4 - inner^4), 0 when the ranges are equal
};

struct LightDesc {
    Vec3 position{};
    Vec3 direction{0, 0, 1};  // unit
    float red = 255, green = 255, blue = 255;
    float intensity = 1.0f;
    int32_t type = kLightAmbient;
    float innerRange = 100.0f, outerRange = 100.0f;
    const char* name = "";  // at most 31 characters are used
    uint32_t value = 0;     // kept in the light's scene object
};

// 0, or kLightOutOfMemory (nothing stays allocated). workSize: vertices lit per pass.
int32_t LightListCreate(uint32_t workSize, uint32_t maxLights);
void LightListFree();
// 0 with the new light in *out (when given); kLightOutOfMemory when every record is in use (no
// scene object is made then); or the scene-object creation's failure.
int32_t AddLight(const LightDesc& desc, Light** out);
void SetLightIntensity(Light* light, float intensity);
uint32_t GetLightCount();
Light* GetLight(uint32_t index);  // in the order added; null past the count
// Takes the light out of the table (later lights move up), frees its record and destroys its
// scene object. 0; 1 for a light that is not in the table (nothing changes).
int32_t RemoveLight(Light* light);

// Lights count vertices of an object at matrix m (translation T) whose bounding radius is radius:
// each colour is alpha << 24 | red << 16 | green << 8 | blue. Any number of vertices: they are lit in
// passes of the work size. False when no light counted (every colour is then alpha << 24).
bool LightMeshVertices(const Matrix4& m, float radius, const SourceVertex* source, uint32_t* colours,
                       uint32_t count, uint32_t alpha);

// The light table as the render interface's vertex lighting and as the placed objects' prelighting.
void InstallSceneLighting();

}  // namespace kes
