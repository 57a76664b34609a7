// Viewports: cameras, predefined and user views, navigation per tool, the render pass, mouse routing to
// plug-in ports and locked views, the popup menu's state, redraw coalescing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "editor/core/Editor.h"
#include "editor/input/MouseInput.h"
#include "editor/render/RenderLayer.h"
#include "editor/viewport/EditorViewport.h"
#include "editor/viewport/tests/FakePlugin.h"
#include "platform/bytes/ByteIO.h"
#include "platform/dialogs/Bitmap.h"
#include "platform/dialogs/Modal.h"

namespace qv {
namespace {

class ViewportFixture : public ::testing::Test {
protected:
    ViewportFixture() : render(&device, 800, 600) {
        editor.RegisterPlugin(reinterpret_cast<QvModule>(1), &land);
        editor.RegisterPlugin(reinterpret_cast<QvModule>(2), &objects);
        editor.render = &render;
        mouse.Create();
        set = std::make_unique<ViewportSet>(&editor, &render, &mouse);
        for (int i = 0; i < 4; ++i) (*set)[i].Resize(400, 300);
        set->PaintPending();  // the first paint after sizing
        land.drawnIn.clear();
        objects.drawnIn.clear();
        plat::ClearScripts();
    }
    ~ViewportFixture() override {
        set.reset();
        editor.Shutdown();
    }
    EditorViewport& V(int i) { return (*set)[i]; }
    // One 10 ms step of a drag with this much motion (left button held).
    void Drag(EditorViewport& v, int dx, int dy) {
        mouse.SetButton(0, true);
        mouse.AddMotion(dx, dy);
        v.MouseTrack(0, 0);
    }

