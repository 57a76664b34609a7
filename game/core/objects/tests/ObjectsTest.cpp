#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "game/core/maths/FastMath.h"
#include "game/core/objects/Objects.h"

namespace kes {
namespace {

const float kGameBox[6] = {-4100, -4100, -2000, 8100, 8100, 7000};

SectorObject* MakeObject(const char* name, float x = 0, float y = 0, float z = 0, SectorObject* parent = nullptr) {
    ObjectDesc desc{};
    std::strncpy(desc.name, name, sizeof desc.name - 1);
    desc.parent = parent;
    desc.x = x;
    desc.y = y;
    desc.z = z;
    SectorObject* o = nullptr;
    EXPECT_EQ(CreateObject(&o, &desc), 0);
    return o;
}

class ObjectsTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitTrigTables();
        ASSERT_EQ(InitObjects(0, 1, 1, 1, kGameBox), 0);
    }
    void TearDown() override { FreeObjects(); }

    static SectorObject* Make(const char* name, float x = 0, float y = 0, float z = 0) {
        return MakeObject(name, x, y, z);
    }
};

TEST_F(ObjectsTest, PoolHoldsAtMost199AndReusesTheFreedRecord) {
    std::vector<SectorObject*> made;
    for (int i = 0; i < 199; ++i) made.push_back(Make(("o" + std::to_string(i)).c_str()));
    EXPECT_EQ(LiveObjectCount(), 199u);
    testing::internal::CaptureStdout();
    SectorObject* untouched = reinterpret_cast<SectorObject*>(0x1234);
    ObjectDesc desc{};
    std::strcpy(desc.name, "extra");
    EXPECT_EQ(CreateObject(&untouched, &desc), 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Can not allocate another object\n");
    EXPECT_EQ(untouched, reinterpret_cast<SectorObject*>(0x1234));
    EXPECT_EQ(LiveObjectCount(), 199u);
    SectorObject* freed = made[50];
    DestroyObject(freed);
    EXPECT_EQ(Make("again"), freed);
}

TEST_F(ObjectsTest, NewObjectsGoAtTheHeadAndUpdateDrawRunInListOrder) {
    static std::vector<std::string> log;
    log.clear();
    SectorObject* a = Make("A");
    SectorObject* b = Make("B");
    EXPECT_EQ(FirstActiveObject(), b);
    auto update = [](SectorObject* o, uint32_t step, void*) { log.push_back(std::string("u") + o->name + std::to_string(step)); };
    auto draw = [](SectorObject* o, ViewRecord*) { log.push_back(std::string("d") + o->name); };
    a->update = update;
    b->update = update;
    a->draw = draw;
    b->draw = draw;
    UpdateObjects(10, 0);
    DrawObjects(nullptr);
    EXPECT_EQ(log, (std::vector<std::string>{"uB10", "uA10", "dB", "dA"}));
}

TEST_F(ObjectsTest, AnUpdateMayDestroyItsOwnObject) {
    SectorObject* a = Make("A");
    Make("B");
    a->update = [](SectorObject* o, uint32_t, void*) { DestroyObject(o); };
    UpdateObjects(10, 0);
    EXPECT_EQ(LiveObjectCount(), 1u);
}

TEST_F(ObjectsTest, FindObjectNamesWithoutCase) {
    Make("Main Camera");
    SectorObject* found = nullptr;
    EXPECT_EQ(FindObject("main camera", &found), 0);
    EXPECT_STREQ(found->name, "Main Camera");
    EXPECT_EQ(FindObject(std::string(32, 'x').c_str(), &found), 2);
    testing::internal::CaptureStdout();
    EXPECT_EQ(FindObject(std::string(33, 'x').c_str(), &found), 1);
    EXPECT_EQ(FindObject("", &found), 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "ObjectName too long or zero sized\nObjectName too long or zero sized\n");
    EXPECT_EQ(found, nullptr);
}

TEST_F(ObjectsTest, PositionsAreClampedIntoTheBox) {
    struct Case { float x, y, z, ex, ey, ez; };
    const Case cases[] = {
        {0, 0, 0, 0, 0, 0},
        {8101, 0, 0, 8100 - 0.00001f, 0, 0},
        {-5000, -4100, 9000, -4100, -4100, 7000 - 0.00001f},
    };
    for (const Case& c : cases) {
        SectorObject* o = Make("p", c.x, c.y, c.z);
        EXPECT_NEAR(o->position.x, c.ex, 0.002f);
        EXPECT_NEAR(o->position.y, c.ey, 0.002f);
        EXPECT_NEAR(o->position.z, c.ez, 0.002f);
        EXPECT_FLOAT_EQ(o->node->posX, o->position.x);
        DestroyObject(o);
    }
}

TEST(ObjectGrid, MovingAcrossCellsRelinksAtTheHeadOfTheNewSector) {
    const float box[6] = {0, 0, 0, 300, 300, 100};
    ASSERT_EQ(InitObjects(0, 3, 3, 1, box), 0);
    ObjectDesc desc{};
    std::strcpy(desc.name, "mover");
    desc.x = 50;
    desc.y = 50;
    SectorObject* o = nullptr;
    ASSERT_EQ(CreateObject(&o, &desc), 0);
    std::strcpy(desc.name, "resident");
    desc.x = 150;
    SectorObject* r = nullptr;
    ASSERT_EQ(CreateObject(&r, &desc), 0);
    EXPECT_EQ(SectorListHead(0, 0, 0), o);
    MoveObjectBy(o, 100, 0, 0);
    EXPECT_EQ(o->sector[0], 1u);
    EXPECT_EQ(SectorListHead(0, 0, 0), nullptr);
    EXPECT_EQ(SectorListHead(1, 0, 0), o);
    EXPECT_EQ(o->sectorNext, r);
    // The node takes the absolute position, as SetObjectPosition gives it.
    EXPECT_FLOAT_EQ(o->position.x, 150);
    EXPECT_FLOAT_EQ(o->node->posX, 150);
    MoveObjectBy(o, 1e9f, -1e9f, 0);
    EXPECT_EQ(o->sector[0], 2u);
    EXPECT_EQ(o->sector[1], 0u);
    EXPECT_NEAR(o->position.x, 300, 0.001f);
    EXPECT_FLOAT_EQ(o->position.y, 0);
    FreeObjects();
}

// With a parent the new node hangs below the parent's node, and the object is moved by the position of
// the parent and of each further ancestor before it is linked into the sector where it ends up.
TEST(ObjectGrid, AChildIsMovedByEachAncestorAndLinkedWhereItEndsUp) {
    const float box[6] = {0, 0, 0, 300, 300, 100};
    ASSERT_EQ(InitObjects(0, 3, 3, 1, box), 0);
    SectorObject* grandparent = MakeObject("grandparent", 20, 10, 5);
    SectorObject* parent = MakeObject("parent", 100, 5, 1, grandparent);
    // The parent: its own place plus the grandparent's.
    EXPECT_FLOAT_EQ(parent->position.x, 120);
    EXPECT_FLOAT_EQ(parent->position.y, 15);
    EXPECT_FLOAT_EQ(parent->position.z, 6);
    SectorObject* child = MakeObject("child", 10, 150, 2, parent);
    // The child: its own place, plus the parent's position (which holds the grandparent's already),
    // plus the grandparent's.
    EXPECT_FLOAT_EQ(child->position.x, 10 + 120 + 20);
    EXPECT_FLOAT_EQ(child->position.y, 150 + 15 + 10);
    EXPECT_FLOAT_EQ(child->position.z, 2 + 6 + 5);
    EXPECT_FLOAT_EQ(child->node->posX, child->position.x);
    EXPECT_EQ(child->parent, parent);
    EXPECT_EQ(parent->parent, grandparent);
    // Linked once, in the sector of the final place only: (150, 175) is cell (1, 1); its own (10, 150)
    // would have been cell (0, 1).
    EXPECT_EQ(child->sector[0], 1u);
    EXPECT_EQ(child->sector[1], 1u);
    EXPECT_EQ(SectorListHead(1, 1, 0), child);
    EXPECT_EQ(child->sectorNext, nullptr);
    EXPECT_EQ(SectorListHead(0, 1, 0), nullptr);
    EXPECT_EQ(SectorListHead(1, 0, 0), parent);
    EXPECT_EQ(parent->sectorNext, nullptr);
    // The nodes: the child's node is the parent node's only child, the parent's node the grandparent's.
    EXPECT_EQ(parent->node->childCount, 1u);
    EXPECT_EQ(parent->node->hasChildren, 1u);
    ASSERT_NE(parent->node->children, nullptr);
    EXPECT_EQ(parent->node->children->child, child->node);
    EXPECT_EQ(child->node->parent, parent->node);
    EXPECT_EQ(child->node->hasParent, 1u);
    EXPECT_EQ(parent->node->parent, grandparent->node);
    EXPECT_EQ(grandparent->node->childCount, 1u);
    // Children go before their parent.
    DestroyObject(child);
    EXPECT_EQ(parent->node->childCount, 0u);
    DestroyObject(parent);
    DestroyObject(grandparent);
    EXPECT_EQ(LiveObjectCount(), 0u);
    FreeObjects();
}

struct ContactLog {
    std::vector<ContactInfo> seen;
};

int RecordContact(uint32_t event, ContactInfo* info, void* user) {
    EXPECT_EQ(event, kContactObject);
    static_cast<ContactLog*>(user)->seen.push_back(*info);
    return 1;
}

// Makes o a mover with the given spheres whose contacts go to log.
void MakeMover(SectorObject* o, ObjectSphere* spheres, uint32_t count, ContactLog* log) {
    o->spheres = spheres;
    o->sphereCount = count;
    o->contact = RecordContact;
    o->contactUser = log;
    o->update = [](SectorObject*, uint32_t, void*) {};
}

TEST_F(ObjectsTest, TouchingSpheresReportBothWaysWithDirectionAndOffset) {
    SectorObject* a = Make("A", 0, 0, 0);
    SectorObject* b = Make("B", 3, 0, 0);
    ObjectSphere sa[1] = {{{}, {0, 0, 0}, 2.0f, 0}};
    ObjectSphere sb[2] = {{{}, {0, 0, 0}, 1.5f, 0}, {{}, {0, 0, 0}, 5.0f, kSphereNotSolid}};
    ContactLog la, lb;
    a->spheres = sa;
    a->sphereCount = 1;
    a->contact = RecordContact;
    a->contactUser = &la;
    b->spheres = sb;
    b->sphereCount = 2;
    b->contact = RecordContact;
    b->contactUser = &lb;
    a->update = b->update = [](SectorObject*, uint32_t, void*) {};
    UpdateObjects(10, 0);
    EXPECT_FLOAT_EQ(a->boundingRadius, 2.0f);
    EXPECT_FLOAT_EQ(b->boundingRadius, 1.5f);  // the not-solid sphere does not count
    ASSERT_EQ(la.seen.size(), 1u);
    EXPECT_EQ(la.seen[0].other, b);
    EXPECT_EQ(la.seen[0].otherIndex, 0u);
    EXPECT_FLOAT_EQ(la.seen[0].direction.x, 1.0f);
    EXPECT_FLOAT_EQ(la.seen[0].offset.x, 2.0f);
    // B's not-solid sphere still finds A in B's own pass, but is never A's other party.
    ASSERT_EQ(lb.seen.size(), 2u);
    EXPECT_EQ(lb.seen[0].ownIndex, 0u);
    EXPECT_EQ(lb.seen[1].ownIndex, 1u);
    EXPECT_FLOAT_EQ(lb.seen[0].direction.x, -1.0f);
    EXPECT_FLOAT_EQ(lb.seen[1].offset.x, -5.0f);
}

TEST_F(ObjectsTest, ObjectsWithoutSpheresTakeNoPartAndCoincidentCentresGiveZeroDirection) {
    SectorObject* a = Make("A");
    SectorObject* b = Make("B");
    SectorObject* none = Make("none");
    ObjectSphere sa{{}, {0, 0, 0}, 1, 0}, sb{{}, {0, 0, 0}, 1, 0};
    ContactLog la, ln;
    a->spheres = &sa;
    a->sphereCount = 1;
    a->contact = RecordContact;
    a->contactUser = &la;
    b->spheres = &sb;
    b->sphereCount = 1;
    none->contact = RecordContact;
    none->contactUser = &ln;
    UpdateObjects(10, 0);
    ASSERT_EQ(la.seen.size(), 1u);
    EXPECT_EQ(la.seen[0].other, b);
    EXPECT_FLOAT_EQ(la.seen[0].direction.x, 0.0f);
    EXPECT_FLOAT_EQ(la.seen[0].direction.y, 0.0f);
    EXPECT_TRUE(ln.seen.empty());
}

TEST_F(ObjectsTest, CoarseTestSkipsAMultiSphereObjectFarFromTheMover) {
    SectorObject* a = Make("A", 0, 0, 0);
    SectorObject* b = Make("B", 100, 0, 0);
    ObjectSphere sa{{}, {0, 0, 0}, 1, 0};
    // B's second sphere reaches back to A, but B's origin is beyond A's reach.
    ObjectSphere sb[2] = {{{}, {0, 0, 0}, 1, 0}, {{}, {-99.5f, 0, 0}, 1, 0}};
    ContactLog la;
    MakeMover(a, &sa, 1, &la);
    b->spheres = sb;
    b->sphereCount = 2;
    UpdateObjects(10, 0);
    EXPECT_TRUE(la.seen.empty());
}

// The pass skips far pairs by bounds worked out once per mover; whatever the coordinates and however
// far some other object lies, a pair is reported exactly when its spheres touch.
TEST_F(ObjectsTest, PairsAreReportedExactlyWhenTheirSpheresTouchAnywhereInTheBox) {
    struct Case {
        float x;         // the mover's position along x (small and large offsets in the cell)
        float distance;  // from the mover to the two-sphere object along x
        bool touches;    // both radii are 1
    };
    const Case cases[] = {{0, 1.5f, true},       {0, 2.5f, false},      {0, 1000, false},
                          {7990, 1.5f, true},    {7990, -1.9f, true},   {7990, 2.1f, false},
                          {-4000, 0.0f, true},   {-4000, 3000, false},  {3000.25f, -1.999f, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "x " << c.x << " distance " << c.distance);
        SectorObject* far = Make("far", 8000, 8000, 6900);  // raises the largest offset seen
        SectorObject* a = Make("A", c.x, 0, 0);
        SectorObject* b = Make("B", c.x + c.distance, 0, 0);
        ObjectSphere sa{{}, {0, 0, 0}, 1, 0};
        ObjectSphere sb[2] = {{{}, {0, 0, 0}, 1, 0}, {{}, {0, 0, 0}, 1, 0}};
        ObjectSphere sf{{}, {0, 0, 0}, 1, 0};
        ContactLog la;
        MakeMover(a, &sa, 1, &la);
        b->spheres = sb;
        b->sphereCount = 2;
        far->spheres = &sf;
        far->sphereCount = 1;
        UpdateObjects(10, 0);
        EXPECT_EQ(la.seen.size(), c.touches ? 2u : 0u);
        for (const ContactInfo& info : la.seen) EXPECT_EQ(info.other, b);
        DestroyObject(a);
        DestroyObject(b);
        DestroyObject(far);
    }
}

// A contact routine that reshapes the other party's spheres: the tests of the mover's later spheres
// go by the new shape, not by the reach measured before the contact.
TEST_F(ObjectsTest, AContactThatGrowsTheOtherPartyIsSeenByTheMoversLaterSpheres) {
    SectorObject* a = Make("A", 0, 0, 0);
    SectorObject* b = Make("B", 1.5f, 0, 0);
    // A's second sphere lies 6.5 from B: beyond B's first reach (3.1), inside its grown one (12).
    ObjectSphere sa[2] = {{{}, {0, 0, 0}, 1, 0}, {{}, {-5, 0, 0}, 1, 0}};
    ObjectSphere sb[2] = {{{}, {0, 0, 0}, 1, 0}, {{}, {3, 0, 0}, 0.1f, 0}};
    struct Grower {
        ContactLog log;
        ObjectSphere* grown;
    } grower{{}, &sb[1]};
    a->spheres = sa;
    a->sphereCount = 2;
    a->contact = [](uint32_t event, ContactInfo* info, void* user) {
        auto* g = static_cast<Grower*>(user);
        g->grown->radius = 9.0f;
        return RecordContact(event, info, &g->log);
    };
    a->contactUser = &grower;
    a->update = [](SectorObject*, uint32_t, void*) {};
    b->spheres = sb;
    b->sphereCount = 2;
    UpdateObjects(10, 0);
    // (0, 0) touches from the start; (0, 1) and (1, 1) only once B's second sphere has grown.
    ASSERT_EQ(grower.log.seen.size(), 3u);
    const uint32_t own[3] = {0, 0, 1}, other[3] = {0, 1, 1};
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(grower.log.seen[k].ownIndex, own[k]);
        EXPECT_EQ(grower.log.seen[k].otherIndex, other[k]);
    }
}

