// The placing plug-ins over the real Landscape plug-in: objects, cameras and sound emitters take
// their heights (and objects their up vectors) from the ground service of its port.
#include <cmath>

#include "PluginKit.h"
#include "plugins/camera/CameraPlugin.h"
#include "plugins/landscape/LandscapePlugin.h"
#include "plugins/object/ObjectPlugin.h"
#include "plugins/shared/GroundQuery.h"
#include "plugins/tessil/SoundPlugin.h"

namespace qvtest {
namespace {

class WithLandscape : public PluginFixture {
protected:
    void Register() override {
        landscape = std::make_unique<qv::LandscapePlugin>();
        object = std::make_unique<qv::ObjectPlugin>();
        camera = std::make_unique<qv::CameraPlugin>();
        sound = std::make_unique<qv::SoundPlugin>();
        for (qv::EditorPlugin* p : {static_cast<qv::EditorPlugin*>(landscape.get()), static_cast<qv::EditorPlugin*>(object.get()),
                                    static_cast<qv::EditorPlugin*>(camera.get()), static_cast<qv::EditorPlugin*>(sound.get())})
            ASSERT_EQ(editor->RegisterPlugin(ModuleOf(p), p), 0);
    }
    void TearDown() override {
        PluginFixture::TearDown();
        sound.reset();
        camera.reset();
        object.reset();
        landscape.reset();
    }
    // Heights rising with x: knot column c at 2 c units, so the ground slopes along x.
    void Slope() {
        std::vector<float> heights(721u * 721u);
        for (size_t i = 0; i < heights.size(); ++i) heights[i] = 2.0f * static_cast<float>(i % 721);
        landscape->ApplyWholeWorld(heights);
    }
    float Ground(float x, float y) {
        float z = 0;
        EXPECT_TRUE(qv::QueryGroundHeightAt(&editor->bus, x, y, &z));
        return z;
    }
    std::unique_ptr<qv::LandscapePlugin> landscape;
    std::unique_ptr<qv::ObjectPlugin> object;
    std::unique_ptr<qv::CameraPlugin> camera;
    std::unique_ptr<qv::SoundPlugin> sound;
};

TEST_F(WithLandscape, PlacedThingsStandOnTheGround) {
    Slope();
    const float z = Ground(500, 500);
    ASSERT_GT(z, 1.0f);
    // The landscape's change reached the objects: the built-in pair stands on the ground.
    EXPECT_EQ(object->instances[1].groundHeight, Ground(1500, 1500));
    // An instance aligned on the ground leans with the slope.
    object->instances[1].flags = 0;
    object->PutOnGround(object->instances[1]);
    EXPECT_LT(object->instances[1].up.z, 0.999f);
    EXPECT_NEAR(std::hypot(std::hypot(object->instances[1].up.x, object->instances[1].up.y), object->instances[1].up.z), 1.0f, 1e-4f);

    camera->cameras.resize(1);
    camera->cameras[0].x = camera->cameras[0].y = 500;
    camera->cameras[0].height = 30;
    editor->bus.Broadcast(&editor->mainPort, qv::kKindWorld, qv::kMsgRedrawArea, 0, 0);
    EXPECT_EQ(camera->cameras[0].z, z + 30.0f);

    sound->activated = true;
    sound->mode = qv::SoundMode::Add;
    EXPECT_EQ(Ground(700, 500), Ground(700, 900));  // the slope runs along x only
    EXPECT_GT(Ground(700, 500), z);
}

}  // namespace
}  // namespace qvtest
