#pragma once
// The editor's window: SDL2 and the shared GL back end draw the viewports, Dear ImGui draws the menu bar,
// toolbar, status bar, plug-in panel and dialogs over them. Runs frames until the editor quits.
#include <memory>
#include <string>
#include <vector>

namespace qv {

struct AppOptions {
    std::string pluginFolder;  // where the "*.qv" libraries are
    int width = 800, height = 600;
    int quitAfterFrames = -1;  // GRAVELON_QUIT_AFTER_FRAMES
    bool hidden = false;       // headless runs keep the window hidden
    std::string screenshot;    // a 24-bit BMP of the last frame is written here when the editor ends
    std::string world;         // opened after start-up
};

// The program: 0 after an orderly end, non-zero when the editor could not start.
int RunEditor(const AppOptions& options);

// Writes red, green, blue, alpha rows (top row first) as a 24-bit bottom-up BMP; false on failure.
bool WriteBmp24(const std::string& path, const std::vector<uint8_t>& rgba, int width, int height);

}  // namespace qv
