// A machine without any GL-capable video driver: the device cannot be made, the failure is shown
// with its text and the caller ends in order. Runs in its own program so that the video system is
// started with the dummy driver.
#include <gtest/gtest.h>

#include <cstdlib>

#include "game/core/display/Display.h"

namespace kes::test {
namespace {

TEST(DisplayFailureTest, NoGlDriverReportsNo3DDevice) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    const int32_t code = DeviceInit(kPrimaryDriverGuid, kHardwareDeviceGuid, 640, 480, 16, "t", kDeviceHidden);
    EXPECT_EQ(code, kNo3DDevice);
    EXPECT_FALSE(DeviceReady());
    ::testing::internal::CaptureStderr();
    FrameworkError(code);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("No 3D Device\n\nGravelon will now exit."),
              std::string::npos);
    DeviceShutdown();
    EXPECT_EQ(RenderPresent(), -1);
    FreeDeviceList();
}

}  // namespace
}  // namespace kes::test
