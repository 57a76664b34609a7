#include "editor/app/Layout.h"

#include <algorithm>

namespace qv {

EditorLayout ComputeLayout(int32_t width, int32_t top, int32_t bottom, int maximised) {
    EditorLayout l{};
    bottom = std::max(bottom, top);
    const int32_t area = std::max(width - kPanelWidth, 0);
    l.panel = {area, top, width, bottom};
    const int32_t height = bottom - top;
    if (maximised >= 0 && maximised < 4) {
        for (int i = 0; i < 4; ++i) l.viewports[i] = {0, top, 0, top};
        l.viewports[maximised] = {0, top, area, bottom};
        return l;
    }
    const int32_t leftW = area / 2, topH = height / 2;
    l.viewports[0] = {0, top, leftW, top + topH};
    l.viewports[1] = {leftW, top, area, top + topH};
    l.viewports[2] = {0, top + topH, leftW, bottom};
    l.viewports[3] = {leftW, top + topH, area, bottom};
    return l;
}

}  // namespace qv
