#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "game/core/cdaudio/CdAudio.h"
#include "game/core/config/Config.h"
#include "game/core/display/DeviceList.h"
#include "game/core/setup/SetupDialog.h"
#include "platform/sys/Env.h"
#include "platform/sys/MessageBox.h"

namespace kes {
namespace {

namespace fs = std::filesystem;

class SetupTest : public ::testing::Test {
protected:
    void SetUp() override {
        registry = fs::path(::testing::TempDir()) / ("setup_registry_" + std::to_string(::getpid()));
        fs::remove(registry);
        setenv("GRAVELON_REGISTRY", registry.c_str(), 1);
        plat::ReloadEnv();
        plat::SetMessageBoxHook([this](const plat::MessageBoxCall& call) {
            boxes.push_back(call.text);
            return plat::IDOK;
        });
        g_Config = ConfigRecord{};
        InstallSetupSteps();
        SetSoundDeviceLister(nullptr);
        SetSetupDialogDriver(nullptr);
    }
    void TearDown() override {
        plat::SetMessageBoxHook(nullptr);
        SetSoundDeviceLister(nullptr);
        SetSetupDialogDriver(nullptr);
        fs::remove(registry);
        fs::remove(registry.string() + ".lock");
    }
    fs::path registry;
    std::vector<std::string> boxes;
};

// The real lister: headless the null output device is present, so the default device is chosen and
// no "no audio device" message is shown.
TEST_F(SetupTest, TheSoundManagersDevicesAreListed) {
    SetSoundDeviceLister(ListSoundDevices);
    const std::vector<SoundDeviceInfo> devices = ListSoundDevices();
    ASSERT_GE(devices.size(), 2u);
    EXPECT_EQ(devices[0].guid, Guid{});
    EXPECT_NE(devices[1].guid, Guid{});
    Guid driver{}, device{}, sound{1};
    ASSERT_EQ(LoadConfigAndShowSetup("Dovell' Gravelon", &driver, &device, &sound, 0), 1);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(sound, Guid{});
    // A device chosen once is found again by its identifier on the next start.
    g_Config.soundDevice = devices[1].guid;
    SaveConfig();
    ASSERT_EQ(LoadConfigAndShowSetup("Dovell' Gravelon", &driver, &device, &sound, 0), 1);
    EXPECT_EQ(sound, devices[1].guid);
}

TEST_F(SetupTest, WithoutDialogTheFirstDeviceIsTakenAndNoSoundIsReported) {
    Guid driver{}, device{}, sound{1};
    ASSERT_EQ(LoadConfigAndShowSetup("Dovell' Gravelon", &driver, &device, &sound, 0), 1);
    Guid expectedDevice{};
    DeviceGuidToBytes(kHardwareDeviceGuid, expectedDevice.data());
    EXPECT_EQ(device, expectedDevice);
    EXPECT_EQ(g_Config.device3D, expectedDevice);
    EXPECT_EQ(driver, Guid{});
    EXPECT_EQ(sound, Guid{});
    EXPECT_EQ(g_Config.soundDevice, Guid{});
    EXPECT_EQ(boxes, std::vector<std::string>{kStringNoAudioDevice});
    // Opened and closed once: start-up may open it again without a second player.
    EXPECT_EQ(CdOpenCount(), 0);
    EXPECT_TRUE(fs::exists(registry));
}

std::vector<SoundDeviceInfo> TwoSoundDevices() {
    return {{"First", Guid{1, 2, 3}, 1, 0}, {"Second", Guid{9, 9, 9}, 0, 1}};
}

TEST_F(SetupTest, StoredSoundDeviceIsKeptOrTheFirstTakenWithSoundSettingsReset) {
    SetSoundDeviceLister(TwoSoundDevices);
    g_Config.soundDevice = Guid{9, 9, 9};
    g_Config.effectsVolume = 30;
    ASSERT_EQ(SetupSteps("t", nullptr, nullptr, nullptr, 0), 1);
    EXPECT_EQ(g_Config.soundDevice, (Guid{9, 9, 9}));
    EXPECT_EQ(g_Config.effectsVolume, 30u);
    g_Config.soundDevice = Guid{7};
    g_Config.hardware3DSound = 1;
    g_Config.musicVolume = 5;
    Guid sound{};
    ASSERT_EQ(SetupSteps("t", nullptr, nullptr, &sound, 0), 1);
    EXPECT_EQ(sound, (Guid{1, 2, 3}));
    EXPECT_EQ(g_Config.hardware3DSound, 0u);
    EXPECT_EQ(g_Config.effectsVolume, 100u);
    EXPECT_EQ(g_Config.musicVolume, 60u);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(SetupTest, DrivenDialogChangesTheModeAndFiltersThenRocks) {
    SetSoundDeviceLister(TwoSoundDevices);
    ModeEntry chosen{};
    bool modeChosen = false;
    SetSetupDialogDriver([&](SetupDialog& dialog, int frame, int* value) -> int {
        EXPECT_TRUE(dialog.Checked(kIdHasZBuffer));
        EXPECT_FALSE(dialog.Enabled(kIdHasZBuffer));
        if (frame == 0) return kIdBilinear;
        if (frame == 1) {
            for (size_t i = 0; i < dialog.Modes().size(); ++i)
                if (dialog.Modes()[i]->width != 640) {
                    chosen = *dialog.Modes()[i];
                    modeChosen = true;
                    *value = static_cast<int>(i);
                    return kIdMode;
                }
            return 0;
        }
        if (frame == 2) {
            *value = 1;
            return kIdSound;
        }
        return kIdOk;
    });
    ASSERT_EQ(SetupSteps("t", nullptr, nullptr, nullptr, 1), 1);
    ASSERT_TRUE(modeChosen) << "the list offers a mode other than 640 wide";
    EXPECT_EQ(g_Config.screenWidth, chosen.width);
    EXPECT_EQ(g_Config.screenHeight, chosen.height);
    EXPECT_EQ(g_Config.bitsPerPixel, chosen.bitsPerPixel);
    EXPECT_NE(g_Config.screenWidth, 640u);
    EXPECT_EQ(g_Config.bilinear, 0u);
    EXPECT_EQ(g_Config.soundDevice, (Guid{9, 9, 9}));
    EXPECT_EQ(CdOpenCount(), 0);
}

TEST_F(SetupTest, CancelledDialogStopsWithoutWritingAgain) {
    SetSetupDialogDriver([](SetupDialog&, int frame, int*) { return frame == 1 ? kIdCancel : 0; });
    ASSERT_EQ(LoadConfigRecord(), 1);
    g_Config.drawDistance = 12;  // not written: the cancel ends the steps before the write
    EXPECT_EQ(SetupSteps("t", nullptr, nullptr, nullptr, 1), 0);
    EXPECT_EQ(CdOpenCount(), 0);
    g_Config = ConfigRecord{};
    ASSERT_EQ(LoadConfigRecord(), 1);
    EXPECT_EQ(g_Config.drawDistance, 70u);
}

TEST_F(SetupTest, HeadlessDialogTakesOk) {
    SetSetupDialogDriver(nullptr);
    EXPECT_EQ(SetupSteps("t", nullptr, nullptr, nullptr, 1), 1);
    EXPECT_EQ(CdOpenCount(), 0);
}

TEST_F(SetupTest, ModeMissingFromTheListFallsBackTo640x480x16) {
    g_Config.screenWidth = 12345;
    ASSERT_EQ(SetupSteps("t", nullptr, nullptr, nullptr, 1), 1);
    EXPECT_EQ(g_Config.screenWidth, 640u);
    EXPECT_EQ(g_Config.screenHeight, 480u);
    EXPECT_EQ(g_Config.bitsPerPixel, 16u);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1], kStringNoDefaultMode);
}

// A device that lacks features: the set-up dialog warns about the Z buffer and alpha blending, shows
// the boxes as the device reports them, and turns off (and keeps off) the switches it cannot honour.
TEST_F(SetupTest, MissingDeviceFeaturesWarnAndClearTheirSwitches) {
    const FeatureProbe previous = SetFeatureProbe([] {
        plat::GfxFeatures f;
        f.gouraud = f.perspective = f.chromaKey = f.bilinear = true;
        return f;  // no Z buffer, no alpha blending, no mip maps, no trilinear filtering
    });
    SetSetupDialogDriver([](SetupDialog& dialog, int frame, int*) -> int {
        EXPECT_FALSE(dialog.Checked(kIdHasZBuffer));
        EXPECT_FALSE(dialog.Checked(kIdHasAlphaBlend));
        EXPECT_TRUE(dialog.Checked(kIdHasGouraud));
        EXPECT_TRUE(dialog.Checked(kIdCanBilinear));
        EXPECT_FALSE(dialog.Checked(kIdCanMipMapping));
        EXPECT_FALSE(dialog.Enabled(kIdMipMapping));
        EXPECT_FALSE(dialog.Enabled(kIdTrilinear));
        EXPECT_TRUE(dialog.Enabled(kIdBilinear));
        if (frame == 0) return kIdMipMapping;  // a disabled switch does not turn on
        return kIdOk;
    });
    ASSERT_EQ(SetupSteps("t", nullptr, nullptr, nullptr, 1), 1);
    SetFeatureProbe(previous);
    EXPECT_EQ(g_Config.mipMapping, 0u);
    EXPECT_EQ(g_Config.trilinear, 0u);
    EXPECT_EQ(g_Config.bilinear, 1u);
    EXPECT_EQ(g_Config.perspective, 1u);
    const std::vector<std::string> expected = {
        kStringNoAudioDevice,
        std::string(kStringNoZBuffer) + "\n\n" + kStringMayNotRun,
        std::string(kStringNoAlphaBlend) + "\n\n" + kStringMayNotRun,
    };
    EXPECT_EQ(boxes, expected);
}

// The GL device these tests run on is asked, not assumed: it has a depth buffer and the filters.
TEST(GfxFeatures, TheOffscreenDeviceReportsWhatItOffers) {
    const plat::GfxFeatures f = plat::GfxDevice::ProbeFeatures();
    EXPECT_TRUE(f.zBuffer);
    EXPECT_TRUE(f.alphaBlend);
    EXPECT_TRUE(f.mipMapping);
    EXPECT_TRUE(f.trilinear);
}

}  // namespace
}  // namespace kes
