// Every control kind of the dialog model driven by id, with the notifications a procedure receives.
#include <gtest/gtest.h>

#include "platform/dialogs/Dialog.h"

namespace plat {
namespace {

struct Note {
    uint32_t msg;
    int id;
    uint16_t code;
    int focus;
    bool operator==(const Note&) const = default;
};

DialogTemplate AllKinds() {
    DialogTemplate t;
    t.title = "All kinds";
    t.controls = {
        {ControlKind::Static, 10, "Label"},
        {ControlKind::Picture, 11, ""},
        {ControlKind::Edit, 12, "start"},
        {ControlKind::Edit, 13, "", 0, 0, 0, 0, kStyleNumber},
        {ControlKind::Button, 14, "Push"},
        {ControlKind::CheckBox, 15, "Check"},
        {ControlKind::Radio, 16, "A"},
        {ControlKind::Radio, 17, "B"},
        {ControlKind::Radio, 18, "C", 0, 0, 0, 0, kStyleGroup},
        {ControlKind::GroupBox, 19, "Group"},
        {ControlKind::ListBox, 20, ""},
        {ControlKind::MultiListBox, 21, ""},
        {ControlKind::ComboBox, 22, ""},
        {ControlKind::Trackbar, 23, ""},
        {ControlKind::Spinner, 24, ""},
        {ControlKind::Button, 25, "Hidden", 0, 0, 0, 0, kStyleHidden},
        {ControlKind::Button, 26, "Disabled", 0, 0, 0, 0, kStyleDisabled},
        {ControlKind::Button, kIdOk, "OK", 0, 0, 0, 0, kStyleDefault},
    };
    return t;
}

class DialogModel : public ::testing::Test {
protected:
    DialogModel()
        : dialog(AllKinds(), [this](Dialog& d, uint32_t msg, uintptr_t w, intptr_t l) -> intptr_t {
              if (msg == WM_INITDIALOG) initParam = l;
              if (msg == WM_COMMAND) notes.push_back({msg, LowWord(w), HighWord(w), d.Focus()});
              if (msg == WM_HSCROLL || msg == WM_VSCROLL)
                  notes.push_back({msg, static_cast<int>(l), LowWord(w), static_cast<int>(HighWord(w))});
              if (msg == WM_DESTROY) ++destroyed;
              return 1;
          }) {}
    std::vector<Note> notes;
    intptr_t initParam = 0;
    int destroyed = 0;
    Dialog dialog;
};

TEST_F(DialogModel, InitialiseAndDestroyReachTheProcedureOnce) {
    dialog.Initialise(1234);
    EXPECT_EQ(initParam, 1234);
    dialog.Destroy();
    dialog.Destroy();
    EXPECT_EQ(destroyed, 1);
    EXPECT_FALSE(dialog.UserClick(14) && !notes.empty()) << "nothing reaches a destroyed dialog's procedure";
}

TEST_F(DialogModel, EditTextNumbersAndChangeNotifications) {
    EXPECT_EQ(dialog.Text(12), "start");
    dialog.SetText(12, "abc");
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0], (Note{WM_COMMAND, 12, EN_CHANGE, -1})) << "a programmatic change notifies without focus";
    dialog.SetText(12, "abc");
    EXPECT_EQ(notes.size(), 1u) << "the same text again changes nothing";

    notes.clear();
    EXPECT_TRUE(dialog.UserType(12, "2.5"));
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0], (Note{WM_COMMAND, 12, EN_SETFOCUS, 12}));
    EXPECT_EQ(notes[1], (Note{WM_COMMAND, 12, EN_CHANGE, 12})) << "typing notifies with the focus on the field";
    bool ok = false;
    EXPECT_DOUBLE_EQ(dialog.Float(12, &ok), 2.5);
    EXPECT_TRUE(ok);

    // Leaving the field tells it.
    notes.clear();
    dialog.UserClick(14);
    EXPECT_EQ(notes.front(), (Note{WM_COMMAND, 12, EN_KILLFOCUS, 14}));

    EXPECT_FALSE(dialog.UserType(13, "12a")) << "a numbers-only edit refuses letters";
    EXPECT_TRUE(dialog.UserType(13, "42"));
    EXPECT_EQ(dialog.Int(13), 42);
    dialog.SetTextLimit(13, 3);
    dialog.SetText(13, "123456");
    EXPECT_EQ(dialog.Text(13), "123");
}

