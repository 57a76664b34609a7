#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "editor/render/RenderLayer.h"

namespace qv {
namespace {

ScreenVertex At(float z) { return ScreenVertex{0, 0, z, 1, 0xFFFFFFFF, 0, 0, 0}; }

TEST(RenderLayer, DefaultStatesAndViewportSelection) {
    RecordingDevice d;
    RenderLayer r(&d, 640, 480);
    EXPECT_EQ(d.calls.front(), "state 4 1");
    EXPECT_EQ(std::count(d.calls.begin(), d.calls.end(), "state 27 0"), 0) << "27 is only recorded";
    for (int i = 0; i < 4; ++i) EXPECT_EQ(r.AddViewport(i * 10, 0, 10, 10), i + 1);
    EXPECT_EQ(r.SelectViewport(4), 0);
    EXPECT_EQ(d.calls.back(), "clip 30 0 40 10");
    EXPECT_EQ(static_cast<uint32_t>(r.SelectViewport(5)), kRenderFailed) << "viewport 5 when four exist";
    EXPECT_EQ(r.SelectViewport(0), 0);
    r.Clear();
    EXPECT_EQ(d.calls.back(), "clear 0 0 640 480") << "viewport 0 is the whole requested size";
}

TEST(RenderLayer, StageTextureBindsAtOnceAndTheCurrentSlotFollows) {
    RecordingDevice d;
    RenderLayer r(&d, 100, 100);
    r.SetTexture(2);
    d.calls.clear();
    EXPECT_EQ(r.SetStageTexture(0, 5), 0);
    EXPECT_EQ(d.calls, std::vector<std::string>{"texture 5"});
    EXPECT_EQ(r.CurrentTexture(), 5u);
    r.SetTexture(2);
    EXPECT_EQ(d.calls.back(), "texture 2") << "the earlier texture is bound again";
    d.calls.clear();
    EXPECT_EQ(r.SetStageTexture(1, 7), 0);
    EXPECT_EQ(r.SetStageTexture(7, 3), 0);
    EXPECT_EQ(d.calls, (std::vector<std::string>{"stage 1 texture 7", "stage 7 texture 3"}));
    EXPECT_EQ(r.CurrentTexture(), 2u) << "further stages leave the current texture alone";
    d.calls.clear();
    EXPECT_EQ(static_cast<uint32_t>(r.SetStageTexture(8, 7)), kRenderFailed);
    EXPECT_TRUE(d.calls.empty());
}

TEST(RenderLayer, BlendedTrianglesWaitAndDrawBackToFrontInRunsOfTexture) {
    RecordingDevice d;
    RenderLayer r(&d, 100, 100);
    d.calls.clear();
    r.BeginFrame();
    const uint16_t idx[3] = {0, 1, 2};
    ScreenVertex opaque[3] = {At(0.5f), At(0.5f), At(0.5f)};
    r.SetRenderState(27, 1);
    r.SetTexture(3);
    ScreenVertex nearTri[3] = {At(0.2f), At(0.2f), At(0.2f)};
    ScreenVertex farTri[3] = {At(0.8f), At(0.8f), At(0.8f)};
    r.DrawPrimitive(4, 3, nearTri, 3, idx);
    r.SetTexture(5);
    r.DrawPrimitive(4, 3, farTri, 3, idx);
    r.SetRenderState(27, 0);
    r.DrawPrimitive(4, 3, opaque, 3, idx);
    EXPECT_EQ(r.TrianglesThisFrame(), 3u);
    r.EndFrame();

    const std::vector<std::string> want = {
        "begin",     "texture 5", "draw 4 v3 i3",  // the opaque triangle at once, with the current texture
        "state 27 1", "state 19 5", "state 20 6", "state 22 1",
        "texture 5", "draw 4 v3 i3",  // far (0.8) first
        "texture 3", "draw 4 v3 i3",  // then near (0.2)
        "state 22 3", "state 27 0", "state 19 2", "state 20 1", "state 50 1", "end"};
    EXPECT_EQ(d.calls, want);
    ASSERT_EQ(d.draws.size(), 3u);
    EXPECT_FLOAT_EQ(d.draws[1][0].sz, 0.8f);
    EXPECT_FLOAT_EQ(d.draws[2][0].sz, 0.2f);
}

TEST(RenderLayer, StateSixSixSixReallySetsBlending) {
    RecordingDevice d;
    RenderLayer r(&d, 10, 10);
    d.calls.clear();
    r.SetRenderState(kStateAlphaBlendNow, 1);
    EXPECT_EQ(d.calls, std::vector<std::string>{"state 27 1"});
    EXPECT_FALSE(r.AlphaRecording());
}

TEST(RenderLayer, TransformAroundTheScreenCentre) {
    RecordingDevice d;
    RenderLayer r(&d, 200, 100);
    // w = z, x and y passed through: a point at (10, 5, 2) lands at centre + centre x rhw x (x, y).
    const float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0.5f, 0, 0, 0, 1, 0};
    float in[8] = {10, 5, 2, 0, 0, 0, 0.25f, 0.75f};
    uint32_t colour = 0x11223344;
    std::memcpy(&in[4], &colour, 4);
    ScreenVertex out{};
    out.specular = 0xABCDEF;
    r.Transform(m, &out, 1, in, 0);
    EXPECT_FLOAT_EQ(out.rhw, 0.5f);
    EXPECT_FLOAT_EQ(out.sx, 100 + 100 * 0.5f * 10);
    EXPECT_FLOAT_EQ(out.sy, 50 - 50 * 0.5f * 5);
    EXPECT_FLOAT_EQ(out.sz, 0.5f);
    EXPECT_EQ(out.colour, colour);
    EXPECT_EQ(out.specular, 0xABCDEFu) << "left as it was";
    EXPECT_FLOAT_EQ(out.u, 0.25f);
    r.SetVertexColour(0xFF00FF00);
    r.Transform(m, &out, 1, in, 1);
    EXPECT_EQ(out.colour, 0xFF00FF00u);
    // A point on the eye plane gives a finite reciprocal.
    float eye[8] = {1, 1, 0, 0, 0, 0, 0, 0};
    r.Transform(m, &out, 1, eye, 0);
    EXPECT_TRUE(std::isfinite(out.rhw));
}

TEST(RenderLayer, ManyBlendedTrianglesNeverOverflow) {
    RecordingDevice d;
    RenderLayer r(&d, 10, 10);
    r.SetRenderState(27, 1);
    std::vector<ScreenVertex> v(3 * 30000, At(0.5f));
    std::vector<uint16_t> idx(v.size());
    for (size_t i = 0; i < idx.size(); ++i) idx[i] = static_cast<uint16_t>(i % 60000);
    r.DrawPrimitive(4, static_cast<uint32_t>(v.size()), v.data(), static_cast<uint32_t>(idx.size()), idx.data());
    d.calls.clear();
    r.EndFrame();
    EXPECT_EQ(std::count(d.calls.begin(), d.calls.end(), "draw 4 v65535 i65535"), 1);
}

}  // namespace
}  // namespace qv
