#pragma once
// Dialogs of numbered controls, as the editor and its plug-ins are written against: a template lists the
// controls, a dialog procedure receives messages with the Win32 numbers (WM_INITDIALOG, WM_COMMAND with
// the control id and notification code, WM_HSCROLL, WM_VSCROLL, WM_CLOSE, WM_DESTROY) and reads and
// writes the controls by id.
//
// This file is the model only: state, accessors and notifications. What the user does (click, type,
// select, move a trackbar) enters through the User* operations, which the ImGui front end calls while
// it draws and which tests call directly, so every dialog can be driven by control id without a display.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/dialogs/Bitmap.h"

namespace plat {

// Message numbers.
constexpr uint32_t WM_DESTROY = 0x0002;
constexpr uint32_t WM_CLOSE = 0x0010;
constexpr uint32_t WM_KEYDOWN = 0x0100;
constexpr uint32_t WM_INITDIALOG = 0x0110;
constexpr uint32_t WM_COMMAND = 0x0111;
constexpr uint32_t WM_HSCROLL = 0x0114;
constexpr uint32_t WM_VSCROLL = 0x0115;

// Notification codes (high word of WM_COMMAND's wParam).
constexpr uint16_t BN_CLICKED = 0;
constexpr uint16_t STN_CLICKED = 0;
constexpr uint16_t LBN_SELCHANGE = 1;
constexpr uint16_t CBN_SELCHANGE = 1;
constexpr uint16_t EN_SETFOCUS = 0x0100;
constexpr uint16_t EN_KILLFOCUS = 0x0200;
constexpr uint16_t EN_CHANGE = 0x0300;
// Scroll codes (low word of WM_HSCROLL / WM_VSCROLL's wParam; the high word carries the position).
constexpr uint16_t SB_THUMBPOSITION = 4;
constexpr uint16_t SB_THUMBTRACK = 5;
constexpr uint16_t SB_ENDSCROLL = 8;

// Standard ids.
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;

constexpr uintptr_t MakeWParam(uint16_t low, uint16_t high) { return uintptr_t{low} | (uintptr_t{high} << 16); }
constexpr uint16_t LowWord(uintptr_t w) { return static_cast<uint16_t>(w & 0xFFFF); }
constexpr uint16_t HighWord(uintptr_t w) { return static_cast<uint16_t>((w >> 16) & 0xFFFF); }

enum class ControlKind {
    Static,        // label text
    Picture,       // a colour swatch; a click notifies STN_CLICKED
    Edit,          // single line, or several lines with kMultiLine
    Button,        // push button, BN_CLICKED
    CheckBox,      // toggles itself, then BN_CLICKED
    Radio,         // checks itself and clears the radios of its group, then BN_CLICKED
    GroupBox,      // frame with a caption
    ListBox,       // one selected item; LBN_SELCHANGE
    MultiListBox,  // several selected items; LBN_SELCHANGE
    ComboBox,      // drop-down list; CBN_SELCHANGE
    Trackbar,      // horizontal slider; WM_HSCROLL
    Spinner,       // up-down control; WM_VSCROLL with the new position in the high word
    Image,         // shows a bitmap at its top left
};

// Style bits of a control template.
constexpr uint32_t kStyleNumber = 0x1;      // edit takes digits only
constexpr uint32_t kStyleMultiLine = 0x2;   // edit of several lines
constexpr uint32_t kStyleGroup = 0x4;       // a radio that starts a new group
constexpr uint32_t kStyleDisabled = 0x8;
constexpr uint32_t kStyleHidden = 0x10;
constexpr uint32_t kStyleDefault = 0x20;    // the default push button (Enter)
constexpr uint32_t kStyleReadOnly = 0x40;

struct ControlTemplate {
    ControlKind kind = ControlKind::Static;
    int id = -1;  // -1 for labels nobody addresses
    std::string text;
    int x = 0, y = 0, width = 0, height = 0;  // dialog units (pixels in our front end)
    uint32_t style = 0;
};

struct DialogTemplate {
    std::string title;
    int width = 240, height = 120;
    std::vector<ControlTemplate> controls;
};

// The state of one control.
struct Control {
    ControlTemplate tmpl;
    std::string text;
    bool enabled = true;
    bool visible = true;
    bool checked = false;
    uint32_t colour = 0;                 // picture: 0x00BBGGRR
    std::vector<std::string> items;      // lists
    std::vector<bool> selected;          // multiple-selection list
    int current = -1;                    // single-selection list, combo box
    int minimum = 0, maximum = 100;      // trackbar, spinner
    int position = 0;
    std::vector<int> ticks;              // trackbar
    int textLimit = 0;                   // edit: 0 = no limit
    std::shared_ptr<const Bitmap> image; // image
    float drawn[4] = {0, 0, 0, 0};       // where the front end last drew it: left, top, right, bottom
};

class Dialog;
// Returns non-zero when it handled the message (for WM_INITDIALOG: whether the focus is left as it is).
using DialogProc = std::function<intptr_t(Dialog& dialog, uint32_t msg, uintptr_t wParam, intptr_t lParam)>;

class Dialog {
public:
    Dialog(DialogTemplate tmpl, DialogProc proc);
    ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // Sends WM_INITDIALOG with the creation parameter. Called once by whoever shows the dialog.
    void Initialise(intptr_t param);
    // Sends WM_DESTROY once; afterwards the procedure is forgotten and nothing reaches it.
    void Destroy();

