#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "game/world/dynamic/tests/DynamicTestSupport.h"

namespace kes::test {
namespace {

std::unique_ptr<DynamicRecord> Record(uint32_t id, int32_t behaviour) {
    auto r = std::make_unique<DynamicRecord>();
    r->objectId = id;
    r->behaviour = behaviour;
    return r;
}

std::unique_ptr<Path> Square(float side, bool closed = true) {
    auto p = std::make_unique<Path>();
    p->points = {{0, 0, 0}, {side, 0, 0}, {side, side, 0}, {0, side, 0}};
    p->closed = closed ? 1 : 0;
    RebuildKnots(p.get());
    return p;
}

// A tiny profile and the racers of the pickup tests.
struct Profile {
    bool present = true;
    uint32_t unlocks = 0;
    float points = 0, bikePoints = 0;
    std::vector<std::string> messages;
    int sounds = 0;
    bool off = false;
} g_profile;

class DynamicObjectsTest : public ::testing::Test {
protected:
    void SetUp() override {
        StartObjects();
        g_profile = Profile();
        PickupHooks& h = DynamicPickupHooks();
        h.profilePresent = [] { return g_profile.present; };
        h.profileKey = [](uint32_t) { return g_profile.unlocks; };
        h.setProfileKey = [](uint32_t, uint32_t v) { g_profile.unlocks = v; };
        h.profileStat = [](uint32_t s) { return s == 20 ? g_profile.points : g_profile.bikePoints; };
        h.setProfileStat = [](uint32_t s, float v) { (s == 20 ? g_profile.points : g_profile.bikePoints) = v; };
        h.isLocalPlayer = [](const SectorObject* o) { return o->ownerWords[0] == 0; };
        h.showMessage = [](const SectorObject*, const char* text) { g_profile.messages.push_back(text); };
        h.pickupsOff = [] { return g_profile.off; };
        h.playPickupSound = [](Vec3) { ++g_profile.sounds; };
    }
    void TearDown() override {
        FreeDynamicObjects();
        ObjectTypesFree();
        FreeObjects();
        DynamicPickupHooks() = PickupHooks();
    }
    void Load(std::vector<std::unique_ptr<DynamicRecord>> records, uint32_t crates = 4, uint32_t version = 3) {
        LoadCrates(&render, crates);
        std::vector<const DynamicRecord*> list;
        for (const auto& r : records) list.push_back(r.get());
        ASSERT_EQ(LoadDynamic(WorldWriter::DynamicChunk(list, version)), 0);
        CreateDynamicObjects();
        WorldObjectsLoad();
    }
    // A racer's bike object with one sphere of radius 1 at p; class 0 is the local player.
    SectorObject* Racer(Vec3 p, uint32_t notLocal = 0) {
        SectorObject* o = nullptr;
        ObjectDesc desc{};
        desc.tag = kRacerBikeTag;
        desc.x = p.x, desc.y = p.y, desc.z = p.z;
        EXPECT_EQ(CreateObject(&o, &desc), 0);
        racerSphere = {};
        racerSphere.radius = 1.0f;
        o->spheres = &racerSphere;
        o->sphereCount = 1;
        o->ownerWords[0] = notLocal;
        return o;
    }
    TableRender render;
    ObjectSphere racerSphere{};
};

TEST_F(DynamicObjectsTest, AllThreeVersionsReadRecordsPathsAndRolls) {
    for (uint32_t version : {1u, 2u, 3u}) {
        auto r = Record(2, kPathMover);
        r->paramA = 5;
        r->path = Square(10);
        r->pointRoll = {0.1f, 0.2f};  // fewer than the path's points: the rest are 0
        r->soundLevel = 0.5f;
        std::vector<std::unique_ptr<DynamicRecord>> list;
        list.push_back(std::move(r));
        list.push_back(Record(3, kBlocker));
        Load(std::move(list), 4, version);
        ASSERT_EQ(DynamicRecords().size(), 2u) << version;
        const DynamicRecord& a = *DynamicRecords()[0];
        EXPECT_EQ(a.paramA, 5.0f);
        ASSERT_TRUE(a.path);
        EXPECT_EQ(a.path->Count(), 4);
        EXPECT_EQ(a.path->closed, 1u);
        ASSERT_EQ(a.pointRoll.size(), 4u);
        EXPECT_EQ(a.pointRoll[1], version == 3 ? 0.2f : 0.0f);
        EXPECT_EQ(a.pointRoll[3], 0.0f);
        EXPECT_EQ(a.soundLevel, version == 1 ? 0.0f : 0.5f);
        EXPECT_FALSE(DynamicRecords()[1]->path);
        FreeDynamicObjects();
        ObjectTypesFree();
    }
}

TEST_F(DynamicObjectsTest, BehavioursCopyHideOrTakeTheirPlacedObject) {
    std::vector<std::unique_ptr<DynamicRecord>> list;
    list.push_back(Record(1, kLift));        // copied: the placed object stays and moves
    list.push_back(Record(2, kPathMover));   // no path: copied and hidden
    list.push_back(Record(3, kBlocker));     // taken
    list.push_back(Record(99, kBonus));      // no such placed object: left out
    Load(std::move(list));
    EXPECT_EQ(DynamicObjects().size(), 3u);
    ASSERT_EQ(PlacedObjects().size(), 3u);
    EXPECT_EQ(PlacedObjectIndex(3), -1);
    EXPECT_EQ(PlacedObjects()[1].visible, 0u);
    EXPECT_EQ(PlacedObjects()[0].visible, 1u);
    SectorObject* found = nullptr;
    EXPECT_EQ(FindObject("obj3", &found), 0);
    EXPECT_TRUE(found);
}

TEST_F(DynamicObjectsTest, LiftsRiseSinkAndTurnRoundAndEqualHeightsStayPut) {
    auto lift = Record(1, kLift);
    lift->paramA = 0;
    lift->paramB = 10;
    lift->paramC = 5;  // 5 height units a second: 2 s from bottom to top
    lift->mode = 1;
    auto flat = Record(2, kLift);
    flat->paramA = flat->paramB = 3;
    flat->paramC = 5;
    std::vector<std::unique_ptr<DynamicRecord>> list;
    list.push_back(std::move(lift));
    list.push_back(std::move(flat));
    Load(std::move(list));
    UpdateObjects(1000, 0);
    EXPECT_NEAR(PlacedObjects()[0].stored.position.z, 5.0f, 1e-4f);
    UpdateObjects(1500, 0);  // past the top: held at 1 and turned round
    EXPECT_NEAR(PlacedObjects()[0].stored.position.z, 10.0f, 1e-4f);
    EXPECT_EQ(DynamicRecords()[0]->mode, -1);
    UpdateObjects(1000, 0);
    EXPECT_NEAR(PlacedObjects()[0].stored.position.z, 5.0f, 1e-4f);
    EXPECT_EQ(PlacedObjects()[1].stored.position.z, 3.0f);
    EXPECT_TRUE(std::isfinite(DynamicRecords()[1]->paramD));
}

TEST_F(DynamicObjectsTest, PathMoversTravelWrapAndStandStillOnEmptyPaths) {
    auto fwd = Record(1, kPathMover);
    fwd->path = Square(10);
    fwd->paramA = 10;  // a tenth of... the loop is about 40 long: a quarter per second
    auto back = Record(2, kPathMover);
    back->path = Square(10);
    back->paramA = -10;
    auto still = Record(3, kPathMover);
    still->path = std::make_unique<Path>();
    still->path->points.assign(4, Vec3{0, 0, 0});
    still->paramA = 10;
    std::vector<std::unique_ptr<DynamicRecord>> list;
    list.push_back(std::move(fwd));
    list.push_back(std::move(back));
    list.push_back(std::move(still));
    Load(std::move(list));
    UpdateObjects(100, 0);
    const DynamicRecord& f = *DynamicRecords()[0];
    EXPECT_GT(f.paramC, 0.0f);
    EXPECT_LT(f.paramC, 0.1f);
    EXPECT_EQ(DynamicRecords()[1]->paramC, 1.0f);  // backwards from 0 wraps to 1
    EXPECT_EQ(DynamicRecords()[2]->paramC, 0.0f);  // no length: no movement, no NaN
    const SectorObject* o = DynamicObjects()[0]->object;
    EXPECT_NEAR(o->position.y, 50.0f, 1.0f);
    EXPECT_GT(o->position.x, 10.0f);
    for (int i = 0; i < 50; ++i) UpdateObjects(100, 0);
    EXPECT_TRUE(std::isfinite(DynamicObjects()[2]->object->position.x));
}

TEST_F(DynamicObjectsTest, PickupsPayOutOnceToTheLocalPlayerOnly) {
    struct Case {
        int32_t kind, amount;
        float bikePointsBefore;
        uint32_t unlocksBefore;
        const char* message;
        float bikePointsAfter;
        uint32_t unlocksAfter;
    } cases[] = {
        {1, 25, 0, 0, "25 EXTRA POINTS", 0, 0},
        {2, 0, 0, 0, "NEW TRACK UNLOCKED", 0, 1},
        {5, 0, 0, 0, "SPECIAL BIKE UNLOCKED", 0, 8},
        {6, 50, 340, 0, "10 BIKE POINTS", 350, 0},
        {6, 50, 350, 0, "", 350, 0},
    };
    for (const Case& c : cases) {
        SetUp();
        g_profile.bikePoints = c.bikePointsBefore;
        g_profile.unlocks = c.unlocksBefore;
        auto bonus = Record(2, kBonus);
        bonus->mode = c.kind;
        bonus->amount = c.amount;
        std::vector<std::unique_ptr<DynamicRecord>> list;
        list.push_back(std::move(bonus));
        Load(std::move(list));
        // The crate has no collision mesh: give the pickup one sphere to be touched by.
        DynamicObject& d = *DynamicObjects()[0];
        d.spheres.push_back(ObjectSphere{{0, 0, 0}, {0, 0, 0}, 2.0f, kSphereNotSolid});
        d.keptCentres.push_back({0, 0, 0});
        d.object->spheres = d.spheres.data();
        d.object->sphereCount = 1;
        Racer({20.5f, 50, 0}, 1);  // a computer rider touches it: nothing
        UpdateObjects(10, 0);
        EXPECT_EQ(g_profile.sounds, 0);
        ASSERT_TRUE(d.object->contact);
        Racer({20, 50.5f, 0});
        UpdateObjects(10, 0);
        UpdateObjects(10, 0);
        EXPECT_EQ(g_profile.sounds, 1) << c.kind;  // collected once
        EXPECT_FALSE(d.object->contact);
        EXPECT_EQ(g_profile.messages.size(), c.message[0] ? 1u : 0u) << c.kind;
        if (c.message[0] && !g_profile.messages.empty()) {
            EXPECT_EQ(g_profile.messages[0], c.message);
        }
        EXPECT_EQ(g_profile.bikePoints, c.bikePointsAfter);
        EXPECT_EQ(g_profile.unlocks, c.unlocksAfter);
        if (c.kind == 1) {
            EXPECT_EQ(g_profile.points, 25.0f);
        }
        TearDown();
    }
}

TEST_F(DynamicObjectsTest, OwnedUnlocksAndReplaysSwitchPickupsOff) {
    g_profile.unlocks = 2;  // bit 2: kind 3 owned
    auto owned = Record(1, kBonus);
    owned->mode = 3;
    auto other = Record(2, kBonus);
    other->mode = 4;
    std::vector<std::unique_ptr<DynamicRecord>> list;
    list.push_back(std::move(owned));
    list.push_back(std::move(other));
    Load(std::move(list));
    UpdateObjects(10, 0);
    EXPECT_FALSE(DynamicObjects()[0]->object->contact);
    EXPECT_TRUE(DynamicObjects()[1]->object->contact);
    g_profile.off = true;
    UpdateObjects(10, 0);
    EXPECT_FALSE(DynamicObjects()[1]->object->contact);
}

struct VoiceLog {
    std::vector<std::string> calls;
} g_voices;

TEST_F(DynamicObjectsTest, IntermittentSoundPlaysAtOnceThenPausesWholeSeconds) {
    g_voices = VoiceLog();
    static int voice = 0;
    ObjectVoiceHooks& h = DynamicVoiceHooks();
    h.typeVoice = [](uint32_t) -> void* { return &voice; };
    h.setVolume = [](void*, int32_t v) { g_voices.calls.push_back("volume " + std::to_string(v)); };
    h.play = [](void*, bool loop, bool restart) {
        g_voices.calls.push_back(std::string("play") + (loop ? " loop" : "") + (restart ? " restart" : ""));
    };
    h.sampleFrames = [](void*) { return 22050u; };  // one second
    auto sound = Record(1, kPathMoverWithSound);
    sound->hasSound = 1;
    sound->soundLevel = 0.75f;
    sound->paramC = 2;  // pauses of 2..3 whole seconds
    sound->paramD = 3;
    auto loop = Record(2, kBlocker);
    loop->hasSound = 1;
    loop->soundLevel = 1.0f;
    std::vector<std::unique_ptr<DynamicRecord>> list;
    list.push_back(std::move(sound));
    list.push_back(std::move(loop));
    Load(std::move(list));
    EXPECT_EQ(g_voices.calls, (std::vector<std::string>{"volume -2500", "volume 0", "play loop"}));
    g_voices.calls.clear();
    UpdateObjects(10, 0);  // plays at the first step
    EXPECT_EQ(g_voices.calls, std::vector<std::string>{"play restart"});
    const DynamicRecord& r = *DynamicRecords()[0];
    EXPECT_EQ(r.soundPlayLeft, 1000.0f);
    for (int i = 0; i < 101; ++i) UpdateObjects(10, 0);  // the play ends 10 ms into the last step
    EXPECT_EQ(r.soundPlayLeft, 0.0f);
    const float pause = r.soundPauseLeft + 10.0f;
    EXPECT_TRUE(pause == 2000.0f || pause == 3000.0f) << pause;
    EXPECT_EQ(g_voices.calls.size(), 1u);
    DynamicVoiceHooks() = ObjectVoiceHooks();
}

TEST_F(DynamicObjectsTest, DamagedChunksAreRefused) {
    auto r = Record(1, kPathMover);
    r->path = Square(10);
    std::vector<const DynamicRecord*> list = {r.get()};
    const std::vector<uint8_t> good = WorldWriter::DynamicChunk(list, 3);
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"record count past the chunk", WithU32(good, 4, 1000)},
        {"roll count past the chunk", WithU32(good, 8 + 316, 100000)},
        {"path points past the chunk", WithU32(good, 8 + 316 + 4 + 4, 100000)},
        {"cut short", std::vector<uint8_t>(good.begin(), good.end() - 4)},
    };
    EXPECT_EQ(LoadDynamic(good), 0);
    for (const Case& c : cases) {
        EXPECT_EQ(LoadDynamic(c.bytes), -1) << c.what;
        EXPECT_TRUE(DynamicRecords().empty()) << c.what;
    }
}

}  // namespace
}  // namespace kes::test
