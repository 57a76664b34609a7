#include "platform/dialogs/Menu.h"

namespace plat {

MenuItem& Menu::Append(int id, std::string text) {
    MenuItem item;
    item.id = id;
    item.text = std::move(text);
    items.push_back(std::move(item));
    return items.back();
}

void Menu::AppendSeparator() {
    MenuItem item;
    item.separator = true;
    items.push_back(std::move(item));
}

Menu& Menu::AppendSubmenu(std::string text, int id) {
    MenuItem& item = Append(id, std::move(text));
    item.owned = std::make_shared<Menu>();
    item.submenu = item.owned.get();
    return *item.submenu;
}

MenuItem* Menu::FindItem(int id) {
    for (MenuItem& item : items) {
        if (!item.separator && item.id == id && id != 0) return &item;
        // Only owned submenus are searched: a lent one belongs to another module's ids.
        if (item.owned)
            if (MenuItem* found = item.owned->FindItem(id)) return found;
    }
    return nullptr;
}

bool Menu::CheckItem(int id, bool on) {
    MenuItem* item = FindItem(id);
    if (!item) return false;
    item->checked = on;
    return true;
}

bool Menu::EnableItem(int id, bool on) {
    MenuItem* item = FindItem(id);
    if (!item) return false;
    item->grayed = !on;
    return true;
}

bool Menu::IsChecked(int id) {
    MenuItem* item = FindItem(id);
    return item && item->checked;
}

bool Menu::IsGrayed(int id) {
    MenuItem* item = FindItem(id);
    return item && item->grayed;
}

bool Menu::SetSubmenu(int id, Menu* submenu) {
    MenuItem* item = FindItem(id);
    if (!item) return false;
    item->submenu = submenu ? submenu : item->owned.get();
    return true;
}

void Toolbar::AddButton(int command, int image, bool checkable, bool group) {
    ToolButton b;
    b.command = command;
    b.image = image;
    b.checkable = checkable;
    b.group = group;
    buttons_.push_back(b);
}

void Toolbar::AddBitmapButton(int command, const void* bitmap, bool checkable, bool group) {
    AddButton(command, -1, checkable, group);
    buttons_.back().bitmap = bitmap;
}

void Toolbar::SetImageStrip(const Bitmap& strip, int size) {
    images_.clear();
    if (size <= 0 || strip.height < size) return;
    for (int i = 0; (i + 1) * size <= strip.width; ++i) images_.push_back(strip.Cut(i, size));
}

const Bitmap* Toolbar::ImageOf(const ToolButton& button) const {
    if (button.bitmap) return static_cast<const Bitmap*>(button.bitmap);
    if (button.image >= 0 && static_cast<size_t>(button.image) < images_.size())
        return &images_[static_cast<size_t>(button.image)];
    return nullptr;
}

void Toolbar::AddSeparator() { buttons_.push_back(ToolButton{}); }

ToolButton* Toolbar::Find(int command) {
    if (command == 0) return nullptr;
    for (ToolButton& b : buttons_)
        if (b.command == command) return &b;
    return nullptr;
}

bool Toolbar::Check(int command, bool on) {
    ToolButton* b = Find(command);
    if (!b) return false;
    if (on && b->group) {
        const size_t at = static_cast<size_t>(b - buttons_.data());
        size_t first = at, last = at;
        while (first > 0 && buttons_[first - 1].group && buttons_[first - 1].command) --first;
        while (last + 1 < buttons_.size() && buttons_[last + 1].group && buttons_[last + 1].command) ++last;
        for (size_t i = first; i <= last; ++i) buttons_[i].checked = false;
    }
    b->checked = on;
    return true;
}

bool Toolbar::IsChecked(int command) const {
    for (const ToolButton& b : buttons_)
        if (b.command == command && command) return b.checked;
    return false;
}

bool Toolbar::Enable(int command, bool on) {
    ToolButton* b = Find(command);
    if (!b) return false;
    b->enabled = on;
    return true;
}

int Toolbar::Press(int command) {
    ToolButton* b = Find(command);
    if (!b || !b->enabled) return 0;
    if (b->checkable) Check(command, b->group ? true : !b->checked);
    return command;
}

}  // namespace plat
