// Messages for display set-up failures.
#include "game/core/display/Display.h"
#include "platform/sys/MessageBox.h"

namespace kes {

std::string FrameworkErrorText(int32_t code) {
    const char* text = nullptr;
    switch (static_cast<uint32_t>(code)) {
    case 0x8007000E: text = "Not enough memory!"; break;
    case 0x81000001: text = "Enumeration failed. Your system may be in an\nunstable state and need to be rebooted"; break;
    case 0x81000003: text = "Could not find any compatible Direct3D\ndevices."; break;
    case 0x82000001: text = "No DirectDraw"; break;
    case 0x82000002: text = "Could not set Cooperative Level"; break;
    case 0x82000003: text = "No Direct3D"; break;
    case 0x82000004: text = "No 3D Device"; break;
    case 0x82000005: text = "No ZBuffer"; break;
    case 0x82000006: text = "No Viewport"; break;
    case 0x82000007:
        text = "This game requires a 16 bit (or higher) display mode !\nGo to \"Control Panel\\Display\" to set your "
               "display accordingly !";
        break;
    case 0x82000008: text = "No Clipper"; break;
    case 0x82000009: text = "Bad display mode"; break;
    case 0x8200000A: text = "No backbuffer"; break;
    case 0x8200000C: text = "No render target"; break;
    case 0x8876017C: text = "There was insufficient video memory to use the\nhardware device."; break;
    default: break;
    }
    std::string message;
    if (text) {
        message = text;
    } else {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "Generic Direct3D error : %08X", static_cast<uint32_t>(code));
        message = buffer;
    }
    return message + "\n\nGravelon will now exit.";
}

// Shown through the platform's message box, which prints to standard error and takes OK when
// headless or without a display.
std::string FrameworkError(int32_t code) {
    const std::string message = FrameworkErrorText(code);
    plat::MessageBox(message, "Dovell' Gravelon", plat::MB_OK | plat::MB_ICONERROR);
    return message;
}

}  // namespace kes
