#include "plugins/shared/FileDialogs.h"

#include <cstdarg>
#include <cstdio>

namespace qv {

std::vector<plat::FileFilter> ExtensionFilters(const std::string& extension) {
    const std::string ext = extension.substr(0, 11);
    return {{ext + " Files (*." + ext + ")", "*." + ext}, {"All Files (*.*)", "*.*"}};
}

std::string OpenFileDialog(const std::string& extension) {
    plat::FileRequest r;
    r.filters = ExtensionFilters(extension);
    r.mustExist = true;
    const std::vector<std::string> chosen = plat::OpenFileChooser(r);
    return chosen.empty() ? std::string() : chosen.front();
}

std::string SaveFileDialog(const std::string& extension) {
    plat::FileRequest r;
    r.filters = ExtensionFilters(extension);
    r.mustExist = false;
    r.promptOverwrite = true;
    r.defaultExtension = extension.substr(0, 11);
    return plat::SaveFileChooser(r);
}

int Winprintf(const char* format, ...) {
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return plat::ShowMessageBox(text, "Winprintf", plat::MB_OK);
}

}  // namespace qv
