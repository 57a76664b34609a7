#pragma once
// Where the main window puts its parts: the plug-in panel in a strip 229 pixels wide on the right between
// toolbar and status bar, the viewports in the rest (a 2 x 2 grid, or one maximised viewport).
#include "editor/render/RenderDevice.h"

namespace qv {

constexpr int32_t kPanelWidth = 229;

struct EditorLayout {
    PixelRect panel;
    PixelRect viewports[4];  // an empty rectangle for a hidden viewport
};

// `top` is the bottom edge of the toolbar, `bottom` the top edge of the status bar. In the grid the
// right column and the bottom row take the extra pixel of an odd size.
EditorLayout ComputeLayout(int32_t width, int32_t top, int32_t bottom, int maximised);

}  // namespace qv