TEST(DialogNumbers, ParsingRefusesWhatIsNotANumber) {
    Dialog d({"n", 10, 10, {{ControlKind::Edit, 1, ""}}}, nullptr);
    struct Case {
        const char* text;
        bool ok;
        double value;
    };
    for (const Case& c : {Case{"1.5", true, 1.5}, Case{" -3 ", true, -3}, Case{"+2", true, 2}, Case{"", false, 0},
                          Case{"abc", false, 0}, Case{"1.5x", false, 0}, Case{"nan", false, 0}, Case{"inf", false, 0},
                          Case{"1e3", true, 1000}}) {
        d.SetText(1, c.text);
        bool ok = !c.ok;
        EXPECT_DOUBLE_EQ(d.Float(1, &ok), c.value) << c.text;
        EXPECT_EQ(ok, c.ok) << c.text;
    }
    d.SetFloat(1, 1.0);
    EXPECT_EQ(d.Text(1), "1.000000");
}

TEST_F(DialogModel, ButtonsCheckBoxesAndRadioGroups) {
    EXPECT_TRUE(dialog.UserClick(14));
    EXPECT_EQ(notes.back(), (Note{WM_COMMAND, 14, BN_CLICKED, 14}));

    EXPECT_TRUE(dialog.UserClick(15));
    EXPECT_TRUE(dialog.IsChecked(15));
    dialog.UserClick(15);
    EXPECT_FALSE(dialog.IsChecked(15)) << "a check box toggles";

    dialog.UserClick(16);
    dialog.UserClick(18);
    EXPECT_TRUE(dialog.IsChecked(16)) << "18 starts a group of its own";
    EXPECT_TRUE(dialog.IsChecked(18));
    dialog.UserClick(17);
    EXPECT_FALSE(dialog.IsChecked(16));
    EXPECT_TRUE(dialog.IsChecked(17));
    EXPECT_TRUE(dialog.IsChecked(18));

    dialog.CheckRadio(16, 18, 16);
    EXPECT_TRUE(dialog.IsChecked(16));
    EXPECT_FALSE(dialog.IsChecked(17));
    EXPECT_FALSE(dialog.IsChecked(18));
}

TEST_F(DialogModel, DisabledAndHiddenControlsTakeNoUserAction) {
    EXPECT_FALSE(dialog.UserClick(26));
    EXPECT_FALSE(dialog.UserClick(25));
    EXPECT_TRUE(notes.empty());
    EXPECT_FALSE(dialog.IsVisible(25));
    dialog.Show(25, true);
    dialog.Enable(26, true);
    EXPECT_TRUE(dialog.UserClick(25));
    EXPECT_TRUE(dialog.UserClick(26));
    dialog.Enable(14, false);
    EXPECT_FALSE(dialog.IsEnabled(14));
    EXPECT_FALSE(dialog.UserClick(14));
    // The program still sets a hidden control's state.
    dialog.Show(12, false);
    EXPECT_TRUE(dialog.SetText(12, "x"));
    EXPECT_EQ(dialog.Text(12), "x");
    EXPECT_FALSE(dialog.Has(999));
    EXPECT_EQ(dialog.Text(999), "");
}

TEST_F(DialogModel, ListsSingleMultipleAndDropDown) {
    for (const char* s : {"one", "two", "three"}) {
        dialog.AddString(20, s);
        dialog.AddString(21, s);
        dialog.AddString(22, s);
    }
    EXPECT_EQ(dialog.Count(20), 3);
    EXPECT_EQ(dialog.Current(20), -1);
    EXPECT_TRUE(dialog.UserSelect(20, 1));
    EXPECT_EQ(notes.back(), (Note{WM_COMMAND, 20, LBN_SELCHANGE, 20}));
    EXPECT_EQ(dialog.Text(20), "two");
    EXPECT_FALSE(dialog.UserSelect(20, 3));
    EXPECT_EQ(dialog.FindString(20, "three"), 2);

    EXPECT_TRUE(dialog.UserSelectMany(21, {0, 2}));
    EXPECT_EQ(dialog.SelectedItems(21), (std::vector<int>{0, 2}));
    dialog.SetSelected(21, 1, true);
    dialog.SetSelected(21, 0, false);
    EXPECT_EQ(dialog.SelectedItems(21), (std::vector<int>{1, 2}));
    EXPECT_FALSE(dialog.UserSelectMany(21, {5}));

    EXPECT_TRUE(dialog.UserSelect(22, 2));
    EXPECT_EQ(notes.back(), (Note{WM_COMMAND, 22, CBN_SELCHANGE, 22}));
    EXPECT_EQ(dialog.ItemText(22, dialog.Current(22)), "three");

    dialog.ResetContent(20);
    EXPECT_EQ(dialog.Count(20), 0);
    EXPECT_EQ(dialog.Current(20), -1);
    EXPECT_EQ(dialog.AddString(14, "not a list"), -1);
}

