#pragma once
// The editor's own pictures, drawn here rather than loaded: the toolbar's image strip (13 images of
// 16 x 16), the default plug-in button and the navigation cursors.
#include "platform/dialogs/Bitmap.h"

namespace qv {

enum : int {
    kToolbarImageSize = 16,
    kToolbarImageCount = 13,
    kCursorSize = 32,
};

// Images in button order: all viewports, viewports 1-4, (separator), Move, Forward / Zoom, Rotate, Tilt,
// Field of View, Select, (separator).
plat::Bitmap ToolbarStrip();
// The button of a plug-in that has no bitmap of its own.
plat::Bitmap DefaultPluginBitmap();

using CursorImage = plat::Cursor;  // an empty image for an unknown id
// The navigation cursors 190 (Move), 191 (Forward / Zoom), 194 (Rotate), 197 (Field of View) and
// 198 (Tilt): the tool's picture at twice the size with a white rim, the hot spot in the middle.
CursorImage NavigationCursor(int id);

}  // namespace qv
