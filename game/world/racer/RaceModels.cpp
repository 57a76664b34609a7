// The per-race models: the node marker of the 40-point course and the direction arrow over the
// current gate, both drawn only for the racer the camera follows.
#include <cmath>
#include <new>

#include "game/core/camera/Camera.h"
#include "game/core/mesh/Mesh.h"
#include "game/world/racer/Racer.h"
#include "game/world/racer/RacerTrack.h"

namespace kes {

namespace {

constexpr int32_t kOutOfMemory = static_cast<int32_t>(0x8007000E);

struct RaceModels {
    RenderInterface* renderer = nullptr;
    Mesh* marker = nullptr;
    Mesh* arrow = nullptr;
} g_models;

Mesh* LoadMesh(RenderInterface* renderer, const char* path, float scale) {
    Mesh* m = new (std::nothrow) Mesh(renderer);
    if (!m) return nullptr;
    if (!m->Load(path, 0)) {
        delete m;
        return nullptr;
    }
    if (scale != 1.0f) m->Scale(scale, scale, scale);
    return m;
}

// A model matrix at p turned so that its y axis points along dir (on the ground plane), z up.
Matrix4 Facing(const Vec3& p, Vec3 dir, float scale) {
    dir.z = 0.0f;
    const float l = std::sqrt(dir.x * dir.x + dir.y * dir.y);
    dir = l > 0.0f ? Vec3{dir.x / l, dir.y / l, 0.0f} : Vec3{0, 1, 0};
    Matrix4 m{};
    m.m[0] = dir.y * scale, m.m[1] = -dir.x * scale;
    m.m[4] = dir.x * scale, m.m[5] = dir.y * scale;
    m.m[10] = scale;
    m.m[12] = p.x, m.m[13] = p.y, m.m[14] = p.z, m.m[15] = 1.0f;
    return m;
}

}  // namespace

int32_t LoadRaceModels(RenderInterface* renderer) {
    FreeRaceModels();
    g_models.renderer = renderer;
    g_models.marker = LoadMesh(renderer, "BAJA\\ainode.JM5", 1.0f);
    if (!g_models.marker) return kOutOfMemory;
    g_models.arrow = LoadMesh(renderer, "dirarow\\arrow.JM5", 0.05f);
    if (!g_models.arrow) return kOutOfMemory;
    return 0;
}

int32_t FreeRaceModels() {
    delete g_models.marker;
    delete g_models.arrow;
    g_models = RaceModels();
    return 0;
}

int32_t LoadRacerAssets(RenderInterface* renderer) {
    RegisterRacerBindings();
    LoadRaceModels(renderer);
    return 0;
}

int32_t FreeRacerAssets() {
    UnregisterRacerBindings();
    FreeRaceModels();
    return 0;
}

bool RaceModelsLoaded() { return g_models.marker && g_models.arrow; }

void DrawCourseMarks(const RacerRecord& racer, const ViewRecord& view) {
    const BikeBody& bike = *racer.bike;
    const GroundQuery* ground = RaceContext().ground;
    const auto lift = [&](Vec3 p) {
        p.z = (ground ? ground->HeightAt(p.x, p.y) : 0.0f) + 2.0f;
        return p;
    };
    if (RaceContext().gameMode == 2) {
        if (!g_models.marker) return;
        const Vec3 at = {bike.aimPoint.x, bike.aimPoint.y, bike.aimPoint.z - 10.0f};
        const Matrix4 m = Facing(at, {0, 1, 0}, 1.5f);
        g_models.marker->Render(view.position, &m, 0, nullptr);
        return;
    }
    if (RaceContext().worldType == 2 || !g_models.arrow) return;
    const int32_t next = RacerNextWaypoint(bike.currentGate);
    const AiGate* toward = RacerGate(next, 0);
    if (!toward) return;
    const Vec3 target = lift(RacerGateEndA(toward));
    const bool oneLane = bike.controlClass == kClassComputer || bike.controlClass == kClassInert;
    const int32_t lanes = RacerGateLanes(bike.currentGate);
    for (int32_t lane = 0; lane < lanes; ++lane) {
        if (oneLane && lane != bike.lane) continue;
        const AiGate* gate = RacerGate(bike.currentGate, lane);
        if (!gate) continue;
        const Vec3 at = lift(RacerGateReference(gate));
        const Matrix4 m = Facing(at, {target.x - at.x, target.y - at.y, 0.0f}, 1.0f);
        g_models.arrow->Render(view.position, &m, 0, nullptr);
    }
}

}  // namespace kes