// A contact routine that moves a far object next to the mover: the mover's pass goes on with the
// object where it is now, not where it was when the pass began.
TEST_F(ObjectsTest, AContactThatMovesAFarObjectCloseIsSeenLaterInTheSamePass) {
    SectorObject* c = Make("C", 500, 0, 0);
    SectorObject* b = Make("B", 1.5f, 0, 0);
    SectorObject* a = Make("A", 0, 0, 0);  // the list runs A, B, C: newest first
    ObjectSphere sa{{}, {0, 0, 0}, 1, 0};
    ObjectSphere sb{{}, {0, 0, 0}, 1, 0};
    ObjectSphere sc[2] = {{{}, {0, 0, 0}, 1, 0}, {{}, {0, 0, 0}, 1, 0}};
    struct Mover {
        ContactLog log;
        SectorObject* moved;
    } mover{{}, c};
    MakeMover(a, &sa, 1, &mover.log);
    a->contact = [](uint32_t event, ContactInfo* info, void* user) {
        auto* m = static_cast<Mover*>(user);
        SetObjectPosition(m->moved, -1.5f, 0, 0);
        return RecordContact(event, info, &m->log);
    };
    a->contactUser = &mover;
    b->spheres = &sb;
    b->sphereCount = 1;
    c->spheres = sc;
    c->sphereCount = 2;
    UpdateObjects(10, 0);
    ASSERT_GE(mover.log.seen.size(), 3u);
    EXPECT_EQ(mover.log.seen[0].other, b);
    EXPECT_EQ(mover.log.seen[1].other, c);
    EXPECT_EQ(mover.log.seen[2].other, c);
    EXPECT_FLOAT_EQ(mover.log.seen[1].direction.x, -1.0f);
}

