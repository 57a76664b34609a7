// FrontEndLoad and FrontEndFree over the generated data pack with a renderer that counts what it
// hands out: everything made is released once, and the profile named in the settings is loaded.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "game/core/audio/AudioSystem.h"
#include "game/core/config/Config.h"
#include "game/core/datapack/DataPack.h"
#include "game/core/image/ImageRecord.h"
#include "game/core/input/Input.h"
#include "game/core/objects/Objects.h"
#include "game/core/render/RenderInterface.h"
#include "game/frontend/menu/FrontEnd.h"
#include "game/frontend/menu/Menu.h"
#include "game/frontend/profile/Profile.h"
#include "game/frontend/session/RaceSession.h"
#include "platform/audio/AudioOutput.h"
#include "platform/sys/CrtRand.h"
#include "tools/contentgen/tests/DefaultContent.h"
#include "tools/contentgen/ContentGen.h"
#include "tools/packtool/PackWriter.h"

namespace kes {
namespace {

namespace fs = std::filesystem;

class CountingRender : public RenderInterface {
public:
    int32_t CreateTextureFromImage(const char* name, ImageRecord* image, uint32_t* out, uint32_t) override {
        names.push_back(name);
        FreeImage(image);
        *out = next++;
        live.insert(*out);
        return 0;
    }
    int32_t UpdateTexture(uint32_t handle, ImageRecord* image, uint32_t) override {
        if (live.count(handle)) ++masks;
        FreeImage(image);
        return 0;
    }
    int32_t ReleaseTexture(uint32_t handle) override {
        EXPECT_EQ(live.erase(handle), 1u) << "texture " << handle << " released twice or never made";
        return 0;
    }
    Surface2D* CreateSurfaceFromImage(ImageRecord* image) override {
        auto* s = new Surface2D{image, image->width, image->height, nullptr, 0};
        surfaces.insert(s);
        return s;
    }
    int32_t FreeSurface(Surface2D* s) override {
        EXPECT_EQ(surfaces.erase(s), 1u);
        FreeImage(s->image);
        delete s;
        return 0;
    }
    int32_t BlitToScreen(Surface2D* s, const Rect*, const float*) override {
        blits.push_back(s);
        return 0;
    }
    uint32_t next = 1;
    std::set<uint32_t> live;
    std::set<Surface2D*> surfaces;
    std::vector<std::string> names;
    std::vector<Surface2D*> blits;
    int masks = 0;
};

class FrontEndLoadTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { pack_ = tools::test::DefaultDataPack().string(); }
    void SetUp() override {
        CreateImageHeap();
        ASSERT_EQ(MakeLoadCache(pack_.c_str()), 1);
        const float box[6] = {-100, -100, -100, 100, 100, 100};
        ASSERT_EQ(InitObjects(0, 1, 1, 1, box), 0);
        InputInit(nullptr, nullptr);
        data_ = fs::path(::testing::TempDir()) / ("frontend_data_" + std::to_string(getpid()));
        fs::remove_all(data_);
        fs::create_directories(data_);
    }
    void TearDown() override {
        InputShutdown();
        FreeObjects();
        FreeLoadCache();
        fs::remove_all(data_);
        std::memset(g_Config.text.data(), 0, g_Config.text.size());
    }
    static std::string pack_;
    fs::path data_;
};
std::string FrontEndLoadTest::pack_;

TEST_F(FrontEndLoadTest, EverythingMadeIsReleasedOnce) {
    CountingRender render;
    FrontEndLoad(&render, FrontEndPaths{data_.string(), "", ""});
    const FrontEndResources& fe = FrontEnd();
    EXPECT_NE(fe.cursor, 0u);
    for (uint32_t h : fe.buttons) EXPECT_NE(h, 0u);
    for (uint32_t h : fe.fonts) EXPECT_NE(h, 0u);
    EXPECT_EQ(render.masks, 1 + 16 + 6) << "every texture has its alpha";
    for (uint32_t slot = 1; slot < kBackgroundSlots; ++slot) EXPECT_NE(fe.backgrounds[slot], nullptr) << slot;
    for (Surface2D* s : fe.loadingScreens) EXPECT_NE(s, nullptr);
    EXPECT_EQ(fe.backgrounds[0], nullptr);
    ASSERT_FALSE(render.blits.empty());
    EXPECT_EQ(render.blits[0], fe.loadingScreens[0]) << "the first loading screen shows at once";
    EXPECT_EQ(fe.loadingCycle, 1u);
    ASSERT_NE(fe.profile, nullptr);
    EXPECT_EQ(InputBindingCount(256), 1u) << "the mouse button word";
    EXPECT_EQ(InputBindingCount(88), 1u) << "the screen-grab key of the profile (F12)";
    EXPECT_TRUE(fs::is_directory(data_ / "Profiles"));
    FrontEndFree();
    EXPECT_TRUE(render.live.empty());
    EXPECT_TRUE(render.surfaces.empty());
    EXPECT_EQ(InputBindingCount(256), 0u);
    EXPECT_EQ(InputBindingCount(88), 0u);
    EXPECT_EQ(FrontEnd().profile, nullptr);
}

TEST_F(FrontEndLoadTest, TheLastProfileIsLoadedAndTheGrabKeyFollowsIt) {
    ASSERT_EQ(EnterProfilesFolder(data_.string()), 0);
    Profile saved;
    saved.SetName("Zoe");
    saved.SetKey(16, 87);  // F11 grabs the screen for this player
    ASSERT_EQ(saved.Save("Zoe"), 0);
    std::strcpy(g_Config.text.data(), "Zoe");
    CountingRender render;
    FrontEndLoad(&render, FrontEndPaths{data_.string(), "", ""});
    ASSERT_NE(FrontEnd().profile, nullptr);
    EXPECT_STREQ(FrontEnd().profile->GetName(), "Zoe");
    EXPECT_EQ(InputBindingCount(87), 1u);
    EXPECT_EQ(InputBindingCount(88), 0u);
    FrontEndFree();
    // A name that loads nothing gives a new default profile.
    std::strcpy(g_Config.text.data(), "Nobody");
    FrontEndLoad(&render, FrontEndPaths{data_.string(), "", ""});
    ASSERT_NE(FrontEnd().profile, nullptr);
    EXPECT_EQ(FrontEnd().profile->GetKey(16), 88u);
    FrontEndFree();
}

TEST_F(FrontEndLoadTest, LoadingScreensComeInAShuffledOrder) {
    std::set<std::string> firsts;
    for (uint32_t seed = 1; seed <= 6; ++seed) {
        plat::CrtSrand(seed);
        CountingRender render;
        FrontEndLoad(&render, FrontEndPaths{data_.string(), "", ""});
        // Tell the first screen by its picture's checksum.
        firsts.insert(std::to_string(FrontEnd().loadingScreens[0]->image->checksum));
        ShowNextLoadingScreen();
        EXPECT_EQ(render.blits.back(), FrontEnd().loadingScreens[1]) << "the cycle goes on from the second";
        FrontEndFree();
    }
    EXPECT_GT(firsts.size(), 1u);
}

// With a sound manager the seven menu sounds load from the data pack and the menus play them, each
// from its start; without one the slots stay empty and the menus are silent.
TEST_F(FrontEndLoadTest, MenuSoundsPlayThroughTheSoundManagerWhenThereIsOne) {
    CountingRender render;
    FrontEndLoad(&render, FrontEndPaths{data_.string(), "", ""});
    for (SoundVoice* v : FrontEnd().sounds) EXPECT_EQ(v, nullptr);
    PlayMenuSound(kSoundClickOn);  // silent, and harmless
    FrontEndFree();

    plat::SetAudioLoopbackForTests(22050);
    auto audio = std::make_unique<AudioSystem>();
    ASSERT_EQ(audio->Open(nullptr, 0, 0x3011), 0);
    SetTheAudioSystem(audio.get());
    FrontEndLoad(&render, FrontEndPaths{data_.string(), "", ""});
    const FrontEndResources& fe = FrontEnd();
    for (uint32_t i = 0; i < kFrontEndSoundSlots; ++i) EXPECT_EQ(fe.sounds[i] != nullptr, i < kMenuSoundCount) << i;
    ASSERT_NE(fe.sounds[kSoundMenuRev], nullptr);
    EXPECT_EQ(fe.sounds[kSoundClickOn]->IsPlaying(1), 0);
    PlayMenuSound(kSoundClickOn);
    EXPECT_NE(fe.sounds[kSoundClickOn]->IsPlaying(1), 0);
    PlayMenuSound(kSoundMenuRev, 33075);
    EXPECT_EQ(fe.sounds[kSoundMenuRev]->Frequency(), 33075u);
    EXPECT_NE(fe.sounds[kSoundMenuRev]->IsPlaying(1), 0);
    FrontEndFree();
    for (SoundVoice* v : FrontEnd().sounds) EXPECT_EQ(v, nullptr);
    EXPECT_EQ(audio->VoiceCount(), 0u) << "every menu voice is destroyed with the front end";
    SetTheAudioSystem(nullptr);
    audio.reset();
    plat::SetAudioLoopbackForTests(0);
}

TEST(BackgroundNames, TheTutorialPictureFollowsTheLanguage) {
    EXPECT_STREQ(BackgroundName(4, 0), "FrontEnd\\tutorial menu.bmp");
    EXPECT_STREQ(BackgroundName(4, 1), "FrontEnd\\tutorial menu spanish.bmp");
    EXPECT_STREQ(BackgroundName(4, 2), "FrontEnd\\tutorial menu french.bmp");
    EXPECT_STREQ(BackgroundName(4, 3), "FrontEnd\\tutorial menu german.bmp");
    EXPECT_STREQ(BackgroundName(4, 7), "FrontEnd\\tutorial menu.bmp");
    EXPECT_STREQ(BackgroundName(1, 2), "FrontEnd\\back01.bmp");
    EXPECT_EQ(BackgroundName(0, 0), nullptr);
    EXPECT_EQ(BackgroundName(7, 0), nullptr);
}

}  // namespace
}  // namespace kes
