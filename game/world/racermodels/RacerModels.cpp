#include "game/world/racermodels/RacerModels.h"

#include <memory>
#include <new>

#include "game/world/models/BikeModels.h"
#include "game/world/models/RiderBlend.h"
#include "game/world/models/RiderModel.h"
#include "game/world/racer/Racer.h"
#include "game/world/rider/RiderBody.h"
#include "game/world/tricks/Tricks.h"

namespace kes {

namespace {

// The bike body drives tricks through the rider instance's animation fields.
class InstanceAnimation : public RiderAnimation {
public:
    explicit InstanceAnimation(RiderInstance& rider) : rider_(rider) {}
    bool IsRiderAnimStopped() const override { return kes::IsRiderAnimStopped(rider_); }
    void StartRiderAnim(uint32_t animation) override { kes::StartRiderAnim(rider_, animation); }
    void StopRiderAnim() override { kes::StopRiderAnim(rider_); }
    float AnimProgress() const override { return rider_.animProgress; }
    bool AnimValuesClear() const override { return rider_.anim == 0 && rider_.animProgress == 0.0f; }
    void ClearAnimValues() override {
        rider_.anim = 0;
        rider_.animProgress = 0.0f;
    }

private:
    RiderInstance& rider_;
};

struct RacerRider {
    std::unique_ptr<RiderInstance> instance;
    std::unique_ptr<InstanceAnimation> animation;
};

RacerRider* AsRider(void* rider) { return static_cast<RacerRider*>(rider); }

void* CreateRider(int32_t riderSkin) {
    auto rider = std::unique_ptr<RacerRider>(new (std::nothrow) RacerRider());
    if (!rider) return nullptr;
    rider->instance = CreateRiderInstance(TheRiderModel(), static_cast<uint32_t>(riderSkin));
    if (!rider->instance) return nullptr;
    rider->instance->poseOn = 1;
    rider->animation.reset(new (std::nothrow) InstanceAnimation(*rider->instance));
    if (!rider->animation) {
        FreeRiderInstance(TheRiderModel(), rider->instance);
        return nullptr;
    }
    return rider.release();
}

void FreeRider(void* rider) {
    RacerRider* r = AsRider(rider);
    if (!r) return;
    FreeRiderInstance(TheRiderModel(), r->instance);
    delete r;
}

RiderAnimation* RiderAnimationOf(void* rider) { return RacerRiderAnimation(rider); }

// The pose values follow the drawn bike; a running animation moves on with the clock. This is the
// pose pass of every frame, so the animation's progress (which times the bike's tricks) never
// depends on whether the racer is drawn.
void AdvanceClock(SectorObject*, uint32_t ms, RacerRecord* racer) {
    RiderInstance* rider = racer ? RacerRiderInstance(racer->rider) : nullptr;
    if (!rider || !racer->bike) return;
    rider->poseX = racer->drawn.pose[0];
    rider->poseY = racer->drawn.pose[1];
    rider->poseZ = racer->drawn.pose[3];
    rider->poseSteer = RiderSteerValue(*racer->bike);
    AdvanceRiderClock(*rider, ms);
    if (rider->anim != 0) PlayRiderAnim(TheRiderModel(), *rider);
}

void PlaceRider(BikeDrawBlock* block) {
    BikePartMatrices parts;
    ComputeBikeParts(*block, &parts);
    block->riderMatrix = parts.body;
}

// The crash starts the rider body from the riding pose: the skeleton's nodes in bike-body space.
bool RiderNodes(RacerRecord* racer, Vec3 out[13]) {
    RiderInstance* rider = RacerRiderInstance(racer->rider);
    RiderModel& model = TheRiderModel();
    if (!rider || !model.mesh) return false;
    UpdateRiderPose(model, *rider, racer->bikeModel.riderMatrix, nullptr);
    for (uint32_t i = 0; i < kRiderParticleCount; ++i) out[i] = GetRiderNodePosition(model, i, *rider);
    return true;
}

void UpdatePose(void* rider, const Matrix4& riderMatrix, RenderInterface* renderer) {
    RiderInstance* instance = RacerRiderInstance(rider);
    if (instance) UpdateRiderPose(TheRiderModel(), *instance, riderMatrix, renderer);
}

void DrawCrashed(RiderBody* body, void* rider, RenderInterface* renderer) {
    RiderInstance* instance = RacerRiderInstance(rider);
    if (!instance || !body || !body->Ready()) return;
    Vec3 particles[kRiderParticleCount];
    for (uint32_t i = 0; i < kRiderParticleCount; ++i) particles[i] = body->body.particles[i].position;
    DrawRider(TheRiderModel(), particles, *instance, renderer);
}

void DrawBikeModel(BikeDrawBlock* block, RenderInterface* renderer, const char* label, const Vec3& eye) {
    DrawBike(TheBikeModels(), *block, renderer, label, eye);
}

// Each hook is the model's routine when the model is there, else empty.
void SetModelHooks(bool bike, bool rider) {
    RacerHookTable& h = RacerHooks();
    h.drawBike = bike ? DrawBikeModel : nullptr;
    h.placeRider = bike ? PlaceRider : nullptr;
    h.createRider = rider ? CreateRider : nullptr;
    h.freeRider = rider ? FreeRider : nullptr;
    h.riderAnimation = rider ? RiderAnimationOf : nullptr;
    h.advanceRiderClock = rider ? AdvanceClock : nullptr;
    h.riderNodes = rider ? RiderNodes : nullptr;
    h.updateRiderPose = rider ? UpdatePose : nullptr;
    h.drawRider = rider ? DrawCrashed : nullptr;
}

}  // namespace

RiderInstance* RacerRiderInstance(void* rider) { return rider ? AsRider(rider)->instance.get() : nullptr; }
RiderAnimation* RacerRiderAnimation(void* rider) { return rider ? AsRider(rider)->animation.get() : nullptr; }

void ConnectRacerModels() { SetModelHooks(TheBikeModels().renderer != nullptr, TheRiderModel().mesh != nullptr); }

void DisconnectRacerModels() { SetModelHooks(false, false); }

bool LoadRacerModels(RenderInterface* renderer) {
    const bool loaded =
        LoadRider(TheRiderModel(), renderer) == 0 && LoadBikeModels(TheBikeModels(), renderer, true) == 0;
    if (loaded) ConnectRacerModels();
    return loaded;
}

void FreeRacerModels() {
    DisconnectRacerModels();
    FreeBikeModels(TheBikeModels());
    FreeRider(TheRiderModel());
}

}  // namespace kes
