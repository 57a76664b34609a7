#pragma once
// The file choosers and the formatted message box the plug-ins share. The choosers filter on one
// extension ("BMP Files (*.BMP)", then "All Files (*.*)"); both answer the chosen path, or an empty
// text when cancelled. Winprintf formats at most 1023 characters into an OK box captioned "Winprintf".
#include <string>
#include <vector>

#include "platform/dialogs/Modal.h"

namespace qv {

std::vector<plat::FileFilter> ExtensionFilters(const std::string& extension);
std::string OpenFileDialog(const std::string& extension);
// Asks before replacing a file; a typed name without extension gets this one.
std::string SaveFileDialog(const std::string& extension);
int Winprintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace qv
