#include "plugins/shared/PluginHelpers.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace qv::shared {

namespace {

std::string CleanExtension(const char* extension) {
    std::string e = extension ? extension : "";
    if (!e.empty() && e.front() == '.') e.erase(0, 1);
    if (e.size() > 11) e.resize(11);
    return e;
}

char* Copy(const std::string& path) {
    if (path.empty()) return nullptr;
    char* out = static_cast<char*>(std::malloc(path.size() + 1));
    if (out) std::memcpy(out, path.c_str(), path.size() + 1);
    return out;
}

plat::FileRequest Request(const char* extension, bool save) {
    plat::FileRequest r;
    r.title = save ? "Save" : "Open";
    r.filters = ExtensionFilters(extension);
    r.defaultExtension = CleanExtension(extension);
    r.mustExist = !save;
    r.promptOverwrite = save;
    return r;
}

}  // namespace

std::vector<plat::FileFilter> ExtensionFilters(const char* extension) {
    const std::string e = CleanExtension(extension);
    return {{e + " Files (*." + e + ")", "*." + e}, {"All Files (*.*)", "*.*"}};
}

char* SaveFileDialog(QvWnd, const char* extension) { return Copy(plat::SaveFileChooser(Request(extension, true))); }

char* OpenFileDialog(QvWnd, const char* extension) {
    const std::vector<std::string> chosen = plat::OpenFileChooser(Request(extension, false));
    return chosen.empty() ? nullptr : Copy(chosen.front());
}

int Winprintf(const char* format, ...) {
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);  // cuts at 1023 characters
    va_end(args);
    return plat::ShowMessageBox(text, "Winprintf", plat::MB_OK | plat::MB_TASKMODAL);
}

}  // namespace qv::shared