// The other party's solid spheres are read a batch at a time: an object with more of them than one
// batch holds is tested to its last sphere, in index order, its not-solid ones left out.
TEST_F(ObjectsTest, EveryOneOfManySpheresIsTestedInIndexOrder) {
    SectorObject* b = Make("B", 0.5f, 0, 0);
    SectorObject* a = Make("A", 0, 0, 0);
    ObjectSphere sa{{}, {0, 0, 0}, 1, 0};
    std::vector<ObjectSphere> sb(40, ObjectSphere{{}, {10, 0, 0}, 0.1f, 0});
    sb[5] = {{}, {0, 0, 0}, 50, kSphereNotSolid};
    sb[36] = {{}, {0, 0, 0}, 1, 0};
    sb[39] = {{}, {0, 0, 0}, 1, 0};
    ContactLog la;
    MakeMover(a, &sa, 1, &la);
    b->spheres = sb.data();
    b->sphereCount = static_cast<uint32_t>(sb.size());
    UpdateObjects(10, 0);
    ASSERT_EQ(la.seen.size(), 2u);
    EXPECT_EQ(la.seen[0].otherIndex, 36u);
    EXPECT_EQ(la.seen[1].otherIndex, 39u);
}

TEST_F(ObjectsTest, NodeUpdateAppliesTranslateRotateScaleAfterTheParent) {
    SceneNode parent, child;
    parent.SetPosition(10, 0, 0);
    parent.AddChild(&child);
    child.SetPosition(1, 2, 3);
    child.scaleFlag = 1;
    child.scale = 2.0f;
    parent.Update();
    child.Update();
    // Scale applies to the point before the translations: the origin lands at (1, 2, 3) + (10, 0, 0).
    EXPECT_FLOAT_EQ(child.worldPosition.x, 11.0f);
    EXPECT_FLOAT_EQ(child.worldPosition.y, 2.0f);
    EXPECT_FLOAT_EQ(child.worldPosition.z, 3.0f);
    EXPECT_FLOAT_EQ(child.world.m[0], 2.0f);
    // A quarter turn about z (angle a) turns the x row into the y row.
    SceneNode turned;
    turned.rotateFlag = 1;
    turned.angleA = 1.5707964f;
    turned.Update();
    EXPECT_NEAR(turned.world.m[0], 0.0f, 1e-3f);
    EXPECT_NEAR(turned.world.m[1], 1.0f, 1e-3f);
    turned.frozen = 1;
    turned.Update();
    EXPECT_FLOAT_EQ(turned.world.m[0], 1.0f);
    child.Release();
    EXPECT_EQ(parent.childCount, 0u);
    EXPECT_EQ(child.parent, nullptr);
}

TEST(ObjectPool, NothingWorksBeforeInitAndFreeIsSafeTwice) {
    FreeObjects();
    ObjectDesc desc{};
    std::strcpy(desc.name, "x");
    EXPECT_EQ(CreateObject(nullptr, &desc), 1);
    EXPECT_EQ(FreeObjects(), 0);
    EXPECT_EQ(FreeObjects(), 0);
}

}  // namespace
}  // namespace kes
