#include <gtest/gtest.h>

#include "editor/render/Framework.h"
#include "platform/dialogs/Modal.h"

namespace qv {
namespace {

TEST(Framework, EveryCodeHasItsMessageAndTheBoxItsEnding) {
    struct Case {
        uint32_t code;
        const char* text;
    };
    for (const Case& c : {Case{0x8007000E, "Not enough memory!"}, Case{0x82000004, "No 3D Device"},
                          Case{0x8200000B, "Nonzerorefcount"}, Case{0x8200000C, "No render target"},
                          Case{0x82000007, "No primary"},
                          Case{0x8200000E, "Generic application error.\n\nEnable debug output for detailed information."},
                          Case{0x12345678, "Generic application error.\n\nEnable debug output for detailed information."}})
        EXPECT_EQ(FrameworkMessage(c.code), c.text) << std::hex << c.code;
    plat::ClearMessagesShown();
    ShowFrameworkError(0x82000005, 1);
    ShowFrameworkError(0x82000005, 2);
    ShowFrameworkError(0x82000005, 0);
    const auto& shown = plat::MessagesShown();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].text, "No ZBuffer\n\nThis sample will now exit.");
    EXPECT_EQ(shown[0].flags & 0xF0, plat::MB_ICONERROR);
    EXPECT_EQ(shown[1].text, "No ZBuffer\n\nSwitching to software rasterizer.");
    EXPECT_EQ(shown[2].text, "No ZBuffer");
    EXPECT_EQ(shown[2].caption, "QV");
    EXPECT_EQ(FrameworkCodeFor("context: no GL 3.3"), static_cast<uint32_t>(kFwNo3DDevice));
}

TEST(Framework, EnumerationKeepsUsableModesWithStableIds) {
    const auto drivers = EnumerateDisplay("llvmpipe", {{800, 600, 8}, {1024, 768, 32}, {640, 480, 16}}, 32);
    ASSERT_EQ(drivers.size(), 1u);
    const DisplayDeviceInfo& d = drivers[0].devices[0];
    ASSERT_EQ(d.modes.size(), 2u) << "8-bit modes are never kept";
    EXPECT_EQ(d.modes[d.chosenMode].text, "640 x 480 x 16");
    EXPECT_TRUE(d.canRenderWindowed);
    EXPECT_EQ(d.id, StableDeviceId("llvmpipe"));
    EXPECT_NE(d.id, StableDeviceId("llvmpipe2"));

    DisplayChoice choice;
    EXPECT_EQ(ChooseDisplay(drivers, 0, &choice), 0u);
    EXPECT_TRUE(choice.windowed);
    EXPECT_EQ(ChooseDisplay(drivers, 2, &choice), 0u);
    EXPECT_FALSE(choice.windowed) << "bit 1 leaves out the windowed passes";
    EXPECT_EQ(ChooseDisplay(drivers, 1, &choice), static_cast<uint32_t>(kFwNoCompatibleDevice));

    EXPECT_TRUE(EnumerateDisplay("x", {{640, 480, 8}}, 8).empty()) << "only 8-bit modes: no device";
    EXPECT_EQ(ChooseDisplay({}, 0, &choice), static_cast<uint32_t>(kFwEnumerationFailed));
}

}  // namespace
}  // namespace qv