    const std::string& Title() const { return tmpl_.title; }
    void SetTitle(std::string title) { tmpl_.title = std::move(title); }
    const DialogTemplate& Template() const { return tmpl_; }

    // Sends a message to the procedure (0 when it is gone).
    intptr_t Send(uint32_t msg, uintptr_t wParam, intptr_t lParam);

    // ---- modal result
    void End(intptr_t result);
    bool Ended() const { return ended_; }
    intptr_t Result() const { return result_; }

    // ---- accessors by id (unknown ids answer false / empty / 0)
    Control* Find(int id);
    const Control* Find(int id) const;
    bool Has(int id) const { return Find(id) != nullptr; }
    std::vector<Control>& Controls() { return controls_; }

    // Text of edits, labels, buttons. An edit whose text changes notifies EN_CHANGE, as Win32 does for a
    // text set by the program; procedures that must tell the two apart ask HasFocus.
    bool SetText(int id, const std::string& text);
    std::string Text(int id) const;
    bool SetInt(int id, long value);
    // Parses the whole text as an integer; *ok tells whether it was one.
    long Int(int id, bool* ok = nullptr) const;
    bool SetFloat(int id, double value, const char* format = "%f");
    // Parses the text as a number in the C locale; *ok is false for empty, partial or non-finite text.
    double Float(int id, bool* ok = nullptr) const;
    void SetTextLimit(int id, int characters);

    bool Enable(int id, bool on);
    bool IsEnabled(int id) const;
    bool Show(int id, bool on);
    bool IsVisible(int id) const;

    bool Check(int id, bool on);
    bool IsChecked(int id) const;
    // Checks `id` and clears every other radio from `first` to `last`.
    void CheckRadio(int first, int last, int id);

    // Lists and combo boxes.
    int AddString(int id, const std::string& text);  // index, -1 when no list
    void ResetContent(int id);
    int Count(int id) const;
    std::string ItemText(int id, int index) const;
    bool SetCurrent(int id, int index);  // -1 clears
    int Current(int id) const;
    bool SetSelected(int id, int index, bool on);  // multiple selection (-1: every item)
    std::vector<int> SelectedItems(int id) const;
    int FindString(int id, const std::string& text) const;  // exact, -1 when missing

    // Trackbars and spinners.
    void SetRange(int id, int minimum, int maximum);
    void SetPosition(int id, int position);  // kept within the range
    int Position(int id) const;
    void SetTick(int id, int position);

    void SetColour(int id, uint32_t bgr);
    bool SetImage(int id, Bitmap bitmap);
    const Bitmap* Image(int id) const;
    uint32_t Colour(int id) const;

    int Focus() const { return focus_; }
    bool HasFocus(int id) const { return focus_ == id; }

    // ---- what the user does (front end and tests). Disabled controls take nothing and answer false;
    // hidden ones still take programmatic commands only (Click on a hidden button answers false).
    bool UserClick(int id);
    bool UserSetFocus(int id);
    // Focuses the edit, replaces its text (EN_CHANGE), and leaves the focus there.
    bool UserType(int id, const std::string& text);
    bool UserSelect(int id, int index);                         // single list, combo: LBN/CBN_SELCHANGE
    bool UserSelectMany(int id, const std::vector<int>& items);  // multiple list
    bool UserMoveTrackbar(int id, int position);                 // WM_HSCROLL SB_THUMBTRACK, then SB_ENDSCROLL
    bool UserSpin(int id, int position);                         // WM_VSCROLL SB_THUMBPOSITION
    // Enter presses the default button (or OK); Escape and the close box send WM_CLOSE, whose default
    // handling is IDCANCEL.
    void UserEnter();
    void UserClose();

private:
    void Command(int id, uint16_t code);
    bool Usable(const Control* c) const { return c && c->enabled && c->visible; }

    DialogTemplate tmpl_;
    DialogProc proc_;
    std::vector<Control> controls_;
    int focus_ = -1;
    bool ended_ = false;
    bool destroyed_ = false;
    intptr_t result_ = 0;
};

// Dialog templates of a module (the editor, or a plug-in library by its handle), found by number or
// by name. A plug-in registers its panels' templates when it attaches; the editor creates them.
void RegisterDialogTemplate(const void* module, uintptr_t id, DialogTemplate tmpl);
void RegisterDialogTemplate(const void* module, const std::string& name, DialogTemplate tmpl);
// Null when the module has no such template. `id` values of 65536 and above point at a name.
const DialogTemplate* FindDialogTemplate(const void* module, uintptr_t id);
void ForgetDialogTemplates(const void* module);

}  // namespace plat
