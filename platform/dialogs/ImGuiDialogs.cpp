#include "platform/dialogs/ImGuiDialogs.h"

#include <algorithm>

#include <imgui.h>
#include <imgui_stdlib.h>

#include <algorithm>

namespace plat::gui {

namespace {

ImU32 FromBgr(uint32_t bgr) {
    return IM_COL32(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF, 255);
}

void Remember(Control& c) {
    const ImVec2 a = ImGui::GetItemRectMin(), b = ImGui::GetItemRectMax();
    c.drawn[0] = a.x;
    c.drawn[1] = a.y;
    c.drawn[2] = b.x;
    c.drawn[3] = b.y;
}

}  // namespace

void DrawControls(Dialog& dialog) {
    const ImVec2 origin = ImGui::GetCursorStartPos();
    // The procedure may change the controls while it is notified: walk by index and look each up again.
    const size_t count = dialog.Controls().size();
    for (size_t i = 0; i < count; ++i) {
        Control& c = dialog.Controls()[i];
        if (!c.visible) continue;
        const int id = c.tmpl.id;
        const ControlTemplate t = c.tmpl;
        ImGui::PushID(static_cast<int>(i));
        ImGui::SetCursorPos(ImVec2(origin.x + static_cast<float>(t.x), origin.y + static_cast<float>(t.y)));
        const ImVec2 size(static_cast<float>(std::max(t.width, 8)), static_cast<float>(std::max(t.height, 8)));
        if (!c.enabled) ImGui::BeginDisabled();
        switch (t.kind) {
            case ControlKind::Static:
                ImGui::PushTextWrapPos(ImGui::GetCursorPosX() + size.x);
                ImGui::TextUnformatted(c.text.c_str());
                ImGui::PopTextWrapPos();
                Remember(c);
                break;
            case ControlKind::GroupBox: {
                ImGui::TextUnformatted(c.text.c_str());
                const ImVec2 p = ImGui::GetItemRectMin();
                ImGui::GetWindowDrawList()->AddRect(p, ImVec2(p.x + size.x, p.y + size.y), ImGui::GetColorU32(ImGuiCol_Border));
                Remember(c);
                break;
            }
            case ControlKind::Picture: {
                const bool clicked = ImGui::InvisibleButton("##picture", size);
                Remember(c);
                ImGui::GetWindowDrawList()->AddRectFilled(ImGui::GetItemRectMin(), ImGui::GetItemRectMax(), FromBgr(c.colour));
                if (clicked) dialog.UserClick(id);
                break;
            }
            case ControlKind::Image: {
                ImGui::Dummy(size);
                Remember(c);
                if (!c.image || c.image->Empty()) break;
                // Drawn as blocks of at most 256 across, so that a large map stays cheap to show.
                const Bitmap& b = *c.image;
                const int step = std::max(1, std::max(b.width, b.height) / 256);
                const ImVec2 at = ImGui::GetItemRectMin();
                ImDrawList* list = ImGui::GetWindowDrawList();
                for (int y = 0; y < b.height; y += step)
                    for (int x = 0; x < b.width; x += step) {
                        const uint32_t argb = b.Pixel(x, y);
                        const ImU32 colour = IM_COL32((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF, 255);
                        list->AddRectFilled(ImVec2(at.x + static_cast<float>(x), at.y + static_cast<float>(y)),
                                            ImVec2(at.x + static_cast<float>(x + step), at.y + static_cast<float>(y + step)), colour);
                    }
                break;
            }
            case ControlKind::Button: {
                const bool clicked = ImGui::Button(c.text.c_str(), size);
                Remember(c);
                if (clicked) dialog.UserClick(id);
                break;
            }
            case ControlKind::CheckBox:
            case ControlKind::Radio: {
                bool on = c.checked;
                const bool clicked = t.kind == ControlKind::CheckBox ? ImGui::Checkbox(c.text.c_str(), &on)
                                                                     : ImGui::RadioButton(c.text.c_str(), c.checked);
                Remember(c);
                if (clicked) dialog.UserClick(id);
                break;
            }
            case ControlKind::Edit: {
                std::string text = c.text;
                ImGuiInputTextFlags flags = 0;
                if (t.style & kStyleNumber) flags |= ImGuiInputTextFlags_CharsDecimal;
                if (t.style & kStyleReadOnly) flags |= ImGuiInputTextFlags_ReadOnly;
                bool changed;
                if (t.style & kStyleMultiLine) {
                    changed = ImGui::InputTextMultiline("##edit", &text, size, flags);
                } else {
                    ImGui::SetNextItemWidth(size.x);
                    changed = ImGui::InputText("##edit", &text, flags);
                }
                Remember(c);
                if (ImGui::IsItemActivated()) dialog.UserSetFocus(id);
                if (changed) dialog.UserType(id, text);
                break;
            }
            case ControlKind::ListBox:
            case ControlKind::MultiListBox: {
                if (ImGui::BeginListBox("##list", size)) {
                    const std::vector<std::string> items = c.items;
                    for (size_t n = 0; n < items.size(); ++n) {
                        const Control* now = dialog.Find(id);
                        const bool selected = now && (t.kind == ControlKind::MultiListBox
                                                          ? (n < now->selected.size() && now->selected[n])
                                                          : now->current == static_cast<int>(n));
                        ImGui::PushID(static_cast<int>(n));
                        if (ImGui::Selectable(items[n].c_str(), selected)) {
                            if (t.kind == ControlKind::MultiListBox) {
                                std::vector<int> sel = dialog.SelectedItems(id);
                                auto it = std::find(sel.begin(), sel.end(), static_cast<int>(n));
                                if (it != sel.end()) sel.erase(it);
                                else sel.push_back(static_cast<int>(n));
                                std::sort(sel.begin(), sel.end());
                                dialog.UserSelectMany(id, sel);
                            } else {
                                dialog.UserSelect(id, static_cast<int>(n));
                            }
                        }
                        ImGui::PopID();
                    }
                    ImGui::EndListBox();
                }
                if (Control* now = dialog.Find(id)) Remember(*now);
                break;
            }
            case ControlKind::ComboBox: {
                ImGui::SetNextItemWidth(size.x);
                const std::string preview = dialog.ItemText(id, c.current);
                const std::vector<std::string> items = c.items;
                const bool open = ImGui::BeginCombo("##combo", preview.c_str());
                if (Control* now = dialog.Find(id)) Remember(*now);
                if (open) {
                    for (size_t n = 0; n < items.size(); ++n) {
                        ImGui::PushID(static_cast<int>(n));
                        if (ImGui::Selectable(items[n].c_str(), dialog.Current(id) == static_cast<int>(n)))
                            dialog.UserSelect(id, static_cast<int>(n));
                        ImGui::PopID();
                    }
                    ImGui::EndCombo();
                }
                break;
            }
            case ControlKind::Trackbar: {
                int position = c.position;
                ImGui::SetNextItemWidth(size.x);
                const bool moved = ImGui::SliderInt("##track", &position, c.minimum, c.maximum);
                Remember(c);
                if (moved) dialog.UserMoveTrackbar(id, position);
                break;
            }
            case ControlKind::Spinner: {
                int position = c.position;
                ImGui::SetNextItemWidth(size.x);
                const bool moved = ImGui::InputInt("##spin", &position);
                Remember(c);
                if (moved) dialog.UserSpin(id, position);
                break;
            }
        }
        if (!c.enabled) ImGui::EndDisabled();
        ImGui::PopID();
        if (dialog.Ended()) break;
    }
}

void DrawDialogWindow(Dialog& dialog, float x, float y) {
    const DialogTemplate& t = dialog.Template();
    ImGui::SetNextWindowPos(ImVec2(x, y), ImGuiCond_Appearing);
    ImGui::SetNextWindowSize(ImVec2(static_cast<float>(t.width) + 16, static_cast<float>(t.height) + 40), ImGuiCond_Appearing);
    bool open = true;
    const std::string title = dialog.Title() + "###dialog" + std::to_string(reinterpret_cast<uintptr_t>(&dialog));
    if (ImGui::Begin(title.c_str(), &open, ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_NoSavedSettings)) {
        DrawControls(dialog);
        if (ImGui::IsWindowFocused(ImGuiFocusedFlags_RootAndChildWindows)) {
            if (ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_Escape))) open = false;
            else if (ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_Enter)) && !ImGui::IsAnyItemActive()) dialog.UserEnter();
        }
    }
    ImGui::End();
    if (!open && !dialog.Ended()) dialog.UserClose();
}

