#pragma once
// Helpers every plug-in shares: a save and an open file dialog that filter on one extension, and
// Winprintf, a printf-style message box with an OK button.
#include <cstdarg>
#include <string>
#include <vector>

#include "editor/plugin/PluginApi.h"
#include "platform/dialogs/Modal.h"

namespace qv::shared {

// The filter pairs for an extension such as "TXT": "TXT Files (*.TXT)" with "*.TXT", then
// "All Files (*.*)" with "*.*". The extension is taken without a dot, at most 11 characters.
std::vector<plat::FileFilter> ExtensionFilters(const char* extension);

// A newly allocated path (free it with std::free), or null when cancelled. Save asks before replacing a
// file and adds the extension to a name typed without one; open wants an existing file.
char* SaveFileDialog(QvWnd owner, const char* extension);
char* OpenFileDialog(QvWnd owner, const char* extension);

// Formats into 1024 bytes (longer texts are cut to 1023 characters) and shows the text captioned
// "Winprintf" with OK; the box's answer.
int Winprintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// A toolbar picture for a plug-in's button (16 x 16): a square of the plug-in's colour (0xRRGGBB) with
// a white mark, 0 a dot, 1 a bar, 2 a cross, 3 a ring, so that neighbouring buttons differ. Owned by
// the plug-in: delete it with DeleteToolbarBitmap when the library unloads.
QvBitmap CreateToolbarBitmap(uint32_t rgb, int mark);
void DeleteToolbarBitmap(QvBitmap bitmap);

}  // namespace qv::shared
