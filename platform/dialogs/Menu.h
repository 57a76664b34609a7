#pragma once
// Menus (the menu bar and popup menus, with submenus that another module may own), the toolbar with
// check groups and the status bar: models with command ids, drawn by the ImGui front end.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/dialogs/Bitmap.h"

namespace plat {

struct Menu;

struct MenuItem {
    int id = 0;            // command id (0 for separators and submenus without one)
    std::string text;
    bool separator = false;
    bool checked = false;
    bool grayed = false;
    bool inert = false;    // a text on the bar that does nothing
    std::shared_ptr<Menu> owned;  // a submenu this menu owns
    Menu* submenu = nullptr;      // the submenu shown (owned, or lent by another module)
};

struct Menu {
    std::vector<MenuItem> items;

    MenuItem& Append(int id, std::string text);
    void AppendSeparator();
    // A new submenu owned by this menu.
    Menu& AppendSubmenu(std::string text, int id = 0);
    // Searches this menu and its submenus.
    MenuItem* FindItem(int id);
    bool CheckItem(int id, bool on);
    bool EnableItem(int id, bool on);
    bool IsChecked(int id);
    bool IsGrayed(int id);
    // Shows another menu (or none) as the submenu of an item; the menu stays its owner's.
    bool SetSubmenu(int id, Menu* submenu);
};

struct ToolButton {
    int command = 0;  // 0: a separator
    int image = -1;   // index in the toolbar's image strip, or -1 with `bitmap`
    const void* bitmap = nullptr;  // a Bitmap the button's owner keeps
    bool checkable = false;
    bool group = false;  // adjacent checkable buttons with `group` form a check group: one is down
    bool checked = false;
    bool enabled = true;
};

class Toolbar {
public:
    void AddButton(int command, int image, bool checkable, bool group);
    void AddBitmapButton(int command, const void* bitmap, bool checkable, bool group);
    void AddSeparator();
    // Checking a button of a check group releases the others of its group; releasing it leaves the group
    // with none down.
    bool Check(int command, bool on);
    bool IsChecked(int command) const;
    bool Enable(int command, bool on);
    // A click: check buttons go down (a check-group button stays down when clicked again, a lone check
    // button toggles). Returns the command to dispatch, 0 for none.
    int Press(int command);
    const std::vector<ToolButton>& Buttons() const { return buttons_; }

    // The image strip: square images `size` pixels wide side by side; AddButton's image indexes it.
    void SetImageStrip(const Bitmap& strip, int size);
    // The picture a button shows: its own bitmap, or its image of the strip; null when it has none.
    const Bitmap* ImageOf(const ToolButton& button) const;

private:
    ToolButton* Find(int command);
    std::vector<ToolButton> buttons_;
    std::vector<Bitmap> images_;
};

struct StatusBar {
    std::string text = "Ready";
};

}  // namespace plat