    FakePlugin land{"SLND", "Landscape", 0xFF00FF00u};
    FakePlugin objects{"OBJT", "Object", 0xFF0000FFu};
    Editor editor;
    RecordingDevice device;
    RenderLayer render;
    MouseDevice mouse;
    std::unique_ptr<ViewportSet> set;
};

void ExpectVec(const float* got, std::initializer_list<float> want, float tol = 1e-4f) {
    size_t i = 0;
    for (float w : want) EXPECT_NEAR(got[i++], w, tol) << "component " << i - 1;
}

TEST(ViewportRotation, ZeroAnglesLookAlongYWithZUp) {
    const float zero[3] = {0, 0, 0};
    float r[3], f[3], u[3];
    RotationFromAngles(zero, r, f, u);
    ExpectVec(r, {1, 0, 0});
    ExpectVec(f, {0, 1, 0});
    ExpectVec(u, {0, 0, 1});
    // Any angles give orthonormal rows.
    const float some[3] = {33, 71, 250};
    RotationFromAngles(some, r, f, u);
    auto dot = [](const float* a, const float* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; };
    EXPECT_NEAR(dot(r, f), 0, 1e-5);
    EXPECT_NEAR(dot(r, u), 0, 1e-5);
    EXPECT_NEAR(dot(f, u), 0, 1e-5);
    EXPECT_NEAR(dot(f, f), 1, 1e-5);
}

TEST_F(ViewportFixture, PredefinedViewsPlaceTheCameraAroundTheWorld) {
    struct Case {
        int kind;
        float x, y, z, a1, a3;
    };
    // Bounds (0,0,0)-(1000,1000,1000).
    const Case cases[] = {{0, 2000, 500, 500, 0, 90},       {1, -1000, 500, 500, 0, 270},  {2, 500, -1000, 500, 0, 0},
                          {3, 500, 2000, 500, 0, 180},      {4, 500, 500, 2000, 270, 0},   {5, 500, 500, -1000, 90, 0},
                          {6, -1000, -1000, 2000, 315, 315}, {7, 2000, -1000, 2000, 315, 45},
                          {8, -1000, 2000, 2000, 315, 225}, {9, 2000, 2000, 2000, 315, 135}};
    for (const Case& c : cases) {
        V(0).SetView(c.kind);
        const CameraRecord& cam = V(0).Camera();
        ExpectVec(cam.position, {c.x, c.y, c.z});
        ExpectVec(cam.angles, {c.a1, 0, c.a3});
    }
    V(0).SetView(2);
    ExpectVec(V(0).Forward(), {0, 1, 0});
    // The camera is centred on worlds that do not start at 0.
    const float offset[6] = {-500, -500, -500, 500, 500, 500};
    editor.world.SetWorldBounds(offset);
    V(0).SetView(2);
    ExpectVec(V(0).Camera().position, {0, -1500, 0});
    // Unknown kinds change nothing.
    V(0).SetView(10);
    ExpectVec(V(0).Camera().position, {0, -1500, 0});
}

TEST_F(ViewportFixture, NavigationTable) {
    struct Row {
        const char* what;
        int32_t tool;
        uint32_t flags;
        int dx, dy;
        int steps;
        float pos[3];
        float angles[3];
        float zoom;
        float fov;
    };
    const float fov = 1.0471976f;
    const Row rows[] = {
        // t = 1, r = 0.05; the camera starts at (0, 0, 0), angles 0, looking along +y.
        {"move follows the mouse", kToolMove, kViewportPerspective, 10, 4, 1, {-10, 0, 4}, {0, 0, 0}, 4, fov},
        {"move top-down", kToolMove, kViewportTopDown, 10, 4, 1, {-10, 4, 0}, {0, 0, 0}, 4, fov},
        {"mouse up moves forward", kToolForward, kViewportPerspective, 0, -5, 1, {0, 5, 0}, {0, 0, 0}, 4, fov},
        {"zoom top-down", kToolForward, kViewportTopDown, 0, 10, 1, {0, 0, 0}, {0, 0, 0}, 3, fov},
        {"zoom stays at 0.1", kToolForward, kViewportTopDown, 0, 100, 3, {0, 0, 0}, {0, 0, 0}, 0.1f, fov},
        {"zoom stays at 20", kToolForward, kViewportTopDown, 0, -100, 3, {0, 0, 0}, {0, 0, 0}, 20, fov},
        {"rotate", kToolRotate, kViewportPerspective, 20, 40, 1, {0, 0, 0}, {2, 0, 1}, 4, fov},
        {"rotate wraps below 0", kToolRotate, kViewportPerspective, -20, -40, 1, {0, 0, 0}, {358, 0, 359}, 4, fov},
        {"rotate many whole turns", kToolRotate, kViewportPerspective, 7200, 0, 12, {0, 0, 0}, {0, 0, 0}, 4, fov},
        {"rotate top-down does nothing", kToolRotate, kViewportTopDown, 20, 40, 1, {0, 0, 0}, {0, 0, 0}, 4, fov},
        {"tilt", kToolTilt, kViewportPerspective, 20, 0, 1, {0, 0, 0}, {0, 359, 0}, 4, fov},
        {"field of view stays at 135 degrees", kToolFieldOfView, kViewportPerspective, 0, 400, 6, {0, 0, 0}, {0, 0, 0},
         4, 2.3561945f},
        {"field of view stays at 22.5 degrees", kToolFieldOfView, kViewportPerspective, 0, -400, 6, {0, 0, 0},
         {0, 0, 0}, 4, 0.3926991f},
        {"field of view zooms without perspective", kToolFieldOfView, 0, 0, 10, 1, {0, 0, 0}, {0, 0, 0}, 3, fov},
        {"no tool: nothing moves", kToolNone, kViewportPerspective, 10, 10, 1, {0, 0, 0}, {0, 0, 0}, 4, fov},
        {"steady drag: equal steps all count", kToolMove, kViewportPerspective, 3, 0, 4, {-12, 0, 0}, {0, 0, 0}, 4,
         fov},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EditorViewport& v = V(1);
        v.Camera() = CameraRecord{{0, 0, 0}, {0, 0, 0}, fov, 5, 2000};
        v.SetZoom(4);
        v.SetFlags(row.flags);
        set->tool = row.tool;
        v.UpdateMatrices();
        v.MouseDown(10, 10, 0, 0);
        for (int i = 0; i < row.steps; ++i) Drag(v, row.dx, row.dy);
        mouse.SetButton(0, false);
        v.MouseTrack(0, 0);
        EXPECT_FALSE(v.Dragging()) << "releasing the button ends the drag";
        ExpectVec(v.Camera().position, {row.pos[0], row.pos[1], row.pos[2]}, 1e-3f);
        for (int i = 0; i < 3; ++i) {
            EXPECT_GE(v.Camera().angles[i], 0.0f);
            EXPECT_LT(v.Camera().angles[i], 360.0f);
        }
        ExpectVec(v.Camera().angles, {row.angles[0], row.angles[1], row.angles[2]}, 1e-2f);
        EXPECT_NEAR(v.Zoom(), row.zoom, 1e-4);
        EXPECT_NEAR(v.Camera().fieldOfView, row.fov, 1e-5);
    }
}

TEST_F(ViewportFixture, WorldResetAndOpenRebuildTheViewportCameras) {
    // A reset puts every viewport back in its predefined view, whoever shows the editor.
    for (int i = 0; i < 4; ++i) V(i).SetView(4);
    ASSERT_EQ(editor.world.Reset(true, false), 1);
    float p[3];
    V(0).GetCameraPosition(p);
    ExpectVec(p, {500, -1000, 500});  // "Front"
    V(1).GetCameraPosition(p);
    ExpectVec(p, {-1000, 500, 500});  // "Left"
    EXPECT_FLOAT_EQ(V(2).Camera().angles[2], 315);  // "Corner Front Left"

    // A world file's cameras turn the viewports at once: forward follows the stored angles before any
    // paint.
    V(1).Camera().angles[0] = 0;
    V(1).Camera().angles[2] = 90;
    const std::string file = ::testing::TempDir() + "cameras.wld";
    ASSERT_EQ(editor.world.Save(file), 0);
    ASSERT_EQ(editor.world.Reset(true, false), 1);
    ASSERT_EQ(editor.world.Open(file), 0);
    float f[3];
    V(1).GetForward(f);
    ExpectVec(f, {-1, 0, 0});
    std::remove(file.c_str());
}

TEST_F(ViewportFixture, TopDownReportsNoPerspective) {
    V(0).SetFlags(kViewportPerspective | kViewportTopDown);
    EXPECT_EQ(V(0).GetFlags(), static_cast<uint32_t>(kViewportTopDown));
}

TEST_F(ViewportFixture, MatricesProjectTheWorldOntoTheViewport) {
    V(2).SetView(2);  // "Front": (500, -1000, 500) looking along +y
    V(2).UpdateMatrices();
    // The world's centre lands in the middle of the 400 x 300 viewport.
    const float centre[3] = {500, 500, 500};
    ScreenVertex out{};
    V(2).TransformPoints(nullptr, &out, 1, centre, 0xFFFFFFFF);
    EXPECT_NEAR(out.sx, 200, 1e-3);
    EXPECT_NEAR(out.sy, 150, 1e-3);
    EXPECT_NEAR(out.rhw, 1.0f / 1500, 1e-7);
    EXPECT_GT(out.sz, 0);
    EXPECT_LT(out.sz, 1);
    // Up is up on screen, right is right.
    const float upper[3] = {500, 500, 600}, right[3] = {600, 500, 500};
    V(2).TransformPoints(nullptr, &out, 1, upper, 0);
    EXPECT_LT(out.sy, 150);
    V(2).TransformPoints(nullptr, &out, 1, right, 0);
    EXPECT_GT(out.sx, 200);
    // Near and far are put back to 5 and 2000 whatever the record held.
    V(2).Camera().nearPlane = 1;
    V(2).UpdateMatrices();
    float n = 0, f = 0;
    V(2).GetClipPlanes(&n, nullptr);
    V(2).GetClipPlanes(nullptr, &f);
    EXPECT_EQ(n, 5);
    EXPECT_EQ(f, 2000);
}

TEST_F(ViewportFixture, OrthographicDepthSurvivesATinyWorld) {
    const float tiny[6] = {0, 0, 0, 1, 1, 1};
    editor.world.SetWorldBounds(tiny);
    V(0).SetFlags(kViewportTopDown);
    V(0).UpdateMatrices();
    for (int i = 0; i < 16; ++i) EXPECT_TRUE(std::isfinite(V(0).GetViewState()[i])) << i;
}

// m[r][c] of a 4 x 4 row-major matrix, as plug-ins index the viewport's matrices.
float At(const float* m, int r, int c) { return m[4 * r + c]; }

TEST_F(ViewportFixture, PluginsTurnTopDownScreenPointsBackIntoTheWorld) {
    // Plug-ins turn a click in a top-down viewport into ground coordinates with the view state alone:
    // x = (screen x - m[3][0]) / m[0][0] and y = (screen y - m[3][2]) / m[1][2] (the same numbers are
    // m12, m0, m14 and m6 of the flat matrix), and drag distances with m[0][0] and m[1][2].
    struct Case {
        const char* what;
        float camera[3];
        float zoom;
        float point[3];
    };
    const Case cases[] = {
        {"centred camera", {500, 500, 0}, 4, {620, 410, 30}},
        {"camera off centre, zoomed out", {100, 900, 0}, 0.5f, {-40, 1250, 900}},
        {"zoomed in, point on a far corner", {0, 0, 0}, 20, {3, -7, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EditorViewport& v = V(3);
        v.SetFlags(kViewportTopDown);
        v.SetZoom(c.zoom);
        std::copy_n(c.camera, 3, v.Camera().position);
        v.UpdateMatrices();
        ScreenVertex s{};
        ASSERT_EQ(v.TransformPoints(nullptr, &s, 1, c.point, 0), 0);
        const float* m = v.GetViewState();
        EXPECT_NEAR((s.sx - At(m, 3, 0)) / At(m, 0, 0), c.point[0], 1e-2);
        EXPECT_NEAR((s.sy - At(m, 3, 2)) / At(m, 1, 2), c.point[1], 1e-2);
        EXPECT_NEAR((s.sy - m[14]) / m[6], c.point[1], 1e-2);
        // A world point straight below the camera sits in the middle of the viewport; north is up.
        const float below[3] = {c.camera[0], c.camera[1], 0};
        const float north[3] = {c.camera[0], c.camera[1] + 10, 0};
        ScreenVertex centre{}, up{};
        v.TransformPoints(nullptr, &centre, 1, below, 0);
        v.TransformPoints(nullptr, &up, 1, north, 0);
        EXPECT_NEAR(centre.sx, 200, 1e-3);
        EXPECT_NEAR(centre.sy, 150, 1e-3);
        EXPECT_LT(up.sy, centre.sy);
        // A drag of (dx, dy) pixels moves the ground point under the pointer by (dx / m0, dy / m6).
        const float dragged[3] = {c.point[0] + 25 / m[0], c.point[1] + 25 / m[6], c.point[2]};
        ScreenVertex moved{};
        v.TransformPoints(nullptr, &moved, 1, dragged, 0);
        EXPECT_NEAR(moved.sx - s.sx, 25, 1e-2);
        EXPECT_NEAR(moved.sy - s.sy, 25, 1e-2);
    }
}

TEST_F(ViewportFixture, ViewStateGivesScreenYInColumnTwoAndDepthInColumnOne) {
    // A plug-in picking by hand multiplies (x, y, z, 1) by the view state and divides by w: x and y
    // land where the viewport draws the point, and the depth orders points from near to far in 0..1.
    V(2).SetView(2);  // "Front": (500, -1000, 500) looking along +y
    V(2).UpdateMatrices();
    const float* m = V(2).GetViewState();
    auto byHand = [&](const float p[3], float out[4]) {
        for (int c = 0; c < 4; ++c) out[c] = p[0] * At(m, 0, c) + p[1] * At(m, 1, c) + p[2] * At(m, 2, c) + At(m, 3, c);
        for (int c = 0; c < 3; ++c) out[c] /= out[3];
    };
    const float points[][3] = {{500, 500, 500}, {560, 300, 700}, {420, 900, 380}};
    float lastDepth = -1;
    for (const auto& p : {points[1], points[0], points[2]}) {  // near to far
        float h[4];
        byHand(p, h);
        ScreenVertex s{};
        V(2).TransformPoints(nullptr, &s, 1, p, 0);
        EXPECT_NEAR(h[0], s.sx, 1e-2);
        EXPECT_NEAR(h[2], s.sy, 1e-2);
        EXPECT_NEAR(h[1], s.sz, 1e-5);
        EXPECT_GT(h[1], lastDepth);
        EXPECT_GT(h[1], 0);
        EXPECT_LT(h[1], 1);
        lastDepth = h[1];
    }
    // The three matrices multiply to the view state, each keeping the same column order: the
    // projection's and the screen's column 2 carry up, column 1 depth.
    float vp[16], product[16];
    auto mul = [](const float* a, const float* b, float* r) {
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) {
                r[4 * i + j] = 0;
                for (int k = 0; k < 4; ++k) r[4 * i + j] += a[4 * i + k] * b[4 * k + j];
            }
    };
    mul(V(2).GetViewMatrix(), V(2).GetProjectionMatrix(), vp);
    mul(vp, V(2).GetScreenMatrix(), product);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(product[i], m[i], 1e-3f * (1 + std::fabs(m[i]))) << i;
    EXPECT_EQ(At(V(2).GetScreenMatrix(), 2, 1), 0);
    EXPECT_EQ(At(V(2).GetScreenMatrix(), 1, 2), 0);
    EXPECT_LT(At(V(2).GetScreenMatrix(), 2, 2), 0);  // up runs up the screen
    EXPECT_GT(At(V(2).GetProjectionMatrix(), 1, 1), 0);  // depth
    EXPECT_GT(At(V(2).GetProjectionMatrix(), 2, 2), 0);  // up
}

TEST_F(ViewportFixture, UserViewsAreSharedAndNumbersAbove15Ignored) {
    V(0).SetView(4);
    V(0).SetUserView(3);
    V(0).SetUserView(16);
    V(1).UseUserView(3);
    ExpectVec(V(1).Camera().position, {500, 500, 2000});
    V(1).UseUserView(-1);
    ExpectVec(V(1).Camera().position, {500, 500, 2000});
}

TEST_F(ViewportFixture, RenderPassSetsStatesAndFogPerPluginInOrder) {
    editor.world.fog.on = 1;
    editor.world.fog.colour = 0x00112233;
    device.calls.clear();
    V(0).Invalidate(0);
    V(0).Invalidate(0);
    EXPECT_EQ(set->PaintPending(), 1);
    EXPECT_EQ(set->PaintPending(), 0) << "several invalidations draw once";
    ASSERT_EQ(land.drawnIn.size(), 1u);
    ASSERT_EQ(objects.drawnIn.size(), 1u);
    const auto& c = device.calls;
    auto at = [&](const std::string& s, size_t from = 0) {
        return std::find(c.begin() + static_cast<long>(from), c.end(), s) - c.begin();
    };
    EXPECT_LT(at("begin"), at("clear 0 0 400 300"));
    EXPECT_LT(at("state 22 3"), at("state 28 1"));
    EXPECT_LT(at("state 28 1"), at("state 34 " + std::to_string(0x00332211)));
    EXPECT_LT(at("state 35 3"), static_cast<long>(c.size()));
    uint32_t bits;
    const float fogStart = 500.0f;
    std::memcpy(&bits, &fogStart, 4);
    EXPECT_LT(at("state 36 " + std::to_string(bits)), static_cast<long>(c.size()));
    EXPECT_EQ(c.back(), "end");
    EXPECT_EQ(std::count(c.begin(), c.end(), "state 22 3"), 2) << "each plug-in gets the states again";

    // A plug-in whose flag is cleared does not draw there.
    V(0).RenderFlags()[0] = 0;
    V(0).Invalidate(0);
    set->PaintPending();
    EXPECT_EQ(land.drawnIn.size(), 1u);
    EXPECT_EQ(objects.drawnIn.size(), 2u);
}

TEST_F(ViewportFixture, LockedViewportDrawsOnlyTheViewAndTakesItsMouse) {
    ASSERT_TRUE(V(3).LockTo(&land.view));
    EXPECT_TRUE(V(3).GetFlags() & kViewportLocked);
    V(3).Invalidate(0);
    set->PaintPending();
    EXPECT_EQ(land.view.instance->draws, 1);
    EXPECT_TRUE(land.drawnIn.empty());

    set->tool = kToolMove;
    V(3).MouseDown(1, 1, 0, 0);
    Drag(V(3), 2, 3);
    ASSERT_EQ(land.view.instance->port.triples.size(), 1u);
    EXPECT_EQ(land.view.instance->port.codes.back(), static_cast<uint32_t>(kMsgNavigateTranslate));
    EXPECT_EQ(land.view.instance->port.triples[0], (std::vector<float>{2, 0, 3}));
    set->tool = kToolFieldOfView;
    Drag(V(3), 20, 0);
    EXPECT_EQ(land.view.instance->port.codes.back(), static_cast<uint32_t>(kMsgNavigateFieldOfView));
    ExpectVec(V(3).Camera().position, {0, 0, 0});

    V(3).Unlock();
    EXPECT_EQ(land.view.destroyed, 1);
    EXPECT_FALSE(V(3).GetFlags() & kViewportLocked);
    land.view.refuse = true;
    EXPECT_FALSE(V(3).LockTo(&land.view)) << "a view that gives no instance leaves the viewport unlocked";
}

TEST_F(ViewportFixture, LockedViewShowsTheCursorItMade) {
    const uint8_t pixels[2 * 2 * 4] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 9, 9, 9, 0};
    EXPECT_EQ(plat::CreateCursor(2, 2, pixels, 2, 0), nullptr) << "a hot spot outside the picture";
    EXPECT_EQ(plat::CreateCursor(0, 2, pixels, 0, 0), nullptr);
    plat::Cursor* own = plat::CreateCursor(2, 2, pixels, 1, 0);
    ASSERT_NE(own, nullptr);
    land.view.cursor = reinterpret_cast<QvCursor>(own);
    ASSERT_TRUE(V(3).LockTo(&land.view));
    set->tool = kToolMove;
    QvCursor shown = nullptr;
    EXPECT_EQ(V(3).CursorFor(5, 5, 0, 8, &shown), -1);
    ASSERT_EQ(shown, reinterpret_cast<QvCursor>(own));
    const auto* made = reinterpret_cast<const plat::Cursor*>(shown);
    EXPECT_EQ(made->hotX, 1);
    EXPECT_EQ(made->hotY, 0);
    EXPECT_EQ(made->image.Pixel(1, 0), 0xFF00FF00u);
    EXPECT_EQ(V(3).CursorFor(5, 5, 0, 0, &shown), 190) << "a view that gives no cursor leaves it to the tool";
    EXPECT_EQ(shown, nullptr);
    V(3).Unlock();
    EXPECT_EQ(V(3).CursorFor(5, 5, 0, 8, &shown), 190);
    EXPECT_EQ(shown, nullptr);
    plat::DeleteCursor(own);
}

TEST_F(ViewportFixture, SelectToolSendsPressDragReleaseToTheActivePluginsInputPorts) {
    editor.OnPluginCommand(editor.Host(1)->commandId);
    ASSERT_EQ(editor.ActivePlugin(), &objects);
    set->tool = kToolSelect;
    V(0).MouseDown(12, 34, 1, 1);
    Drag(V(0), 5, -6);
    mouse.SetButton(0, false);
    V(0).MouseTrack(0, 0);
    EXPECT_EQ(objects.selectPort.codes, (std::vector<uint32_t>{kMsgSelectPress, kMsgSelectDrag, kMsgSelectRelease}));
    EXPECT_TRUE(objects.otherPort.codes.empty()) << "only ports that take viewport input";
    EXPECT_EQ(objects.selectPort.press.viewport, &V(0));
    EXPECT_EQ(objects.selectPort.press.x, 12);
    EXPECT_EQ(objects.selectPort.press.shift, 4u);
    EXPECT_EQ(objects.selectPort.press.control, 8u);
    EXPECT_EQ(objects.selectPort.drag.dx, 5);
    EXPECT_EQ(objects.selectPort.drag.dy, -6);
    EXPECT_TRUE(land.selectPort.codes.empty());
}

TEST_F(ViewportFixture, PopupStateFollowsLockTopDownAndTool) {
    plat::Menu m;
    V(0).PreparePopup(m);
    EXPECT_TRUE(m.IsGrayed(kCmdPluginMenu)) << "no active plug-in: no Plugin submenu";
    EXPECT_TRUE(m.IsChecked(kCmdPerspective));

    plat::Menu pluginMenu;
    pluginMenu.Append(60000, "Fill All");
    objects.menu = reinterpret_cast<QvMenu>(&pluginMenu);
    editor.OnPluginCommand(editor.Host(1)->commandId);
    set->tool = kToolTilt;
    V(0).SetFlags(kViewportPerspective | kViewportTopDown);
    V(0).PreparePopup(m);
    EXPECT_EQ(m.FindItem(kCmdPluginMenu)->submenu, &pluginMenu);
    EXPECT_TRUE(m.IsChecked(kCmdTopDown));
    EXPECT_TRUE(m.IsGrayed(kCmdPerspective));
    EXPECT_TRUE(m.IsChecked(kCmdTilt));
    EXPECT_FALSE(m.IsChecked(kCmdMove));

    V(0).SetFlags(kViewportPerspective);
    V(0).LockTo(&land.view);
    V(0).PreparePopup(m);
    EXPECT_TRUE(m.IsGrayed(kCmdPerspective));
    EXPECT_TRUE(m.IsGrayed(kCmdTopDown));

    // Commands: plug-in ids go to the locked view, tools are chosen for every viewport.
    int chosen = 0;
    set->onToolChosen = [&](int32_t t) { chosen = t; };
    plat::ScriptNextPopup(60001);
    V(0).ShowPopup();
    EXPECT_EQ(land.view.instance->commands, std::vector<int32_t>{60001});
    V(1).OnCommand(kCmdRotate);
    EXPECT_EQ(set->tool, kToolRotate);
    EXPECT_EQ(chosen, kToolRotate);
    V(1).OnCommand(60002);
    EXPECT_EQ(objects.commands, std::vector<int32_t>{60002});
    V(1).OnCommand(kCmdViewFirst + 4);
    ExpectVec(V(1).Camera().angles, {270, 0, 0});
}

TEST_F(ViewportFixture, PropertiesDialogSetsRenderFlagsAndLocks) {
    plat::ScriptNextDialog([](plat::Dialog& d) {
        EXPECT_EQ(d.Count(1002), 2) << "both plug-ins render at first";
        d.UserSelect(1002, 0);
        d.UserClick(1004);  // remove Landscape
        EXPECT_EQ(d.Count(1002), 1);
        d.UserSelect(1001, 1);  // the Object plug-in's views
        EXPECT_EQ(d.ItemText(1007, 0), "Fake view");
        d.UserSelect(1007, 0);
        d.UserClick(1012);
        d.UserClick(1);
    });
    V(2).OnCommand(kCmdProperties);
    EXPECT_EQ(V(2).RenderFlags(), (std::vector<uint8_t>{0, 1}));
    EXPECT_TRUE(V(2).GetFlags() & kViewportLocked);
    ASSERT_NE(objects.view.instance, nullptr);

    plat::ScriptNextDialog([](plat::Dialog& d) {
        EXPECT_TRUE(d.IsChecked(1012));
        EXPECT_EQ(d.Current(1001), 1) << "the last choice is preselected";
        d.UserSelectMany(1008, {0});
        d.UserClick(1003);
        d.UserClick(1011);
        d.UserClick(1);
    });
    V(2).OnCommand(kCmdProperties);
    EXPECT_EQ(V(2).RenderFlags(), (std::vector<uint8_t>{1, 1}));
    EXPECT_FALSE(V(2).GetFlags() & kViewportLocked);
    EXPECT_EQ(objects.view.destroyed, 1);
}

TEST_F(ViewportFixture, CameraRecordsRoundTripThroughAStream) {
    class MemoryStream : public FileStream {
    public:
        int32_t Read(void* b, uint32_t n) override {
            if (at + n > bytes.size()) return -1;
            std::memcpy(b, bytes.data() + at, n);
            at += n;
            return 0;
        }
        int32_t Write(const void* b, uint32_t n) override {
            bytes.insert(bytes.end(), static_cast<const uint8_t*>(b), static_cast<const uint8_t*>(b) + n);
            return 0;
        }
        std::vector<uint8_t> bytes;
        size_t at = 0;
    } stream;
    V(0).SetView(7);
    ASSERT_EQ(V(0).WriteCamera(&stream), 0);
    ASSERT_EQ(V(0).WriteUserViews(&stream), 0);
    EXPECT_EQ(stream.bytes.size(), 36u + 576u);
    ASSERT_EQ(V(1).ReadCamera(&stream), 0);
    ExpectVec(V(1).Camera().position, {2000, -1000, 2000});
    ExpectVec(V(1).Forward(), {V(0).Forward()[0], V(0).Forward()[1], V(0).Forward()[2]});
    ASSERT_EQ(V(1).ReadUserViews(&stream), 0);
    EXPECT_NE(V(1).ReadCamera(&stream), 0) << "a stream cut short is refused";
}

TEST_F(ViewportFixture, BoundsChangesAreaRedrawsAndViewRequestsRedrawTheViewports) {
    for (uint32_t code : {kMsgWorldBoundsChanged, kMsgRedrawArea}) {
        set->PaintPending();
        ASSERT_FALSE(V(2).Pending());
        const float bounds[6] = {0, 0, 0, 10, 10, 10};
        editor.bus.Broadcast(&editor.mainPort, kKindWorld, code, reinterpret_cast<MsgArg>(bounds), reinterpret_cast<MsgArg>(bounds));
        for (int i = 0; i < 4; ++i) EXPECT_TRUE(V(i).Pending()) << std::hex << code << " viewport " << i;
    }
    set->PaintPending();
    Port* port = editor.bus.FindByName("Viewport #3");
    ASSERT_NE(port, nullptr);
    port->OnMessage(nullptr, kMsgViewRedrawRequest, 0, 0);
    EXPECT_TRUE(V(3).Pending());
    EXPECT_FALSE(V(0).Pending());
}

TEST_F(ViewportFixture, RedrawOfAPluginReachesOnlyViewportsThatDrawIt) {
    set->PaintPending();
    V(1).RenderFlags()[0] = 0;
    set->InvalidatePlugin(0);
    EXPECT_TRUE(V(0).Pending());
    EXPECT_FALSE(V(1).Pending());
    set->maximised = 0;
    EXPECT_EQ(set->PaintPending(), 1);
    set->maximised = -1;
}

// A one-triangle JMESH5 image.
std::vector<uint8_t> TriangleMesh() {
    plat::ByteWriter w;
    w.Bytes("JMESH5*", 7);
    w.Bytes("<TL>", 4);
    w.U32(1);
    w.U16(0), w.U16(1), w.U16(2);
    w.Bytes("<ML>", 4);
    w.U32(1);
    w.U16(0);
    w.FixedString("", 32);
    w.FixedString("", 32);
    w.U32(0);
    w.U32(0x00FFFFFF);
    w.U32(0);  // opaque, one-sided
    w.Bytes("<NF>", 4);
    w.U32(1);
    w.Bytes("<VT>", 4);
    w.U32(3);
    const float corners[3][3] = {{500, 500, 0}, {520, 500, 0}, {500, 520, 10}};
    for (const auto& c : corners) {
        for (float v : c) w.F32(v);
        for (int i = 0; i < 5; ++i) w.F32(0);
    }
    w.Bytes("<END>", 5);
    return w.Take();
}

TEST_F(ViewportFixture, HostMeshIsDrawnWithTheGivenTransform) {
    const std::vector<uint8_t> image = TriangleMesh();
    uint32_t index = 0;
    editor.Host(0)->AddMeshFromMemory(image.data(), static_cast<uint32_t>(image.size()), &index);
    ASSERT_EQ(index, 1u);
    auto drawn = [&](MsgArg value) {
        device.draws.clear();
        EXPECT_EQ(V(0).DrawHostMesh(editor.Host(0), 1, value), 0);
        return device.draws.empty() ? std::vector<ScreenVertex>{} : device.draws.back();
    };
    const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    const float moved[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 100, 0, 0, 1};
    const std::vector<ScreenVertex> plain = drawn(0);
    const std::vector<ScreenVertex> same = drawn(reinterpret_cast<MsgArg>(identity));
    const std::vector<ScreenVertex> shifted = drawn(reinterpret_cast<MsgArg>(moved));
    ASSERT_EQ(plain.size(), 3u);
    ASSERT_EQ(same.size(), 3u);
    ASSERT_EQ(shifted.size(), 3u);
    // The instance moved 100 units along x: in the plain projection of the point 100 further on.
    std::vector<ScreenVertex> expected(3);
    const float far[9] = {600, 500, 0, 620, 500, 0, 600, 520, 10};
    ASSERT_EQ(V(0).TransformPoints(nullptr, expected.data(), 3, far, 0xFFFFFFFF), 0);
    // The mesh may list its corners in another order: compare them sorted across the screen.
    auto sorted = [](std::vector<ScreenVertex> v) {
        std::sort(v.begin(), v.end(), [](const ScreenVertex& a, const ScreenVertex& b) {
            return a.sx != b.sx ? a.sx < b.sx : a.sy < b.sy;
        });
        return v;
    };
    const auto p = sorted(plain), m = sorted(same), s = sorted(shifted), e = sorted(expected);
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(m[i].sx, p[i].sx, 1e-3);
        EXPECT_NEAR(m[i].sy, p[i].sy, 1e-3);
        EXPECT_NEAR(s[i].sx, e[i].sx, 1e-2) << i;
        EXPECT_NEAR(s[i].sy, e[i].sy, 1e-2) << i;
    }
}

TEST_F(ViewportFixture, HostMeshIndexZeroDrawsNothingAndBeyondTheListIsRefused) {
    EXPECT_EQ(V(0).DrawHostMesh(editor.Host(0), 0, 0), 0);
    EXPECT_EQ(static_cast<uint32_t>(V(0).DrawHostMesh(editor.Host(0), 1, 0)), kResultBadIndex);
}

}  // namespace
}  // namespace qv
