// The viewport's popup menu and its properties dialog.
#include <algorithm>

#include "editor/core/Editor.h"
#include "editor/viewport/EditorViewport.h"
#include "platform/dialogs/Modal.h"

namespace qv {

namespace {

const char* const kViewNames[10] = {"Right", "Left", "Front", "Back", "Top", "Down", "Corner Front Left",
                                    "Corner Front Right", "Corner Back Left", "Corner Back Right"};

struct ToolItem {
    int32_t command, tool;
    const char* text;
};
constexpr ToolItem kToolItems[] = {{kCmdMove, kToolMove, "Move"},          {kCmdForward, kToolForward, "Forward / Zoom"},
                                   {kCmdRotate, kToolRotate, "Rotate"},    {kCmdTilt, kToolTilt, "Tilt"},
                                   {kCmdFieldOfView, kToolFieldOfView, "Field of View"},
                                   {kCmdSelect, kToolSelect, "Select"}};

plat::Menu BuildPopup() {
    plat::Menu m;
    m.Append(kCmdPluginMenu, "Plugin");
    m.AppendSeparator();
    plat::Menu& views = m.AppendSubmenu("Predefined Views");
    for (int i = 0; i < 10; ++i) views.Append(kCmdViewFirst + i, kViewNames[i]);
    plat::Menu& use = m.AppendSubmenu("Use User Views");
    for (int i = 0; i < 16; ++i) use.Append(kCmdUseFirst + i, "View " + std::to_string(i + 1));
    plat::Menu& set = m.AppendSubmenu("Set User Views");
    for (int i = 0; i < 16; ++i) set.Append(kCmdSetFirst + i, "View " + std::to_string(i + 1));
    m.AppendSeparator();
    for (const ToolItem& t : kToolItems) m.Append(t.command, t.text);
    m.AppendSeparator();
    m.Append(kCmdPerspective, "Perspective");
    m.Append(kCmdTopDown, "Top / Down");
    m.Append(kCmdMaxMin, "Max/Min view");
    m.Append(kCmdProperties, "Properties...");
    return m;
}

}  // namespace

void EditorViewport::PreparePopup(plat::Menu& m) {
    m = BuildPopup();
    QvMenu pluginMenu = nullptr;
    if (flags_ & kViewportLocked) pluginMenu = locked_ ? locked_->GetMenu() : nullptr;
    else if (EditorPlugin* active = set_->editor->ActivePlugin()) pluginMenu = active->GetViewportMenu(this);
    if (pluginMenu) m.SetSubmenu(kCmdPluginMenu, reinterpret_cast<plat::Menu*>(pluginMenu));
    else m.EnableItem(kCmdPluginMenu, false);
    if (flags_ & kViewportLocked) {
        m.EnableItem(kCmdPerspective, false);
        m.EnableItem(kCmdTopDown, false);
    } else if (flags_ & kViewportTopDown) {
        m.CheckItem(kCmdTopDown, true);
        m.EnableItem(kCmdPerspective, false);
    } else if (flags_ & kViewportPerspective) {
        m.CheckItem(kCmdPerspective, true);
    }
    for (const ToolItem& t : kToolItems)
        if (set_->tool == t.tool) m.CheckItem(t.command, true);
}

void EditorViewport::ShowPopup() {
    plat::Menu menu;
    PreparePopup(menu);
    if (const int command = plat::TrackPopup(menu)) OnCommand(command);
}

void EditorViewport::OnCommand(int32_t id) {
    if (id >= kCmdViewFirst && id < kCmdViewFirst + 10) return SetView(id - kCmdViewFirst);
    if (id >= kCmdUseFirst && id < kCmdUseFirst + 16) return UseUserView(id - kCmdUseFirst);
    if (id >= kCmdSetFirst && id < kCmdSetFirst + 16) return SetUserView(id - kCmdSetFirst);
    for (const ToolItem& t : kToolItems)
        if (id == t.command) return set_->ChooseTool(t.tool);
    switch (id) {
        case kCmdPerspective:
            if (!(flags_ & (kViewportLocked | kViewportTopDown))) {
                flags_ ^= kViewportPerspective;
                Invalidate(0);
            }
            return;
        case kCmdTopDown:
            if (!(flags_ & kViewportLocked)) {
                flags_ ^= kViewportTopDown;
                Invalidate(0);
            }
            return;
        case kCmdMaxMin:
            set_->ToggleMaximise(index_);
            return;
        case kCmdProperties:
            ShowProperties();
            return;
        default:
            break;
    }
    if (id >= kCmdPluginFirst) {
        if (flags_ & kViewportLocked) {
            if (locked_) locked_->OnCommand(id);
        } else if (EditorPlugin* active = set_->editor->ActivePlugin()) {
            active->OnCommand(id);
        }
    }
}

// Dialog "Properties of Graphic Window".
enum : int {
    kPropAll = 1008,
    kPropRendering = 1002,
    kPropAdd = 1003,
    kPropRemove = 1004,
    kPropPlugins = 1001,
    kPropViews = 1007,
    kPropUnlocked = 1011,
    kPropLocked = 1012,
    kPropFinish = 1,
};

void EditorViewport::ShowProperties() {
    Editor& editor = *set_->editor;
    plat::DialogTemplate t;
    t.title = "Properties of Graphic Window";
    t.width = 420;
    t.height = 330;
    t.controls = {
        {plat::ControlKind::Static, -1, "List of Plugins", 8, 4, 150, 16},
        {plat::ControlKind::MultiListBox, kPropAll, "", 8, 22, 150, 110},
        {plat::ControlKind::Button, kPropAdd, "Add ->", 166, 40, 80, 22},
        {plat::ControlKind::Button, kPropRemove, "<- Remove", 166, 70, 80, 22},
        {plat::ControlKind::Static, -1, "Plugins that Render Window", 254, 4, 160, 16},
        {plat::ControlKind::ListBox, kPropRendering, "", 254, 22, 160, 110},
        {plat::ControlKind::Static, -1, "List of Plugins", 8, 142, 150, 16},
        {plat::ControlKind::ListBox, kPropPlugins, "", 8, 160, 150, 110},
        {plat::ControlKind::Static, -1, "List of Specific Views", 254, 142, 160, 16},
        {plat::ControlKind::ListBox, kPropViews, "", 254, 160, 160, 110},
        {plat::ControlKind::Radio, kPropUnlocked, "Unlocked", 8, 280, 100, 18, plat::kStyleGroup},
        {plat::ControlKind::Radio, kPropLocked, "Locked", 110, 280, 100, 18},
        {plat::ControlKind::Button, kPropFinish, "Finish", 334, 300, 80, 22, plat::kStyleDefault},
    };
    auto fillRendering = [&](plat::Dialog& d) {
        d.ResetContent(kPropRendering);
        for (size_t i = 0; i < editor.PluginCount() && i < renderFlags_.size(); ++i)
            if (renderFlags_[i]) d.AddString(kPropRendering, editor.Plugin(i)->GetName());
    };
    auto fillViews = [&](plat::Dialog& d) {
        d.ResetContent(kPropViews);
        EditorPlugin* p = editor.Plugin(static_cast<size_t>(std::max(propertiesPlugin, 0)));
        if (!p) return;
        for (int32_t j = 0; j < p->GetViewCount(); ++j) {
            PluginView* v = p->GetView(j);
            d.AddString(kPropViews, v && v->GetTitle() ? v->GetTitle() : "");
        }
        d.SetCurrent(kPropViews, propertiesView < d.Count(kPropViews) ? propertiesView : -1);
    };
    plat::RunModal(t, [&](plat::Dialog& d, uint32_t msg, uintptr_t w, intptr_t) -> intptr_t {
        if (msg == plat::WM_INITDIALOG) {
            for (size_t i = 0; i < editor.PluginCount(); ++i) {
                d.AddString(kPropAll, editor.Plugin(i)->GetName());
                d.AddString(kPropPlugins, editor.Plugin(i)->GetName());
            }
            fillRendering(d);
            d.SetCurrent(kPropPlugins, propertiesPlugin < d.Count(kPropPlugins) ? propertiesPlugin : -1);
            fillViews(d);
            d.CheckRadio(kPropUnlocked, kPropLocked, (flags_ & kViewportLocked) ? kPropLocked : kPropUnlocked);
            return 1;
        }
        if (msg != plat::WM_COMMAND) return 0;
        const int id = plat::LowWord(w);
        const uint16_t code = plat::HighWord(w);
        if (id == kPropAdd && code == plat::BN_CLICKED) {
            for (int i : d.SelectedItems(kPropAll))
                if (static_cast<size_t>(i) < renderFlags_.size()) renderFlags_[static_cast<size_t>(i)] = 1;
            fillRendering(d);
        } else if (id == kPropRemove && code == plat::BN_CLICKED) {
            const std::string name = d.ItemText(kPropRendering, d.Current(kPropRendering));
            for (size_t i = 0; i < editor.PluginCount() && i < renderFlags_.size(); ++i)
                if (renderFlags_[i] && name == editor.Plugin(i)->GetName()) {
                    renderFlags_[i] = 0;
                    break;
                }
            fillRendering(d);
        } else if (id == kPropPlugins && code == plat::LBN_SELCHANGE) {
            propertiesPlugin = d.Current(kPropPlugins);
            propertiesView = 0;
            fillViews(d);
        } else if (id == kPropViews && code == plat::LBN_SELCHANGE) {
            propertiesView = d.Current(kPropViews);
        } else if (id == kPropFinish && code == plat::BN_CLICKED) {
            Unlock();
            if (d.IsChecked(kPropLocked)) {
                EditorPlugin* p = editor.Plugin(static_cast<size_t>(std::max(propertiesPlugin, 0)));
                if (p && propertiesView >= 0 && propertiesView < p->GetViewCount()) LockTo(p->GetView(propertiesView));
            }
            Invalidate(0);
            d.End(kPropFinish);
        }
        return 1;
    });
}

}  // namespace qv
