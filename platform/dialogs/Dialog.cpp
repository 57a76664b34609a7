#include "platform/dialogs/Dialog.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>

namespace plat {

namespace {

bool IsList(ControlKind k) {
    return k == ControlKind::ListBox || k == ControlKind::MultiListBox || k == ControlKind::ComboBox;
}
bool IsRanged(ControlKind k) { return k == ControlKind::Trackbar || k == ControlKind::Spinner; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

}  // namespace

Dialog::Dialog(DialogTemplate tmpl, DialogProc proc) : tmpl_(std::move(tmpl)), proc_(std::move(proc)) {
    for (const ControlTemplate& t : tmpl_.controls) {
        Control c;
        c.tmpl = t;
        if (!IsList(t.kind) && !IsRanged(t.kind)) c.text = t.text;
        c.enabled = !(t.style & kStyleDisabled);
        c.visible = !(t.style & kStyleHidden);
        controls_.push_back(std::move(c));
    }
}

Dialog::~Dialog() { Destroy(); }

void Dialog::Initialise(intptr_t param) { Send(WM_INITDIALOG, 0, param); }

void Dialog::Destroy() {
    if (destroyed_) return;
    destroyed_ = true;
    if (proc_) proc_(*this, WM_DESTROY, 0, 0);
    proc_ = nullptr;
}

intptr_t Dialog::Send(uint32_t msg, uintptr_t wParam, intptr_t lParam) {
    if (!proc_) return 0;
    // Keep the procedure alive while it runs, even when it destroys its own dialog.
    DialogProc proc = proc_;
    const intptr_t handled = proc(*this, msg, wParam, lParam);
    // Default handling of the close box: cancel.
    if (msg == WM_CLOSE && !handled) End(kIdCancel);
    return handled;
}

void Dialog::End(intptr_t result) {
    if (ended_) return;
    ended_ = true;
    result_ = result;
}

Control* Dialog::Find(int id) {
    if (id < 0) return nullptr;
    for (Control& c : controls_)
        if (c.tmpl.id == id) return &c;
    return nullptr;
}

const Control* Dialog::Find(int id) const { return const_cast<Dialog*>(this)->Find(id); }

void Dialog::Command(int id, uint16_t code) {
    Send(WM_COMMAND, MakeWParam(static_cast<uint16_t>(id), code), id);
}

bool Dialog::SetText(int id, const std::string& text) {
    Control* c = Find(id);
    if (!c) return false;
    std::string value = text;
    if (c->tmpl.kind == ControlKind::Edit && c->textLimit > 0 && static_cast<int>(value.size()) > c->textLimit)
        value.resize(static_cast<size_t>(c->textLimit));
    if (c->text == value) return true;
    c->text = std::move(value);
    if (c->tmpl.kind == ControlKind::Edit) Command(id, EN_CHANGE);
    return true;
}

std::string Dialog::Text(int id) const {
    const Control* c = Find(id);
    if (!c) return {};
    if (IsList(c->tmpl.kind)) return ItemText(id, c->current);
    return c->text;
}

bool Dialog::SetInt(int id, long value) { return SetText(id, std::to_string(value)); }

long Dialog::Int(int id, bool* ok) const {
    const std::string text = Text(id);
    const std::string_view s = Trim(text);
    long value = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    const bool good = !s.empty() && ec == std::errc() && end == s.data() + s.size();
    if (ok) *ok = good;
    return good ? value : 0;
}

bool Dialog::SetFloat(int id, double value, const char* format) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return SetText(id, text);
}

double Dialog::Float(int id, bool* ok) const {
    const std::string text = Text(id);
    std::string_view s = Trim(text);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    double value = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    const bool good = !s.empty() && ec == std::errc() && end == s.data() + s.size() && std::isfinite(value);
    if (ok) *ok = good;
    return good ? value : 0.0;
}

void Dialog::SetTextLimit(int id, int characters) {
    if (Control* c = Find(id)) c->textLimit = std::max(0, characters);
}

bool Dialog::Enable(int id, bool on) {
    Control* c = Find(id);
    if (!c) return false;
    c->enabled = on;
    if (!on && focus_ == id) focus_ = -1;
    return true;
}

bool Dialog::IsEnabled(int id) const {
    const Control* c = Find(id);
    return c && c->enabled;
}

bool Dialog::Show(int id, bool on) {
    Control* c = Find(id);
    if (!c) return false;
    c->visible = on;
    return true;
}

bool Dialog::IsVisible(int id) const {
    const Control* c = Find(id);
    return c && c->visible;
}

bool Dialog::Check(int id, bool on) {
    Control* c = Find(id);
    if (!c) return false;
    c->checked = on;
    return true;
}

bool Dialog::IsChecked(int id) const {
    const Control* c = Find(id);
    return c && c->checked;
}

void Dialog::CheckRadio(int first, int last, int id) {
    for (Control& c : controls_)
        if (c.tmpl.id >= first && c.tmpl.id <= last) c.checked = (c.tmpl.id == id);
}

int Dialog::AddString(int id, const std::string& text) {
    Control* c = Find(id);
    if (!c || !IsList(c->tmpl.kind)) return -1;
    c->items.push_back(text);
    c->selected.push_back(false);
    return static_cast<int>(c->items.size()) - 1;
}

void Dialog::ResetContent(int id) {
    Control* c = Find(id);
    if (!c || !IsList(c->tmpl.kind)) return;
    c->items.clear();
    c->selected.clear();
    c->current = -1;
}

int Dialog::Count(int id) const {
    const Control* c = Find(id);
    return c && IsList(c->tmpl.kind) ? static_cast<int>(c->items.size()) : 0;
}

std::string Dialog::ItemText(int id, int index) const {
    const Control* c = Find(id);
    if (!c || index < 0 || index >= static_cast<int>(c->items.size())) return {};
    return c->items[static_cast<size_t>(index)];
}

bool Dialog::SetCurrent(int id, int index) {
    Control* c = Find(id);
    if (!c || !IsList(c->tmpl.kind) || index < -1 || index >= static_cast<int>(c->items.size())) return false;
    c->current = index;
    return true;
}

int Dialog::Current(int id) const {
    const Control* c = Find(id);
    return c ? c->current : -1;
}

bool Dialog::SetSelected(int id, int index, bool on) {
    Control* c = Find(id);
    if (!c || c->tmpl.kind != ControlKind::MultiListBox) return false;
    if (index == -1) {
        std::fill(c->selected.begin(), c->selected.end(), on);
        return true;
    }
    if (index < 0 || index >= static_cast<int>(c->selected.size())) return false;
    c->selected[static_cast<size_t>(index)] = on;
    return true;
}

std::vector<int> Dialog::SelectedItems(int id) const {
    std::vector<int> out;
    const Control* c = Find(id);
    if (!c) return out;
    if (c->tmpl.kind == ControlKind::MultiListBox) {
        for (size_t i = 0; i < c->selected.size(); ++i)
            if (c->selected[i]) out.push_back(static_cast<int>(i));
    } else if (c->current >= 0) {
        out.push_back(c->current);
    }
    return out;
}

int Dialog::FindString(int id, const std::string& text) const {
    const Control* c = Find(id);
    if (!c) return -1;
    for (size_t i = 0; i < c->items.size(); ++i)
        if (c->items[i] == text) return static_cast<int>(i);
    return -1;
}

void Dialog::SetRange(int id, int minimum, int maximum) {
    Control* c = Find(id);
    if (!c || !IsRanged(c->tmpl.kind)) return;
    c->minimum = std::min(minimum, maximum);
    c->maximum = std::max(minimum, maximum);
    c->position = std::clamp(c->position, c->minimum, c->maximum);
}

void Dialog::SetPosition(int id, int position) {
    Control* c = Find(id);
    if (!c || !IsRanged(c->tmpl.kind)) return;
    c->position = std::clamp(position, c->minimum, c->maximum);
}

int Dialog::Position(int id) const {
    const Control* c = Find(id);
    return c ? c->position : 0;
}

void Dialog::SetTick(int id, int position) {
    if (Control* c = Find(id)) c->ticks.push_back(position);
}

void Dialog::SetColour(int id, uint32_t bgr) {
    if (Control* c = Find(id)) c->colour = bgr & 0xFFFFFF;
}

bool Dialog::SetImage(int id, Bitmap bitmap) {
    Control* c = Find(id);
    if (!c) return false;
    c->image = std::make_shared<const Bitmap>(std::move(bitmap));
    return true;
}

const Bitmap* Dialog::Image(int id) const {
    const Control* c = Find(id);
    return c ? c->image.get() : nullptr;
}

uint32_t Dialog::Colour(int id) const {
    const Control* c = Find(id);
    return c ? c->colour : 0;
}

// ---- user actions

bool Dialog::UserSetFocus(int id) {
    Control* c = Find(id);
    if (!Usable(c)) return false;
    if (focus_ == id) return true;
    const int was = focus_;
    focus_ = id;
    if (const Control* old = Find(was); old && old->tmpl.kind == ControlKind::Edit) Command(was, EN_KILLFOCUS);
    if (c->tmpl.kind == ControlKind::Edit) Command(id, EN_SETFOCUS);
    return true;
}

bool Dialog::UserClick(int id) {
    Control* c = Find(id);
    if (!Usable(c)) return false;
    switch (c->tmpl.kind) {
        case ControlKind::Button:
            UserSetFocus(id);
            Command(id, BN_CLICKED);
            return true;
        case ControlKind::CheckBox:
            UserSetFocus(id);
            c->checked = !c->checked;
            Command(id, BN_CLICKED);
            return true;
        case ControlKind::Radio: {
            UserSetFocus(id);
            // The radios of its group: the run of radios around it, a group style starting a new run.
            const size_t at = static_cast<size_t>(c - controls_.data());
            size_t first = at, last = at;
            while (first > 0 && controls_[first - 1].tmpl.kind == ControlKind::Radio &&
                   !(controls_[first].tmpl.style & kStyleGroup))
                --first;
            while (last + 1 < controls_.size() && controls_[last + 1].tmpl.kind == ControlKind::Radio &&
                   !(controls_[last + 1].tmpl.style & kStyleGroup))
                ++last;
            for (size_t i = first; i <= last; ++i) controls_[i].checked = (i == at);
            Command(id, BN_CLICKED);
            return true;
        }
        case ControlKind::Picture:
        case ControlKind::Static:
            Command(id, STN_CLICKED);
            return true;
        default:
            return UserSetFocus(id);
    }
}

bool Dialog::UserType(int id, const std::string& text) {
    Control* c = Find(id);
    if (!Usable(c) || c->tmpl.kind != ControlKind::Edit || (c->tmpl.style & kStyleReadOnly)) return false;
    if (c->tmpl.style & kStyleNumber) {
        for (char ch : text)
            if (ch < '0' || ch > '9') return false;
    }
    UserSetFocus(id);
    return SetText(id, text);
}

bool Dialog::UserSelect(int id, int index) {
    Control* c = Find(id);
    if (!Usable(c) || !(c->tmpl.kind == ControlKind::ListBox || c->tmpl.kind == ControlKind::ComboBox)) return false;
    if (index < 0 || index >= static_cast<int>(c->items.size())) return false;
    UserSetFocus(id);
    c->current = index;
    Command(id, LBN_SELCHANGE);
    return true;
}

bool Dialog::UserSelectMany(int id, const std::vector<int>& items) {
    Control* c = Find(id);
    if (!Usable(c) || c->tmpl.kind != ControlKind::MultiListBox) return false;
    for (int i : items)
        if (i < 0 || i >= static_cast<int>(c->items.size())) return false;
    UserSetFocus(id);
    std::fill(c->selected.begin(), c->selected.end(), false);
    for (int i : items) c->selected[static_cast<size_t>(i)] = true;
    c->current = items.empty() ? -1 : items.back();
    Command(id, LBN_SELCHANGE);
    return true;
}

bool Dialog::UserMoveTrackbar(int id, int position) {
    Control* c = Find(id);
    if (!Usable(c) || c->tmpl.kind != ControlKind::Trackbar) return false;
    UserSetFocus(id);
    c->position = std::clamp(position, c->minimum, c->maximum);
    const uint16_t pos = static_cast<uint16_t>(c->position);
    Send(WM_HSCROLL, MakeWParam(SB_THUMBTRACK, pos), id);
    Send(WM_HSCROLL, MakeWParam(SB_ENDSCROLL, 0), id);
    return true;
}

bool Dialog::UserSpin(int id, int position) {
    Control* c = Find(id);
    if (!Usable(c) || c->tmpl.kind != ControlKind::Spinner) return false;
    c->position = std::clamp(position, c->minimum, c->maximum);
    Send(WM_VSCROLL, MakeWParam(SB_THUMBPOSITION, static_cast<uint16_t>(c->position)), id);
    return true;
}

void Dialog::UserEnter() {
    int id = kIdOk;
    for (const Control& c : controls_)
        if (c.tmpl.kind == ControlKind::Button && (c.tmpl.style & kStyleDefault)) id = c.tmpl.id;
    if (Find(id)) {
        UserClick(id);
    } else {
        Command(id, BN_CLICKED);
    }
}

void Dialog::UserClose() { Send(WM_CLOSE, 0, 0); }

namespace {

struct TemplateKey {
    const void* module;
    uintptr_t id;
    std::string name;
    bool operator<(const TemplateKey& o) const {
        if (module != o.module) return std::less<const void*>()(module, o.module);
        if (id != o.id) return id < o.id;
        return name < o.name;
    }
};

std::map<TemplateKey, DialogTemplate>& Templates() {
    static std::map<TemplateKey, DialogTemplate> templates;
    return templates;
}

}  // namespace

void RegisterDialogTemplate(const void* module, uintptr_t id, DialogTemplate tmpl) {
    Templates()[{module, id, {}}] = std::move(tmpl);
}

void RegisterDialogTemplate(const void* module, const std::string& name, DialogTemplate tmpl) {
    Templates()[{module, 0, name}] = std::move(tmpl);
}

const DialogTemplate* FindDialogTemplate(const void* module, uintptr_t id) {
    TemplateKey key{module, id, {}};
    if (id >= 65536) key = {module, 0, std::string(reinterpret_cast<const char*>(id))};
    auto it = Templates().find(key);
    return it == Templates().end() ? nullptr : &it->second;
}

void ForgetDialogTemplates(const void* module) {
    auto& t = Templates();
    for (auto it = t.begin(); it != t.end();) it = it->first.module == module ? t.erase(it) : std::next(it);
}

}  // namespace plat
