// The modeller scene layer: meshes, transforms over time, materials and the selection.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/modeller/ModellerScene.h"

namespace plat {
namespace {

void ExpectPoint(ScenePoint got, ScenePoint want) {
    EXPECT_NEAR(got.x, want.x, 1e-5);
    EXPECT_NEAR(got.y, want.y, 1e-5);
    EXPECT_NEAR(got.z, want.z, 1e-5);
}

SceneMesh Triangle() {
    SceneMesh m;
    m.verts = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    m.faces = {SceneFace{{0, 1, 2}, 0, 1}};
    return m;
}

TEST(SceneMesh, DeleteIsoVertsRenumbersFacesAndKeepsNormalsInStep) {
    SceneMesh m;
    m.verts = {{9, 9, 9}, {0, 0, 0}, {8, 8, 8}, {1, 0, 0}, {0, 1, 0}};
    m.faces = {SceneFace{{1, 3, 4}, 0, 1}};
    m.SetNormals({{1, 0, 0}, {0, 0, 1}, {1, 0, 0}, {0, 1, 0}, {0, 0, -1}});
    m.DeleteIsoVerts();
    ASSERT_EQ(m.verts.size(), 3u);
    EXPECT_EQ(m.faces[0].v, (std::array<uint32_t, 3>{0, 1, 2}));
    ExpectPoint(m.GetNormal(1), {0, 1, 0});
    ExpectPoint(m.GetNormal(2), {0, 0, -1});
}

TEST(SceneMesh, BuiltNormalsAverageTheFacesAroundAVertex) {
    SceneMesh m;  // two faces meeting at a right angle along the x axis
    m.verts = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    m.faces = {SceneFace{{0, 1, 2}, 0, 1}, SceneFace{{0, 3, 1}, 0, 1}};
    m.BuildNormals();
    const float h = std::sqrt(0.5f);
    ExpectPoint(m.GetNormal(0), {0, h, h});
    ExpectPoint(m.GetNormal(2), {0, 0, 1});
    ExpectPoint(m.GetNormal(3), {0, 1, 0});
    ExpectPoint(m.FaceNormal(1), {0, 1, 0});
}

TEST(SceneMesh, ValidityCatchesIndicesOutOfRange) {
    SceneMesh m = Triangle();
    EXPECT_TRUE(m.IsValid());
    m.tverts = {{0, 0, 0}};
    m.tvFaces = {{0, 0, 1}};
    EXPECT_FALSE(m.IsValid());
    m.tvFaces = {{0, 0, 0}};
    EXPECT_TRUE(m.IsValid());
    m.faces[0].v[2] = 3;
    EXPECT_FALSE(m.IsValid());
}

TEST(SceneNode, WorldTransformIsOwnThenParentsThenSceneBase) {
    ModellerScene scene;
    SceneNode* parent = scene.AddNode("Parent");
    parent->localTm = SceneMatrix::Compose({2, 2, 2}, {}, {10, 0, 0});
    SceneNode* child = scene.AddNode("Child", parent);
    child->localTm.row[3] = {0, 1, 0};
    ExpectPoint(ScenePoint{1, 0, 0} * child->GetObjectTM(0), {12, 2, 0});
    SceneMatrix base;
    base.row[3] = {0, 0, 5};
    scene.SetBaseTransform(base);
    ExpectPoint(ScenePoint{1, 0, 0} * child->GetObjectTM(0), {12, 2, 5});
    EXPECT_NEAR(child->GetObjectTM(0).Determinant3(), 8.0f, 1e-5);
}

TEST(SceneNode, TrackInterpolatesBetweenKeysAndHoldsOutside) {
    ModellerScene scene;
    SceneNode* node = scene.AddNode("Spin");
    const float s = std::sqrt(0.5f);
    node->track.rotation = {{0, SceneQuat{}}, {160, SceneQuat{0, 0, s, s}}};  // a quarter turn about z
    node->track.position = {{0, {0, 0, 0}}, {160, {4, 0, 0}}};
    struct Case {
        SceneTime t;
        ScenePoint want;  // where (1, 0, 0) goes
    };
    const Case cases[] = {{-50, {1, 0, 0}}, {0, {1, 0, 0}}, {80, {2 + s, s, 0}}, {160, {4, 1, 0}}, {999, {4, 1, 0}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.t);
        ExpectPoint(ScenePoint{1, 0, 0} * node->GetObjectTM(c.t), c.want);
    }
}

TEST(SceneNode, MeshAtATimeIsTheLastKeyNotAfterIt) {
    ModellerScene scene;
    SceneNode* node = scene.AddNode("Shape");
    EXPECT_EQ(node->EvalMesh(0), nullptr);
    EXPECT_FALSE(node->CanConvertToTriObject(0));
    SceneMesh big = Triangle();
    big.verts.push_back({5, 5, 5});
    node->meshKeys.push_back({100, Triangle()});
    node->meshKeys.push_back({200, big});
    EXPECT_EQ(node->EvalMesh(0)->verts.size(), 3u);
    EXPECT_EQ(node->EvalMesh(199)->verts.size(), 3u);
    EXPECT_EQ(node->EvalMesh(200)->verts.size(), 4u);
    node->meshKeys[0].mesh.faces[0].v[0] = 7;  // broken mesh: not convertible
    EXPECT_FALSE(node->CanConvertToTriObject(0));
    EXPECT_TRUE(node->CanConvertToTriObject(200));
}

TEST(SceneMaterial, SubMaterialsAndMapsOutOfRangeAreNull) {
    SceneMaterial multi;
    multi.subMaterials = {std::make_shared<SceneMaterial>(), nullptr};
    EXPECT_NE(multi.GetSubMtl(0), nullptr);
    EXPECT_EQ(multi.GetSubMtl(1), nullptr);
    EXPECT_EQ(multi.GetSubMtl(2), nullptr);
    EXPECT_EQ(multi.GetSubMtl(-1), nullptr);
    EXPECT_EQ(multi.GetSubTexmap(kMapSlotCount), nullptr);
    EXPECT_EQ(multi.GetSubTexmap(-1), nullptr);
}

TEST(ModellerScene, SelectAllGeometryTakesMeshNodesInHierarchyOrder) {
    ModellerScene scene;
    SceneNode* a = scene.AddNode("A");
    scene.AddNode("Camera");
    SceneNode* b = scene.AddNode("B", a);
    SceneNode* c = scene.AddNode("C");
    for (SceneNode* n : {a, b, c}) n->meshKeys.push_back({0, Triangle()});
    scene.SelectAllGeometry();
    ASSERT_EQ(scene.GetSelNodeCount(), 3);
    EXPECT_EQ(scene.GetSelNode(0), a);
    EXPECT_EQ(scene.GetSelNode(1), b);
    EXPECT_EQ(scene.GetSelNode(2), c);
    EXPECT_EQ(scene.GetSelNode(3), nullptr);
    EXPECT_EQ(scene.FindNode("Camera")->name, "Camera");
    EXPECT_EQ(scene.FindNode("Nobody"), nullptr);
    scene.SetFrameRate(25);
    EXPECT_EQ(scene.GetTicksPerFrame(), 192);
}

}  // namespace
}  // namespace plat
