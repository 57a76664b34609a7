#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/render/DisplaySetup.h"
#include "platform/dialogs/Modal.h"

namespace qv {
namespace {

// Two drivers: the primary display with a hardware device (16 and 32 bit modes) and a software one,
// and a secondary display whose device cannot draw in a window.
std::vector<DisplayDriverInfo> TwoDrivers() {
    auto drivers = EnumerateDisplay("gl", {{640, 480, 16}, {1024, 768, 16}, {800, 600, 32}}, 16);
    DisplayDeviceInfo soft;
    soft.name = "software";
    soft.hardware = false;
    soft.modes = {{640, 480, 16, "640 x 480 x 16"}};
    soft.chosenMode = 0;
    drivers[0].devices.push_back(soft);
    DisplayDriverInfo second;
    second.primary = false;
    second.canRenderWindowed = false;
    second.description = "Second Display";
    DisplayDeviceInfo dev;
    dev.name = "second";
    dev.modes = {{1280, 1024, 32, "1280 x 1024 x 32"}};
    dev.chosenMode = 0;
    second.devices.push_back(dev);
    second.chosenDevice = 0;
    drivers.push_back(second);
    return drivers;
}

std::vector<std::string> Items(plat::Dialog& d, int id) {
    std::vector<std::string> out;
    for (int i = 0; i < d.Count(id); ++i) out.push_back(d.ItemText(id, i));
    return out;
}

class DriverDialog : public ::testing::Test {
protected:
    void SetUp() override {
        plat::ClearScripts();
        plat::ClearMessagesShown();
        drivers = TwoDrivers();
        ASSERT_EQ(ChooseDisplay(drivers, 0, &choice), 0u);
    }
    void TearDown() override { plat::ClearScripts(); }
    std::vector<DisplayDriverInfo> drivers;
    DisplayChoice choice;
};

TEST_F(DriverDialog, ListsStartFromTheChoiceAndOkWithoutChangeAnswers2) {
    std::vector<std::string> modes, devices;
    std::string title;
    int current = -2;
    plat::ScriptNextDialog([&](plat::Dialog& d) {
        title = d.Title();
        devices = Items(d, kDeviceList);
        modes = Items(d, kModeList);
        current = d.Current(kModeList);
        d.UserClick(plat::kIdOk);
    });
    const DisplayChoice before = choice;
    EXPECT_EQ(SelectDriverDialog(drivers, choice), 2);
    EXPECT_EQ(choice, before);
    EXPECT_EQ(title, "Select New Direct3D Driver");
    EXPECT_EQ(devices, (std::vector<std::string>{"gl", "software"}));
    // The desktop is at 16 bits and the device draws at 16: the window comes first.
    EXPECT_EQ(modes, (std::vector<std::string>{"Windowed mode", "640 x 480 x 16", "1024 x 768 x 16", "800 x 600 x 32"}));
    EXPECT_EQ(current, 0) << "the choice is windowed";
}

TEST_F(DriverDialog, PickingAModeLeavesTheWindowAndOkStoresIt) {
    plat::ScriptNextDialog([&](plat::Dialog& d) {
        d.UserSelect(kModeList, 2);  // "1024 x 768 x 16"
        d.UserClick(plat::kIdOk);
    });
    EXPECT_EQ(SelectDriverDialog(drivers, choice), 1);
    EXPECT_FALSE(choice.windowed);
    EXPECT_EQ(choice.mode, 1);
    EXPECT_EQ(choice.device, 0);
}

TEST_F(DriverDialog, AnotherDriverBringsItsDeviceAndModesWithoutTheWindow) {
    std::vector<std::string> devices, modes;
    plat::ScriptNextDialog([&](plat::Dialog& d) {
        d.UserSelect(kDriverList, 1);
        devices = Items(d, kDeviceList);
        modes = Items(d, kModeList);
        d.UserClick(plat::kIdOk);
    });
    EXPECT_EQ(SelectDriverDialog(drivers, choice), 1);
    EXPECT_EQ(devices, std::vector<std::string>{"second"});
    EXPECT_EQ(modes, std::vector<std::string>{"1280 x 1024 x 32"}) << "a secondary driver offers no window";
    EXPECT_EQ(choice.driver, 1);
    EXPECT_EQ(choice.device, 0);
    EXPECT_EQ(choice.mode, 0);
}

TEST_F(DriverDialog, CancelKeepsTheChoiceAndNoChoiceAnswersMinusOne) {
    plat::ScriptNextDialog([&](plat::Dialog& d) {
        d.UserSelect(kDeviceList, 1);
        d.UserClick(plat::kIdCancel);
    });
    const DisplayChoice before = choice;
    EXPECT_EQ(SelectDriverDialog(drivers, choice), 2);
    EXPECT_EQ(choice, before);
    DisplayChoice none;
    EXPECT_EQ(SelectDriverDialog(drivers, none), -1);
    EXPECT_EQ(plat::PendingScripts(), 0u);
}

// Records what the display set-up asks of the back end.
struct FakeBackend final : DisplayBackend {
    uint32_t Rebuild(const DisplaySettings& s, const DisplayChoice& c) override {
        calls.push_back("rebuild " + std::to_string(s.Flags()) + " " + std::to_string(s.width) + "x" +
                        std::to_string(s.height) + (c.windowed ? " windowed" : " full"));
        return fail;
    }
    void SetWindowSize(int32_t w, int32_t h) override {
        calls.push_back("window " + std::to_string(w) + "x" + std::to_string(h));
    }
    void DestroyWindow() override { calls.push_back("destroy"); }
    std::vector<std::string> calls;
    uint32_t fail = 0;
};

TEST_F(DriverDialog, ToggleGoesToAWindowOf300AndBackToTheRequestedSize) {
    FakeBackend backend;
    DisplaySettings settings;
    settings.width = 800;
    settings.height = 600;
    DisplaySetup setup(&backend, drivers, choice, settings, 800, 600);
    EXPECT_EQ(setup.ToggleSize(), 0u);  // windowed -> full screen
    EXPECT_EQ(setup.ToggleSize(), 0u);  // full screen -> window
    EXPECT_EQ(backend.calls, (std::vector<std::string>{"rebuild 7 800x600 full", "rebuild 6 800x600 windowed",
                                                       "window 300x300"}));
    int32_t w = 0, h = 0;
    setup.GetSize(&w, &h);
    EXPECT_EQ(w, 300);
    EXPECT_EQ(h, 300);

    backend.calls.clear();
    EXPECT_EQ(setup.Resize(1024, 768), 0u);
    EXPECT_EQ(backend.calls, std::vector<std::string>{"rebuild 7 1024x768 full"});
    EXPECT_FALSE(setup.Settings().windowed);
}

TEST_F(DriverDialog, FailedRebuildShowsTheExitBoxAndClosesTheWindow) {
    FakeBackend backend;
    backend.fail = kFwNoRenderTarget;
    DisplaySetup setup(&backend, drivers, choice, DisplaySettings{}, 640, 480);
    EXPECT_EQ(setup.Rebuild(), static_cast<uint32_t>(kFwNoRenderTarget));
    ASSERT_EQ(plat::MessagesShown().size(), 1u);
    EXPECT_EQ(plat::MessagesShown()[0].text, "No render target\n\nThis sample will now exit.");
    EXPECT_EQ(backend.calls.back(), "destroy");
}

TEST_F(DriverDialog, ChosenFullScreenModeRebuildsAtItsSize) {
    FakeBackend backend;
    DisplaySetup setup(&backend, drivers, choice, DisplaySettings{}, 640, 480);
    plat::ScriptNextDialog([&](plat::Dialog& d) {
        d.UserSelect(kModeList, 3);  // "800 x 600 x 32"
        d.UserClick(plat::kIdOk);
    });
    EXPECT_EQ(setup.ChooseDevice(16), 1);
    EXPECT_EQ(backend.calls, std::vector<std::string>{"rebuild 7 800x600 full"});
    // OK without a change rebuilds nothing.
    backend.calls.clear();
    plat::ScriptNextDialog([&](plat::Dialog& d) { d.UserClick(plat::kIdOk); });
    EXPECT_EQ(setup.ChooseDevice(16), 2);
    EXPECT_TRUE(backend.calls.empty());
}

TEST_F(DriverDialog, DesktopDepthRenewsWhoDrawsInAWindow) {
    RenewWindowedMarks(drivers, 32);
    EXPECT_TRUE(drivers[0].devices[0].canRenderWindowed);
    EXPECT_FALSE(drivers[0].devices[1].canRenderWindowed) << "the software device has no 32-bit mode";
    RenewWindowedMarks(drivers, 24);
    DisplayChoice c;
    EXPECT_EQ(ChooseDisplay(drivers, 0, &c), 0u);
    EXPECT_FALSE(c.windowed) << "no device draws at the desktop's depth";
}

}  // namespace
}  // namespace qv