TEST_F(DialogModel, TrackbarAndSpinnerStayInRangeAndNotify) {
    dialog.SetRange(23, 0, 3000);
    dialog.SetTick(23, 2000);
    dialog.SetPosition(23, 500);
    EXPECT_EQ(dialog.Position(23), 500);
    dialog.SetPosition(23, 5000);
    EXPECT_EQ(dialog.Position(23), 3000);
    EXPECT_TRUE(dialog.UserMoveTrackbar(23, 1200));
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0], (Note{WM_HSCROLL, 23, SB_THUMBTRACK, 1200}));
    EXPECT_EQ(notes[1].code, SB_ENDSCROLL);
    EXPECT_EQ(dialog.Find(23)->ticks, std::vector<int>{2000});

    dialog.SetRange(24, -10, 10);
    EXPECT_TRUE(dialog.UserSpin(24, 50));
    EXPECT_EQ(dialog.Position(24), 10);
    EXPECT_EQ(notes.back(), (Note{WM_VSCROLL, 24, SB_THUMBPOSITION, 10}));
}

TEST_F(DialogModel, PictureClickAndColour) {
    dialog.SetColour(11, 0x00112233);
    EXPECT_EQ(dialog.Colour(11), 0x112233u);
    EXPECT_TRUE(dialog.UserClick(11));
    EXPECT_EQ(notes.back(), (Note{WM_COMMAND, 11, STN_CLICKED, -1}));
}

TEST(DialogModal, EnterPressesTheDefaultButtonAndCloseCancels) {
    int clicked = 0;
    Dialog d({"t", 10, 10, {{ControlKind::Button, 7, "Go", 0, 0, 0, 0, kStyleDefault}}},
             [&](Dialog& self, uint32_t msg, uintptr_t w, intptr_t) -> intptr_t {
                 if (msg == WM_COMMAND && LowWord(w) == 7) {
                     ++clicked;
                     self.End(7);
                     return 1;
                 }
                 return 0;
             });
    d.UserEnter();
    EXPECT_EQ(clicked, 1);
    EXPECT_TRUE(d.Ended());
    EXPECT_EQ(d.Result(), 7);

    Dialog c({"t", 10, 10, {}}, [](Dialog&, uint32_t, uintptr_t, intptr_t) -> intptr_t { return 0; });
    c.UserClose();
    EXPECT_TRUE(c.Ended());
    EXPECT_EQ(c.Result(), kIdCancel) << "an unhandled close cancels";
}

}  // namespace
}  // namespace plat

namespace plat {
namespace {

TEST(DialogTemplates, FoundByModuleAndNumberOrName) {
    int moduleA = 0, moduleB = 0;
    RegisterDialogTemplate(&moduleA, 101, {"Panel A", 10, 10, {}});
    RegisterDialogTemplate(&moduleB, 101, {"Panel B", 10, 10, {}});
    RegisterDialogTemplate(&moduleA, "EDITORDLG", {"Named", 10, 10, {}});
    EXPECT_EQ(FindDialogTemplate(&moduleA, 101)->title, "Panel A");
    EXPECT_EQ(FindDialogTemplate(&moduleB, 101)->title, "Panel B");
    static const char kName[] = "EDITORDLG";
    EXPECT_EQ(FindDialogTemplate(&moduleA, reinterpret_cast<uintptr_t>(kName))->title, "Named");
    EXPECT_EQ(FindDialogTemplate(&moduleA, 102), nullptr);
    ForgetDialogTemplates(&moduleA);
    EXPECT_EQ(FindDialogTemplate(&moduleA, 101), nullptr);
    EXPECT_NE(FindDialogTemplate(&moduleB, 101), nullptr);
}

}  // namespace
}  // namespace plat
