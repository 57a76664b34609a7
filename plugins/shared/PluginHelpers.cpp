#include "plugins/shared/PluginHelpers.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/dialogs/Bitmap.h"

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

QvBitmap CreateToolbarBitmap(uint32_t rgb, int mark) {
    plat::Bitmap* b = plat::CreateBitmap(16, 16, nullptr);
    if (!b) return nullptr;
    const uint32_t fill = 0xFF000000u | (rgb & 0xFFFFFFu), white = 0xFFFFFFFFu, ink = 0xFF000000u;
    b->FillRect(1, 1, 15, 15, fill);
    b->Line(1, 1, 14, 1, ink);
    b->Line(1, 14, 14, 14, ink);
    b->Line(1, 1, 1, 14, ink);
    b->Line(14, 1, 14, 14, ink);
    switch (mark & 3) {
        case 0: b->FillRect(6, 6, 10, 10, white); break;
        case 1: b->FillRect(4, 7, 12, 9, white); break;
        case 2:
            b->Line(4, 4, 11, 11, white);
            b->Line(4, 11, 11, 4, white);
            break;
        default:
            b->Line(5, 4, 10, 4, white);
            b->Line(5, 11, 10, 11, white);
            b->Line(4, 5, 4, 10, white);
            b->Line(11, 5, 11, 10, white);
            break;
    }
    return reinterpret_cast<QvBitmap>(b);
}

void DeleteToolbarBitmap(QvBitmap bitmap) { plat::DeleteBitmap(reinterpret_cast<plat::Bitmap*>(bitmap)); }

}  // namespace qv::shared
