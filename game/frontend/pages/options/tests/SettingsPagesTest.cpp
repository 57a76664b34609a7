// The options menu, display, sound and in-race pages run step by step in the test process.
#include <gtest/gtest.h>

#include <vector>

#include "game/core/config/Config.h"
#include "game/core/display/DeviceList.h"
#include "game/core/mixer/Mixer.h"
#include "game/core/render/RenderInterface.h"
#include "game/frontend/pages/options/DisplayPage.h"
#include "game/frontend/pages/options/tests/PageTestSupport.h"
#include "game/frontend/session/RaceSession.h"
#include "platform/registry/RegistryStore.h"

namespace kes {
namespace {

using testing::PageTest;

// Counts how often the textures are given up to be built again.
class CountingRenderer : public RenderInterface {
public:
    int32_t ReleaseDeviceTextures() override {
        ++releases;
        return 0;
    }
    int releases = 0;
};

ConfigRecord StoredSettings() {
    plat::RegistryStore store = plat::RegistryStore::Default();
    plat::RegValue value;
    ConfigRecord record;
    record.screenWidth = 0;
    if (store.QueryValue(plat::RegKeyPath(plat::kHKeyLocalMachine, kConfigKey), kConfigValueName, value) ==
        plat::RegStatus::Ok)
        ParseConfigRecord(value.data, record);
    return record;
}

// Display page items.
enum : uint32_t {
    kCancel = 1, kOk = 2, kMode = 3, kBright1 = 4, kBright2 = 5, kDistance = 6, kLandscape = 7, kEffects = 8,
    kMip = 9, kEffectsL = 10, kEffectsR = 11, kMipL = 12, kMipR = 13, kBilinear = 14, kBilinearL = 15,
    kBilinearR = 16, kLandscapeL = 17, kLandscapeR = 18, kDetail = 19, kDetailL = 20, kDetailR = 21,
};

class DisplayPageTest : public PageTest {
protected:
    void SetUp() override {
        PageTest::SetUp();
        plat::GfxFeatures all;
        all.zBuffer = all.gouraud = all.perspective = all.chromaKey = all.alphaBlend = all.bilinear = all.trilinear =
            all.mipMapping = true;
        ASSERT_EQ(EnumerateDevicesFrom({{640, 480, 16}, {800, 600, 16}, {1024, 768, 16}}, 16, nullptr, &all), 0);
        SetMenuRenderer(&renderer_);
        old_ = SetDisplayModeSwitch([](uint32_t w, uint32_t h, uint32_t b) -> int32_t {
            switches.push_back({w, h, b});
            return w == refusedWidth ? -1 : 0;
        });
        switches.clear();
        refusedWidth = 0;
    }
    void TearDown() override {
        SetDisplayModeSwitch(old_);
        SetMenuRenderer(nullptr);
        FreeDeviceList();
        PageTest::TearDown();
    }
    // The mode slider's index of a mode, or -1.
    static float ModeIndex(uint32_t w, uint32_t h, uint32_t b) {
        DeviceEntry* device = nullptr;
        GetSelectedDevice(nullptr, &device);
        int i = 0;
        for (ModeEntry* m = device ? device->modes : nullptr; m; m = m->next, ++i)
            if (m->width == w && m->height == h && m->bitsPerPixel == b) return static_cast<float>(i);
        return -1;
    }
    struct Mode {
        uint32_t w, h, b;
    };
    static inline std::vector<Mode> switches;
    static inline uint32_t refusedWidth = 0;
    CountingRenderer renderer_;
    DisplayModeSwitch old_ = nullptr;
};

TEST_F(DisplayPageTest, BrightnessActsAtOnceAndCancelPutsItBack) {
    SetMenuPage(2);
    Item(kBright1).value = 70.6f;
    Step();
    EXPECT_EQ(g_Config.displaySlider1, 70u) << "the live settings follow the slider";
    EXPECT_EQ(renderer_.releases, 1);
    Step();
    EXPECT_EQ(renderer_.releases, 1) << "only a change rebuilds the textures";
    EXPECT_STREQ(Item(kBright1).text, " 70 %");
    Item(kDistance).value = 20;
    Click(kCancel);
    EXPECT_EQ(g_Config.displaySlider1, 50u);
    EXPECT_EQ(g_Config.drawDistance, 70u) << "the working copy is dropped";
    EXPECT_EQ(renderer_.releases, 2) << "rebuilt once on the move and once on cancel";
    EXPECT_EQ(CurrentMenuPage(), 1);
}

TEST_F(DisplayPageTest, ARefusedModeKeepsThePlayerOnThePageWithTheOldMode) {
    SetMenuPage(2);
    EXPECT_EQ(Item(kMode).value, ModeIndex(640, 480, 16));
    const float bigger = ModeIndex(800, 600, 16);
    ASSERT_GE(bigger, 0);
    Item(kMode).value = bigger + 0.5f;
    Item(kDistance).value = 33;
    Step();
    refusedWidth = 800;
    Click(kOk);
    EXPECT_EQ(CurrentMenuPage(), 2);
    ASSERT_EQ(switches.size(), 2u);
    EXPECT_EQ(switches[0].w, 800u);
    EXPECT_EQ(switches[1].w, 640u) << "back to the mode in force";
    EXPECT_EQ(g_Config.screenWidth, 640u);
    EXPECT_EQ(g_Config.drawDistance, 70u) << "nothing taken from the working copy yet";

    refusedWidth = 0;
    Click(kOk);
    EXPECT_EQ(CurrentMenuPage(), 1);
    EXPECT_EQ(g_Config.screenWidth, 800u);
    EXPECT_EQ(g_Config.screenHeight, 600u);
    EXPECT_EQ(g_Config.drawDistance, 33u);
    const ConfigRecord stored = StoredSettings();
    EXPECT_EQ(stored.screenWidth, 800u) << "leaving the page writes the settings";
    EXPECT_EQ(stored.drawDistance, 33u);
}

TEST_F(DisplayPageTest, ArrowsWrapOrStopAtTheEnds) {
    const struct {
        uint32_t ConfigRecord::*field;
        uint32_t start, item, expected, shownItem, shownText;
    } kCases[] = {
        {&ConfigRecord::raceStartOption, 0, kEffectsL, 2, kEffects, 39},
        {&ConfigRecord::raceStartOption, 2, kEffectsR, 0, kEffects, 37},
        {&ConfigRecord::raceStartOption, 1, kEffectsR, 2, kEffects, 39},
        {&ConfigRecord::landscapeDetail, 0, kLandscapeL, 0, kLandscape, 155},
        {&ConfigRecord::landscapeDetail, 2, kLandscapeR, 2, kLandscape, 157},
        {&ConfigRecord::landscapeDetail, 1, kLandscapeL, 0, kLandscape, 155},
        {&ConfigRecord::textureDetail, 0, kDetailL, 0, kDetail, 158},
        {&ConfigRecord::textureDetail, 1, kDetailR, 1, kDetail, 159},
        {&ConfigRecord::textureDetail, 0, kDetailR, 1, kDetail, 159},
        {&ConfigRecord::mipMapping, 0, kMipL, 1, kMip, 175},
        {&ConfigRecord::mipMapping, 1, kMipR, 0, kMip, 174},
        {&ConfigRecord::bilinear, 1, kBilinearL, 0, kBilinear, 150},
        {&ConfigRecord::bilinear, 0, kBilinearR, 1, kBilinear, 149},
    };
    for (const auto& c : kCases) {
        g_Config = ConfigRecord{};
        g_Config.*c.field = c.start;
        SetMenuPage(2);
        Click(c.item);
        EXPECT_EQ(Item(c.shownItem).label, c.shownText) << "item " << c.item << " from " << c.start;
        EXPECT_EQ(g_Config.*c.field, c.start) << "the live settings wait for OK";
        Click(kOk);
        EXPECT_EQ(g_Config.*c.field, c.expected) << "item " << c.item << " from " << c.start;
    }
}

TEST_F(DisplayPageTest, InARaceTheModeAndDetailItemsAreInert) {
    Flow().inRace = 1;
    SetMenuPage(2);
    const std::vector<uint32_t> fixed = {kMode, kLandscape, kMip, kMipL, kMipR, kLandscapeL, kLandscapeR, kDetail,
                                         kDetailL, kDetailR};
    for (uint32_t i = 1; Item(i).type != kItemEnd; ++i) {
        const bool expectInert = std::find(fixed.begin(), fixed.end(), i) != fixed.end();
        EXPECT_EQ((Item(i).flags & kItemHidden) != 0, expectInert) << "item " << i;
    }
    Click(kCancel);
    EXPECT_EQ(CurrentMenuPage(), static_cast<int32_t>(kInRaceMenuPage));
    Flow().inRace = 0;
    SetMenuPage(2);
    EXPECT_EQ(Item(kMode).flags & kItemHidden, 0u) << "live again in the front end";
}

TEST_F(DisplayPageTest, WithoutAModeListTheModeStays) {
    FreeDeviceList();
    SetMenuPage(2);
    EXPECT_NE(Item(kMode).flags & kItemHidden, 0u);
    EXPECT_EQ(Item(kMode).maximum, 0.0f);
    Item(kMode).value = 3;
    Step();
    Click(kOk);
    EXPECT_TRUE(switches.empty());
    EXPECT_EQ(g_Config.screenWidth, 640u);
    EXPECT_EQ(CurrentMenuPage(), 1);
}

TEST_F(DisplayPageTest, AnIndexPastTheListFallsBackToTheFirstMode) {
    SetMenuPage(2);
    Item(kMode).value = 1000;
    Step();
    EXPECT_EQ(Item(kMode).value, 0.0f);
    DeviceEntry* device = nullptr;
    GetSelectedDevice(nullptr, &device);
    ASSERT_TRUE(device && device->modes);
    EXPECT_STREQ(Item(kMode).text, device->modes->name);
}

TEST_F(PageTest, EitherVolumeSliderSetsBothMixerLines) {
    SetMenuPage(3);
    EXPECT_EQ(Item(3).value, 100.0f);
    EXPECT_EQ(Item(4).value, 60.0f);
    Item(3).value = 40.7f;
    Step();
    EXPECT_EQ(g_Config.effectsVolume, 40u);
    MixerSaveVolumes();
    EXPECT_FLOAT_EQ(MixerSavedLevel(kMixerEffects), 0.40f);
    EXPECT_FLOAT_EQ(MixerSavedLevel(kMixerMusic), 0.60f);
    EXPECT_STREQ(Item(3).text, " 40 %");
    Item(4).value = 0;
    Step();
    MixerSaveVolumes();
    EXPECT_FLOAT_EQ(MixerSavedLevel(kMixerMusic), 0.0f);
    EXPECT_FLOAT_EQ(MixerSavedLevel(kMixerEffects), 0.40f);
}

TEST_F(PageTest, SoundChoicesToggleAndTheOkButtonGoesBack) {
    g_Config.hardware3DSound = 1;
    SetMenuPage(3);
    EXPECT_EQ(Item(5).label, 118u);
    EXPECT_EQ(Item(8).label, 119u);
    EXPECT_NE(Item(1).flags & kItemHidden, 0u) << "no cancel on this page";
    Click(6);
    EXPECT_EQ(g_Config.hardware3DSound, 0u);
    EXPECT_EQ(Item(5).label, 117u);
    Click(10);
    EXPECT_EQ(g_Config.swapStereo, 1u);
    EXPECT_EQ(Item(8).label, 120u);
    Click(9);
    EXPECT_EQ(g_Config.swapStereo, 0u);
    Press(&MenuKeys::esc);
    EXPECT_EQ(CurrentMenuPage(), 1);
    Flow().inRace = 1;
    SetMenuPage(3);
    Click(2);
    EXPECT_EQ(CurrentMenuPage(), static_cast<int32_t>(kInRaceMenuPage));
}

TEST_F(PageTest, OptionsMenuLeadsToItsPagesAndWritesTheSettingsOnTheWayOut) {
    const struct {
        uint32_t item, page;
    } kCases[] = {{2, 4}, {3, 2}, {4, 3}, {1, 5}};
    for (const auto& c : kCases) {
        SetMenuPage(1);
        Click(c.item);
        EXPECT_EQ(CurrentMenuPage(), static_cast<int32_t>(c.page)) << "item " << c.item;
    }
    EXPECT_EQ(Flow().returnPage, 1) << "the profile page comes back here";
    g_Config.musicVolume = 12;
    SetMenuPage(1);
    Press(&MenuKeys::esc);
    EXPECT_EQ(CurrentMenuPage(), 0);
    EXPECT_EQ(StoredSettings().musicVolume, 12u);
}

TEST_F(PageTest, InRaceMenuAloneByWorldFamily) {
    const struct {
        uint32_t family;
        bool quitLive;
    } kCases[] = {{kFamilyChampionship, true}, {1, false}, {3, false}};
    for (const auto& c : kCases) {
        Flow().worldFamily = c.family;
        SetMenuPage(kInRaceMenuPage);
        EXPECT_EQ((Item(3).flags & kItemHidden) == 0, c.quitLive) << "family " << c.family;
        EXPECT_EQ(Item(3).label, 57u);
        EXPECT_EQ(Item(2).flags & kItemHidden, 0u);
    }
}

TEST_F(PageTest, InRaceMenuRetireContinueAndQuit) {
    SetRacePhase(8, 1);
    SetMenuPage(kInRaceMenuPage);
    Press(&MenuKeys::esc);
    EXPECT_TRUE(QuitRequested()) << "Esc continues the race";
    EXPECT_EQ(Flow().RaceOutcome, kOutcomeRun);
    EXPECT_EQ(RacePhase(), 8u);
    ClearQuitRequest();

    Click(2);
    EXPECT_TRUE(QuitRequested());
    EXPECT_EQ(RacePhase(), 11u);
    EXPECT_EQ(Flow().RaceOutcome, kOutcomeRetired);
    ClearQuitRequest();

    Flow() = GameFlowState{};
    Flow().worldFamily = kFamilyChampionship;
    SetMenuPage(kInRaceMenuPage);
    Click(3);
    EXPECT_TRUE(QuitRequested());
    EXPECT_EQ(Flow().RaceOutcome, kOutcomeSessionLost);
    ClearQuitRequest();

    const struct {
        uint32_t item, page;
    } kDoors[] = {{4, 2}, {5, 3}, {6, 4}};
    for (const auto& d : kDoors) {
        SetMenuPage(kInRaceMenuPage);
        Click(d.item);
        EXPECT_EQ(CurrentMenuPage(), static_cast<int32_t>(d.page));
        EXPECT_FALSE(QuitRequested());
    }
}

}  // namespace
}  // namespace kes
