#pragma once
// Modal dialogs, message boxes, popup menus and the open, save and colour choosers.
//
// Who answers a modal request, in this order:
//   1. a script a test queued (ScriptNextDialog, ScriptNextPopup, ...), taken first in, first out;
//   2. the front end's modal runner (the ImGui program installs one; it draws frames until the dialog
//      ends), unless the run is headless (GRAVELON_HEADLESS or no display);
//   3. nobody: the dialog is closed (WM_CLOSE, so IDCANCEL by default), a popup chooses nothing and a
//      chooser is cancelled. Nothing ever waits for a person.
// The file and colour choosers are dialogs of this layer themselves, so the same runner shows them.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/dialogs/Dialog.h"
#include "platform/dialogs/Menu.h"
#include "platform/sys/MessageBox.h"  // the flag and answer values

namespace plat {

// Runs a dialog modally: Initialise(param), then whoever answers (above), then Destroy. Returns the
// value given to End.
intptr_t RunModal(const DialogTemplate& tmpl, DialogProc proc, intptr_t param = 0);

// A script acts on the dialog after WM_INITDIALOG; when it leaves the dialog open, the dialog is closed.
using DialogScript = std::function<void(Dialog&)>;
void ScriptNextDialog(DialogScript script);
// The command a popup menu returns (0 = nothing chosen).
void ScriptNextPopup(int command);
// Answers of the choosers: the chosen files (empty = cancelled) and colours (nullopt-like: -1 = cancel).
void ScriptNextFiles(std::vector<std::string> files);
void ScriptNextColour(int64_t bgrOrCancel);
// Forgets every queued script (tests call it in their fixture).
void ClearScripts();
size_t PendingScripts();

// The front end's answerers. A runner returns when the dialog has ended (or it gives up, which closes it).
using ModalRunner = std::function<void(Dialog&)>;
using PopupRunner = std::function<int(Menu&)>;
void SetModalRunner(ModalRunner runner);
void SetPopupRunner(PopupRunner runner);
// True when no person can answer: GRAVELON_HEADLESS=1, or no runner installed.
bool ModalHeadless();

// Shows a popup menu; the command chosen, or 0.
int TrackPopup(Menu& menu);

// Message boxes of the editor and its plug-ins. Every box is logged; a scripted answer is taken first,
// otherwise the platform's message box shows it (headless: printed, default button).
int ShowMessageBox(const std::string& text, const std::string& caption, uint32_t flags);
void ScriptNextMessageBox(int answer);
struct ShownMessage {
    std::string text;
    std::string caption;
    uint32_t flags = 0;
    int answer = 0;
};
const std::vector<ShownMessage>& MessagesShown();
void ClearMessagesShown();

// A window that shows a bitmap at its top left, 10 pixels wider and 30 taller than the bitmap, until
// the user closes it (modal: nothing else is used meanwhile). `windowClass` names the kind of viewer
// for whoever scripts it (its first control's text); headless, it closes at once.
void ShowBitmapWindow(const std::string& windowClass, const std::string& title, Bitmap bitmap);

// ---- choosers

struct FileFilter {
    std::string display;  // "Worlds (*.wld)"
    std::string pattern;  // "*.WLD" (compared without case); "*.*" for every file
};

struct FileRequest {
    std::string title;
    std::vector<FileFilter> filters;
    std::string folder = ".";      // where the browser starts
    std::string defaultExtension;  // added to a typed name without one (save)
    bool multiple = false;
    bool mustExist = true;         // open: the file must exist
    bool promptOverwrite = false;  // save: ask before replacing
};

// Absolute paths of the chosen files, or empty when cancelled. The process's current folder never changes.
std::vector<std::string> OpenFileChooser(const FileRequest& request);
// The absolute path chosen, or empty when cancelled.
std::string SaveFileChooser(const FileRequest& request);
// Colour chooser preset with `bgr` (0x00BBGGRR) and 16 custom colours the chooser may change. True when
// a colour was chosen (stored in bgr).
bool ChooseColour(uint32_t& bgr, uint32_t customColours[16]);

// Ids of the chooser dialogs' controls (for scripts that drive them as dialogs).
namespace chooser {
constexpr int kFolderText = 100;
constexpr int kEntries = 101;
constexpr int kFileName = 102;
constexpr int kFilter = 103;
constexpr int kUp = 104;
constexpr int kRed = 110, kGreen = 111, kBlue = 112, kSwatch = 113, kCustomFirst = 120;
}  // namespace chooser

// Opens an address with xdg-open; headless, prints "open <address>" to standard output instead.
// True when launched or printed.
bool OpenAddress(const std::string& address);

}  // namespace plat
