#include "tools/bikelab/LabWorld.h"

#include <cstdio>

#include "game/core/objects/Objects.h"
#include "game/core/texture/TextureContainer.h"
#include "game/world/dynamic/DynamicObjects.h"
#include "game/world/file/WorldFile.h"

namespace tools {

namespace {

// The run's own profile, which the world's pickups pay into.
struct LabProfile {
    uint32_t unlocks = 0;
    float stats[64] = {};
    uint32_t pickups = 0;
} g_profile;

void InstallPickupHooks() {
    g_profile = LabProfile();
    kes::PickupHooks& h = kes::DynamicPickupHooks();
    h.profilePresent = [] { return true; };
    h.profileKey = [](uint32_t) { return g_profile.unlocks; };
    h.setProfileKey = [](uint32_t, uint32_t v) { g_profile.unlocks = v; };
    h.profileStat = [](uint32_t s) { return s < 64 ? g_profile.stats[s] : 0.0f; };
    h.setProfileStat = [](uint32_t s, float v) {
        if (s < 64) g_profile.stats[s] = v;
    };
    h.isLocalPlayer = [](const kes::SectorObject*) { return true; };
    h.showMessage = [](const kes::SectorObject*, const char* text) { std::fprintf(stderr, "bikelab: %s\n", text); };
    h.playPickupSound = [](kes::Vec3) { ++g_profile.pickups; };
}

}  // namespace

LabWorld::LabWorld(const std::string& path) {
    if (path.empty()) return;
    const float box[6] = {-20000, -20000, -20000, 20000, 20000, 20000};
    kes::InitObjects(0, 1, 1, 1, box);
    InstallPickupHooks();
    kes::WorldListEntry e;
    e.name = path;
    loaded_ = kes::WorldLoadEntry(e, &render_, nullptr) == 0;
}

LabWorld::~LabWorld() {
    if (loaded_) {
        kes::WorldUnload();
        while (kes::TextureListHead()) kes::DestroyTexture(kes::TextureListHead()->name);
    }
    if (kes::ObjectsReady()) kes::FreeObjects();
    kes::DynamicPickupHooks() = kes::PickupHooks();
}

uint32_t LabWorld::Pickups() { return g_profile.pickups; }

float LabWorld::Points() { return g_profile.stats[20]; }

}  // namespace tools