int DrawMenuItems(Menu& menu) {
    int chosen = 0;
    for (size_t i = 0; i < menu.items.size(); ++i) {
        MenuItem& item = menu.items[i];
        ImGui::PushID(static_cast<int>(i));
        if (item.separator) {
            ImGui::Separator();
        } else if (item.submenu) {
            if (ImGui::BeginMenu(item.text.c_str(), !item.grayed)) {
                if (int c = DrawMenuItems(*item.submenu)) chosen = c;
                ImGui::EndMenu();
            }
        } else if (item.inert) {
            ImGui::TextDisabled("%s", item.text.c_str());
        } else if (ImGui::MenuItem(item.text.c_str(), nullptr, item.checked, !item.grayed)) {
            chosen = item.id;
        }
        ImGui::PopID();
    }
    return chosen;
}

int DrawMenuBar(Menu& menu, float* barHeight) {
    int chosen = 0;
    if (ImGui::BeginMainMenuBar()) {
        chosen = DrawMenuItems(menu);
        if (barHeight) *barHeight = ImGui::GetWindowSize().y;
        ImGui::EndMainMenuBar();
    }
    return chosen;
}

void DrawBitmap(const Bitmap& bitmap, ImVec2 at) {
    ImDrawList* list = ImGui::GetWindowDrawList();
    for (int y = 0; y < bitmap.height; ++y)
        for (int x = 0; x < bitmap.width; ++x) {
            const uint32_t argb = bitmap.Pixel(x, y);
            if ((argb >> 24) == 0) continue;
            const ImU32 colour = IM_COL32((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF, argb >> 24);
            const ImVec2 p(at.x + static_cast<float>(x), at.y + static_cast<float>(y));
            list->AddRectFilled(p, ImVec2(p.x + 1, p.y + 1), colour);
        }
}

int DrawToolbar(Toolbar& toolbar, const std::vector<std::string>& labels, float x, float y, float height) {
    int chosen = 0;
    ImGui::SetNextWindowPos(ImVec2(x, y));
    ImGui::SetNextWindowSize(ImVec2(ImGui::GetIO().DisplaySize.x - x, height));
    const ImGuiWindowFlags flags = ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove |
                                   ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoBringToFrontOnFocus;
    ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(4, 3));
    if (ImGui::Begin("##toolbar", nullptr, flags)) {
        const std::vector<ToolButton> buttons = toolbar.Buttons();
        for (size_t i = 0; i < buttons.size(); ++i) {
            const ToolButton& b = buttons[i];
            if (i) ImGui::SameLine();
            if (!b.command) {
                ImGui::TextDisabled("|");
                continue;
            }
            const std::string label = i < labels.size() && !labels[i].empty() ? labels[i] : std::to_string(b.command);
            ImGui::PushID(static_cast<int>(i));
            if (b.checked) ImGui::PushStyleColor(ImGuiCol_Button, ImGui::GetStyleColorVec4(ImGuiCol_ButtonActive));
            if (!b.enabled) ImGui::BeginDisabled();
            if (const Bitmap* image = toolbar.ImageOf(b)) {
                // The picture on a button of its size plus a border; the label becomes the tooltip.
                const float side = std::max(height - 8.0f, static_cast<float>(image->height) + 4.0f);
                const ImVec2 at = ImGui::GetCursorScreenPos();
                if (ImGui::Button("##image", ImVec2(side, side))) chosen = toolbar.Press(b.command);
                if (ImGui::IsItemHovered()) ImGui::SetTooltip("%s", label.c_str());
                DrawBitmap(*image, ImVec2(at.x + (side - static_cast<float>(image->width)) / 2,
                                          at.y + (side - static_cast<float>(image->height)) / 2));
            } else if (ImGui::Button(label.c_str())) {
                chosen = toolbar.Press(b.command);
            }
            if (!b.enabled) ImGui::EndDisabled();
            if (b.checked) ImGui::PopStyleColor();
            ImGui::PopID();
        }
    }
    ImGui::End();
    ImGui::PopStyleVar();
    return chosen;
}

void DrawStatusBar(const StatusBar& bar, float x, float y, float width, float height) {
    ImGui::SetNextWindowPos(ImVec2(x, y));
    ImGui::SetNextWindowSize(ImVec2(width, height));
    const ImGuiWindowFlags flags = ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove |
                                   ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoInputs;
    ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(6, 2));
    if (ImGui::Begin("##status", nullptr, flags)) ImGui::TextUnformatted(bar.text.c_str());
    ImGui::End();
    ImGui::PopStyleVar();
}

}  // namespace plat::gui
