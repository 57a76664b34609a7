// The camera plug-in: placing cameras and their zones with the mouse, the panel's clamps, the "CAMR"
// chunk (and what the game's camera-zone map makes of it), the world messages, the camera mesh after
// a world is opened, and the "Choose Viewport" dialog.
#include <cmath>

#include "PluginKit.h"
#include "TestViewport.h"
#include "game/core/pack/PackFile.h"
#include "game/world/chunk/ChunkStream.h"
#include "game/world/chunk/MemoryPack.h"
#include "game/world/maps/CameraZones.h"
#include "game/world/writer/WorldWriter.h"
#include "platform/bytes/ByteIO.h"
#include "plugins/camera/CameraPlugin.h"
#include "plugins/shared/MemoryStream.h"

namespace qvtest {
namespace {

using qv::TrackCameraRecord;

enum : int { kKill = 1002, kFromViewport = 1003, kAdd = 1008, kActivate = 1009, kZPos = 1010, kRangeOn = 1024 };

class CameraTest : public OnePluginFixture<qv::CameraPlugin> {
protected:
    void TearDown() override {
        kes::CameraZonesFree();
        OnePluginFixture::TearDown();
    }
    void Press(int x, int y) { plugin->Press({&view, x, y, 0, 0}); }
    void Drag(int dx, int dy) { plugin->Drag({&view, dx, dy, 0, 0}); }
    void Release() { plugin->mainPort.OnMessage(nullptr, qv::kMsgSelectRelease, 0, 0); }
    RecordingViewport view;  // top-down, one pixel a unit
};

TEST_F(CameraTest, CamerasAndZonesArePlacedWithTheMouse) {
    PlaneGround ground(0.0f, 12.0f);
    ASSERT_EQ(editor->bus.Register(&ground), 0);
    plat::Dialog& d = Panel(0);
    Press(50, 50);  // nothing while not activated
    EXPECT_TRUE(plugin->cameras.empty());
    ASSERT_TRUE(d.UserClick(kActivate));
    ASSERT_TRUE(d.UserClick(kAdd));
    Press(100, 200);
    ASSERT_EQ(plugin->cameras.size(), 1u);
    EXPECT_EQ(plugin->cameras[0].x, 100.0f);
    EXPECT_EQ(plugin->cameras[0].z, 12.0f);
    EXPECT_EQ(plugin->cameras[0].cut, 0.1f);
    EXPECT_EQ(plugin->cameras[0].fov, 90.0f);
    EXPECT_EQ(plugin->tool, qv::CameraTool::Zone);
    Release();
    Press(80, 150);  // the zone starts here and its far corner follows the drag
    Drag(60, 100);
    Release();
    const TrackCameraRecord& c = plugin->cameras[0];
    EXPECT_EQ(c.x1, 80.0f);
    EXPECT_EQ(c.y1, 150.0f);
    EXPECT_EQ(c.x2, 140.0f);
    EXPECT_EQ(c.y2, 250.0f);
    EXPECT_EQ(plugin->tool, qv::CameraTool::Add);
    Press(400, 400);  // the next camera: the last zone is no longer held
    Drag(5, 5);
    EXPECT_EQ(plugin->cameras[0].x2, 140.0f);
    ASSERT_EQ(plugin->cameras.size(), 2u);

    // Select: the first camera's marker, then drag it.
    ASSERT_TRUE(d.UserClick(kAdd));
    Release();
    Press(102, 201);
    EXPECT_EQ(plugin->selected, 0);
    EXPECT_EQ(plugin->heldPart, 0);
    Drag(10, 0);
    EXPECT_EQ(plugin->cameras[0].x, 110.0f);
    EXPECT_EQ(d.Text(kZPos), "12.000");
    editor->bus.Unregister(&ground);
}

TEST_F(CameraTest, DraggingACornerPastTheOtherKeepsTheZoneOrdered) {
    struct Case {
        const char* what;
        int part, dx, dy;
        float x1, y1, x2, y2;
        int partAfter;
    } cases[] = {
        {"corner 1 past corner 2 in x", 1, 30, 0, 20, 0, 30, 10, 2},
        {"corner 1 past corner 3 in y", 1, 0, 30, 0, 10, 20, 30, 3},
        {"corner 4 past corner 1 in both", 4, -30, -30, -10, -20, 0, 0, 1},
        {"corner 2 within the zone", 2, -5, 0, 0, 0, 15, 10, 2},
    };
    for (const Case& k : cases) {
        plugin->activated = true;
        TrackCameraRecord zone;
        zone.x2 = 20, zone.y2 = 10;
        plugin->cameras = {zone};
        plugin->held = 0;
        plugin->heldPart = k.part;
        Drag(k.dx, k.dy);
        const TrackCameraRecord& c = plugin->cameras[0];
        EXPECT_EQ(c.x1, k.x1) << k.what;
        EXPECT_EQ(c.y1, k.y1) << k.what;
        EXPECT_EQ(c.x2, k.x2) << k.what;
        EXPECT_EQ(c.y2, k.y2) << k.what;
        EXPECT_EQ(plugin->heldPart, k.partAfter) << k.what;
    }
}

TEST_F(CameraTest, TypedValuesAreClamped) {
    plugin->activated = true;
    plugin->cameras.resize(1);
    plugin->selected = 0;
    plat::Dialog& d = Panel(0);
    const struct {
        int id;
        const char* typed;
        float TrackCameraRecord::*field;
        float stored;
    } cases[] = {
        {qv::kCameraZoom, "1.5", &TrackCameraRecord::zoom, 1.0f},        {qv::kCameraZoom, "-1", &TrackCameraRecord::zoom, 0.0f},
        {qv::kCameraRange, "-3", &TrackCameraRecord::range, 0.0f},      {qv::kCameraMinDistance, "-3", &TrackCameraRecord::minDistance, 0.0f},
        {qv::kCameraMaxDistance, "42", &TrackCameraRecord::maxDistance, 42.0f},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(d.UserType(c.id, c.typed)) << c.id;
        EXPECT_EQ(plugin->cameras[0].*c.field, c.stored) << c.id << " " << c.typed;
    }
    // Cut and FOV are in the panel but hidden; their values are clamped all the same.
    const struct {
        int id;
        float typed;
        float TrackCameraRecord::*field;
        float stored;
    } hidden[] = {{qv::kCameraFov, 200, &TrackCameraRecord::fov, 170}, {qv::kCameraFov, 10, &TrackCameraRecord::fov, 30},
                  {qv::kCameraCut, 0, &TrackCameraRecord::cut, 0.0001f}, {qv::kCameraCut, 5, &TrackCameraRecord::cut, 1}};
    for (const auto& c : hidden) {
        plugin->SetField(c.id, c.typed);
        EXPECT_EQ(plugin->cameras[0].*c.field, c.stored) << c.id << " " << c.typed;
    }
    ASSERT_TRUE(d.UserClick(kRangeOn));
    EXPECT_EQ(plugin->cameras[0].rangeOn, 1u);
    plugin->cameras.resize(2);
    ASSERT_TRUE(d.UserClick(kKill));
    EXPECT_EQ(plugin->cameras.size(), 1u);
    EXPECT_EQ(plugin->selected, -1);
}

TEST_F(CameraTest, TheChunkRoundTripsAndTheGameReadsTheSameZones) {
    TrackCameraRecord a, b;
    a.x = 10, a.y = 20, a.z = 35, a.height = 5, a.x1 = 0, a.y1 = 0, a.x2 = 100, a.y2 = 50, a.zoom = 0.5f;
    a.range = 30, a.rangeOn = 1, a.minDistance = 2, a.maxDistance = 80, a.maxOn = 1, a.cut = 0.25f, a.fov = 60;
    b.x = -40, b.x1 = -60, b.y1 = -60, b.x2 = -20, b.y2 = -10;
    plugin->cameras = {a, b};
    const std::vector<uint8_t> body = Saved();
    ASSERT_EQ(body.size(), 8u + 2 * 68);
    kes::CameraRecordData w;
    w.x = 10, w.y = 20, w.z = 35, w.heightAboveGround = 5, w.corner2X = 100, w.corner2Y = 50, w.zoom = 0.5f;
    w.range = 30, w.rangeOn = 1, w.minDistance = 2, w.maxDistance = 80, w.maxOn = 1, w.cut = 0.25f, w.fov = 60;
    kes::CameraRecordData w2;
    w2.x = -40, w2.corner1X = -60, w2.corner1Y = -60, w2.corner2X = -20, w2.corner2Y = -10;
    kes::WorldWriter writer;
    writer.Cameras({w, w2});
    EXPECT_EQ(ChunkOf(writer.Finish(), qv::FourCC("CAMR")), body);

    kes::MemoryPack pack(body);
    kes::ChunkStream s(pack, static_cast<uint32_t>(body.size()));
    ASSERT_EQ(kes::CameraZonesLoad(s), 0);
    ASSERT_EQ(kes::CameraZoneCount(), 2u);
    const kes::CameraZone* z = kes::CameraZoneAt(0);
    EXPECT_EQ(z->height, 5.0f);
    EXPECT_EQ(z->maxX, 100.0f);
    EXPECT_EQ(z->settings[0], 0.5f);   // zoom
    EXPECT_EQ(z->settings[8], 60.0f);  // field of view
    kes::Vec3 eye{};
    EXPECT_EQ(kes::CameraZoneContains({-30, -30, 0}, -1, &eye), 1);

    ASSERT_EQ(Load(body), 0);
    EXPECT_TRUE(plugin->activated);
    ASSERT_EQ(plugin->cameras.size(), 2u);
    EXPECT_EQ(std::memcmp(&plugin->cameras[0], &a, sizeof a), 0);
    EXPECT_EQ(Saved(), body);
}

TEST_F(CameraTest, OtherVersionsLoadNothingAndDamagedChunksAreRefused) {
    plugin->cameras.resize(1);
    std::vector<uint8_t> body = Saved();
    plat::StoreU32(&body[0], 1);
    EXPECT_EQ(Load(body), 0);
    EXPECT_TRUE(plugin->cameras.empty());
    EXPECT_FALSE(plugin->activated);
    std::vector<uint8_t> huge = {2, 0, 0, 0, 0xE8, 0x03, 0, 0};
    huge.resize(20, 0);
    EXPECT_EQ(Load(huge), qv::Result(qv::kResultBadChunk));
    EXPECT_EQ(Load({2, 0}), qv::Result(qv::kResultBadChunk));
}

TEST_F(CameraTest, WorldMessagesScaleAndGroundTheCameras) {
    TrackCameraRecord c;
    c.x = 100, c.x1 = 50, c.x2 = 150, c.y = 10, c.z = 20, c.height = 4;
    plugin->cameras = {c};
    const float previous[6] = {0, 0, 0, 1000, 1000, 100}, now[6] = {0, 0, 0, 2000, 1000, 200}, flat[6] = {0, 0, 0, 0, 0, 0};
    editor->bus.Broadcast(&editor->mainPort, qv::kKindWorld, qv::kMsgWorldBoundsChanged,
                          reinterpret_cast<qv::MsgArg>(previous), reinterpret_cast<qv::MsgArg>(now));
    EXPECT_EQ(plugin->cameras[0].x, 200.0f);
    EXPECT_EQ(plugin->cameras[0].x1, 100.0f);
    EXPECT_EQ(plugin->cameras[0].x2, 300.0f);
    EXPECT_EQ(plugin->cameras[0].y, 10.0f);
    EXPECT_EQ(plugin->cameras[0].height, 8.0f);
    editor->bus.Broadcast(&editor->mainPort, qv::kKindWorld, qv::kMsgWorldBoundsChanged,
                          reinterpret_cast<qv::MsgArg>(flat), reinterpret_cast<qv::MsgArg>(now));
    EXPECT_EQ(plugin->cameras[0].x, 200.0f);
    PlaneGround ground(0.1f, 1.0f);
    ASSERT_EQ(editor->bus.Register(&ground), 0);
    editor->bus.Broadcast(&editor->mainPort, qv::kKindWorld, qv::kMsgRedrawArea, 0, 0);
    EXPECT_EQ(plugin->cameras[0].z, 21.0f + 8.0f);
    editor->bus.Unregister(&ground);
}

TEST_F(CameraTest, TheCameraMeshIsBackAfterAWorldIsOpened) {
    plugin->cameras.resize(1);
    const std::vector<uint8_t> body = Saved();
    ASSERT_EQ(Load(body), 0);  // the open empties every plug-in's mesh list first
    Panel(0);
    view.flags = qv::kViewportPerspective;
    plugin->DrawViewport(&view);
    ASSERT_EQ(view.meshes.size(), 1u);
    ASSERT_GE(editor->Host(0)->GetMeshCount(), 1);
    EXPECT_NE(editor->Host(0)->GetMesh(view.meshes[0].index), nullptr);
    view.flags = qv::kViewportTopDown;
    plugin->DrawViewport(&view);
    ASSERT_EQ(view.primitives.size(), 1u);
    EXPECT_EQ(view.primitives[0].vertices.size(), 16u + 8u);  // two squares and the zone
}

TEST_F(CameraTest, ChooseViewportTakesThatViewportsCamera) {
    view.camera[0] = 300, view.camera[1] = 400, view.camera[2] = 90;
    editor->viewports[1] = &view;
    plugin->activated = true;
    plat::Dialog& d = Panel(0);
    plat::ScriptNextDialog([](plat::Dialog& choose) {
        EXPECT_FALSE(choose.IsEnabled(1001 + 2));
        choose.UserClick(1001 + 1);
    });
    d.Send(plat::WM_COMMAND, plat::MakeWParam(kFromViewport, plat::BN_CLICKED), 0);  // the button is hidden
    editor->viewports[1] = nullptr;
    ASSERT_EQ(plugin->cameras.size(), 1u);
    EXPECT_EQ(plugin->cameras[0].x, 300.0f);
    EXPECT_EQ(plugin->cameras[0].z, 90.0f);
    EXPECT_EQ(plugin->cameras[0].height, 90.0f);  // no landscape: ground 0
    EXPECT_EQ(plugin->tool, qv::CameraTool::Zone);
}

}  // namespace
}  // namespace qvtest
