// Menus with checks, grey items and lent submenus; the toolbar's check groups; the status bar.
#include <gtest/gtest.h>

#include "platform/dialogs/Menu.h"

namespace plat {
namespace {

TEST(MenuModel, ChecksGreysAndLentSubmenus) {
    Menu bar;
    Menu& settings = bar.AppendSubmenu("Settings");
    settings.Append(40098, "Fog on");
    Menu& views = settings.AppendSubmenu("Predefined Views");
    views.Append(40050, "Right");
    bar.Append(65535, "| | |").inert = true;

    EXPECT_TRUE(bar.CheckItem(40098, true));
    EXPECT_TRUE(bar.IsChecked(40098));
    EXPECT_TRUE(bar.EnableItem(40050, false)) << "found in a nested submenu";
    EXPECT_TRUE(bar.IsGrayed(40050));
    EXPECT_FALSE(bar.CheckItem(1, true));

    Menu popup;
    popup.Append(40029, "Plugin");
    Menu pluginMenu;
    pluginMenu.Append(60000, "Fill All");
    EXPECT_TRUE(popup.SetSubmenu(40029, &pluginMenu));
    EXPECT_EQ(popup.FindItem(40029)->submenu, &pluginMenu);
    EXPECT_EQ(popup.FindItem(60000), nullptr) << "a lent menu's ids stay its owner's";
    popup.SetSubmenu(40029, nullptr);
    EXPECT_EQ(popup.FindItem(40029)->submenu, nullptr);
}

TEST(ToolbarModel, CheckGroupsKeepOneButtonDown) {
    Toolbar t;
    for (int c = 7000; c <= 7004; ++c) t.AddButton(c, c - 7000, true, true);
    t.AddSeparator();
    for (int c : {7005, 7006, 7007}) t.AddButton(c, c - 6999, true, true);
    t.AddBitmapButton(8000, nullptr, true, false);

    EXPECT_EQ(t.Press(7006), 7006);
    EXPECT_TRUE(t.IsChecked(7006));
    t.Press(7002);
    EXPECT_TRUE(t.IsChecked(7006)) << "the separator ends a group";
    EXPECT_TRUE(t.IsChecked(7002));
    t.Press(7007);
    EXPECT_FALSE(t.IsChecked(7006));
    t.Press(7007);
    EXPECT_TRUE(t.IsChecked(7007)) << "a group button stays down when pressed again";

    t.Check(7000, true);
    EXPECT_FALSE(t.IsChecked(7002));
    t.Check(7000, false);
    EXPECT_FALSE(t.IsChecked(7000)) << "released by the program: none of the group is down";

    t.Press(8000);
    EXPECT_TRUE(t.IsChecked(8000));
    t.Press(8000);
    EXPECT_FALSE(t.IsChecked(8000)) << "a lone check button toggles";

    t.Enable(7005, false);
    EXPECT_EQ(t.Press(7005), 0);
    EXPECT_EQ(t.Press(1234), 0);
    EXPECT_EQ(StatusBar{}.text, "Ready");
}

}  // namespace
}  // namespace plat
