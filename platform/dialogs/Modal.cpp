#include "platform/dialogs/Modal.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <deque>
#include <filesystem>
#include <variant>

#include "platform/bytes/AsciiCase.h"
#include "platform/fs/Paths.h"
#include "platform/sys/Env.h"
#include "platform/sys/MessageBox.h"

extern char** environ;

namespace plat {

namespace {

namespace fs = std::filesystem;

struct Scripts {
    std::deque<DialogScript> dialogs;
    std::deque<int> popups;
    std::deque<std::vector<std::string>> files;
    std::deque<int64_t> colours;
    std::deque<int> messageAnswers;
    std::vector<ShownMessage> shown;
    ModalRunner modalRunner;
    PopupRunner popupRunner;
};

Scripts& State() {
    static Scripts scripts;
    return scripts;
}

std::string Absolute(const std::string& path) {
    std::error_code ec;
    fs::path p = fs::path(ResolvePath(path));
    fs::path abs = fs::absolute(p, ec);
    return (ec ? p : abs).lexically_normal().string();
}

}  // namespace

void ScriptNextDialog(DialogScript script) { State().dialogs.push_back(std::move(script)); }
void ScriptNextPopup(int command) { State().popups.push_back(command); }
void ScriptNextFiles(std::vector<std::string> files) { State().files.push_back(std::move(files)); }
void ScriptNextColour(int64_t bgrOrCancel) { State().colours.push_back(bgrOrCancel); }

void ClearScripts() {
    Scripts& s = State();
    s.dialogs.clear();
    s.popups.clear();
    s.files.clear();
    s.colours.clear();
    s.messageAnswers.clear();
}

size_t PendingScripts() {
    const Scripts& s = State();
    return s.dialogs.size() + s.popups.size() + s.files.size() + s.colours.size() + s.messageAnswers.size();
}

void SetModalRunner(ModalRunner runner) { State().modalRunner = std::move(runner); }
void SetPopupRunner(PopupRunner runner) { State().popupRunner = std::move(runner); }

bool ModalHeadless() { return Env().headless || !State().modalRunner; }

intptr_t RunModal(const DialogTemplate& tmpl, DialogProc proc, intptr_t param) {
    Dialog dialog(tmpl, std::move(proc));
    dialog.Initialise(param);
    Scripts& s = State();
    if (!dialog.Ended()) {
        if (!s.dialogs.empty()) {
            DialogScript script = std::move(s.dialogs.front());
            s.dialogs.pop_front();
            script(dialog);
        } else if (!ModalHeadless()) {
            ModalRunner runner = s.modalRunner;
            runner(dialog);
        }
    }
    if (!dialog.Ended()) dialog.UserClose();
    if (!dialog.Ended()) dialog.End(kIdCancel);  // a procedure that refuses to close is closed anyway
    const intptr_t result = dialog.Result();
    dialog.Destroy();
    return result;
}

void ShowBitmapWindow(const std::string& windowClass, const std::string& title, Bitmap bitmap) {
    DialogTemplate t;
    t.title = title;
    t.width = bitmap.width + 10;
    t.height = bitmap.height + 30;
    t.controls = {{ControlKind::Image, 100, windowClass, 0, 0, bitmap.width, bitmap.height}};
    RunModal(t, [&bitmap](Dialog& d, uint32_t msg, uintptr_t, intptr_t) -> intptr_t {
        if (msg == WM_INITDIALOG) d.SetImage(100, std::move(bitmap));
        return 0;
    });
}

int TrackPopup(Menu& menu) {
    Scripts& s = State();
    if (!s.popups.empty()) {
        const int command = s.popups.front();
        s.popups.pop_front();
        return command;
    }
    if (Env().headless || !s.popupRunner) return 0;
    PopupRunner runner = s.popupRunner;
    return runner(menu);
}

int ShowMessageBox(const std::string& text, const std::string& caption, uint32_t flags) {
    Scripts& s = State();
    int answer;
    if (!s.messageAnswers.empty()) {
        answer = s.messageAnswers.front();
        s.messageAnswers.pop_front();
    } else {
        answer = MessageBox(text, caption, flags);
    }
    s.shown.push_back({text, caption, flags, answer});
    return answer;
}

void ScriptNextMessageBox(int answer) { State().messageAnswers.push_back(answer); }
const std::vector<ShownMessage>& MessagesShown() { return State().shown; }
void ClearMessagesShown() { State().shown.clear(); }

// ---- file chooser

namespace {

struct Browser {
    const FileRequest* request;
    std::string folder;
    int filter = 0;
    std::vector<FolderEntry> entries;
    std::vector<std::string> chosen;
    bool save = false;
};

void Refill(Dialog& d, Browser& b) {
    d.SetText(chooser::kFolderText, b.folder);
    d.ResetContent(chooser::kEntries);
    b.entries.clear();
    const std::string pattern =
        b.request->filters.empty() ? "*.*" : b.request->filters[static_cast<size_t>(b.filter)].pattern;
    for (FolderEntry& e : ListFolder(b.folder, "*.*")) {
        if (!e.isFolder && !MatchesPattern(e.name, pattern)) continue;
        d.AddString(chooser::kEntries, e.isFolder ? "[" + e.name + "]" : e.name);
        b.entries.push_back(std::move(e));
    }
}

// Splits "a.bmp; b.bmp" into names.
std::vector<std::string> SplitNames(const std::string& text, bool multiple) {
    std::vector<std::string> out;
    std::string current;
    auto flush = [&] {
        size_t a = current.find_first_not_of(' ');
        size_t z = current.find_last_not_of(' ');
        if (a != std::string::npos) out.push_back(current.substr(a, z - a + 1));
        current.clear();
    };
    for (char ch : text) {
        if (ch == ';' && multiple) flush();
        else current += ch;
    }
    flush();
    return out;
}

DialogTemplate BrowserTemplate(const FileRequest& r) {
    DialogTemplate t;
    t.title = r.title.empty() ? "Open" : r.title;
    t.width = 420;
    t.height = 320;
    t.controls = {
        {ControlKind::Static, chooser::kFolderText, "", 8, 8, 340, 16, 0},
        {ControlKind::Button, chooser::kUp, "Up", 356, 6, 56, 20, 0},
        {ControlKind::ListBox, chooser::kEntries, "", 8, 30, 404, 200, 0},
        {ControlKind::Static, -1, "File name:", 8, 240, 80, 16, 0},
        {ControlKind::Edit, chooser::kFileName, "", 92, 238, 320, 20, 0},
        {ControlKind::Static, -1, "Files of type:", 8, 264, 80, 16, 0},
        {ControlKind::ComboBox, chooser::kFilter, "", 92, 262, 320, 20, 0},
        {ControlKind::Button, kIdOk, "OK", 260, 292, 72, 22, kStyleDefault},
        {ControlKind::Button, kIdCancel, "Cancel", 340, 292, 72, 22, 0},
    };
    return t;
}

intptr_t BrowserProc(Dialog& d, uint32_t msg, uintptr_t wParam, intptr_t, Browser& b) {
    if (msg == WM_INITDIALOG) {
        for (const FileFilter& f : b.request->filters) d.AddString(chooser::kFilter, f.display);
        if (!b.request->filters.empty()) d.SetCurrent(chooser::kFilter, 0);
        Refill(d, b);
        return 1;
    }
    if (msg != WM_COMMAND) return 0;
    const int id = LowWord(wParam);
    const uint16_t code = HighWord(wParam);
    if (id == chooser::kUp && code == BN_CLICKED) {
        b.folder = fs::path(b.folder).parent_path().string();
        if (b.folder.empty()) b.folder = "/";
        Refill(d, b);
    } else if (id == chooser::kFilter && code == CBN_SELCHANGE) {
        b.filter = std::max(0, d.Current(chooser::kFilter));
        Refill(d, b);
    } else if (id == chooser::kEntries && code == LBN_SELCHANGE) {
        const int i = d.Current(chooser::kEntries);
        if (i < 0 || i >= static_cast<int>(b.entries.size())) return 1;
        const FolderEntry& e = b.entries[static_cast<size_t>(i)];
        if (e.isFolder) {
            b.folder = (fs::path(b.folder) / e.name).string();
            Refill(d, b);
        } else if (b.request->multiple && !d.Text(chooser::kFileName).empty()) {
            d.SetText(chooser::kFileName, d.Text(chooser::kFileName) + "; " + e.name);
        } else {
            d.SetText(chooser::kFileName, e.name);
        }
    } else if (id == kIdOk && code == BN_CLICKED) {
        std::vector<std::string> names = SplitNames(d.Text(chooser::kFileName), b.request->multiple);
        if (names.empty()) return 1;
        std::vector<std::string> paths;
        for (std::string& name : names) {
            fs::path p = fs::path(name).is_absolute() ? fs::path(name) : fs::path(b.folder) / name;
            if (b.save && !b.request->defaultExtension.empty() && !p.has_extension())
                p += "." + b.request->defaultExtension;
            const std::string path = Absolute(p.string());
            if (!b.save && b.request->mustExist && !PathExists(path)) {
                ShowMessageBox(name + "\nFile not found.", d.Title(), MB_OK | MB_ICONWARNING);
                return 1;
            }
            if (b.save && b.request->promptOverwrite && PathExists(path) &&
                ShowMessageBox(name + " already exists.\nDo you want to replace it?", d.Title(),
                               MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) != IDYES)
                return 1;
            paths.push_back(path);
        }
        b.chosen = std::move(paths);
        d.End(kIdOk);
    } else if (id == kIdCancel && code == BN_CLICKED) {
        d.End(kIdCancel);
    }
    return 1;
}

std::vector<std::string> RunBrowser(const FileRequest& request, bool save) {
    Scripts& s = State();
    if (!s.files.empty()) {
        std::vector<std::string> answer = std::move(s.files.front());
        s.files.pop_front();
        for (std::string& name : answer) name = Absolute(name);
        if (save && answer.size() > 1) answer.resize(1);
        if (!save && request.mustExist)
            for (const std::string& name : answer)
                if (!PathExists(name)) return {};
        return answer;
    }
    if (ModalHeadless() && s.dialogs.empty()) return {};
    Browser b;
    b.request = &request;
    b.save = save;
    b.folder = Absolute(request.folder.empty() ? "." : request.folder);
    const intptr_t result = RunModal(BrowserTemplate(request), [&b](Dialog& d, uint32_t m, uintptr_t w, intptr_t l) {
        return BrowserProc(d, m, w, l, b);
    });
    return result == kIdOk ? b.chosen : std::vector<std::string>{};
}

}  // namespace

std::vector<std::string> OpenFileChooser(const FileRequest& request) { return RunBrowser(request, false); }

std::string SaveFileChooser(const FileRequest& request) {
    std::vector<std::string> chosen = RunBrowser(request, true);
    return chosen.empty() ? std::string() : chosen.front();
}

// ---- colour chooser

namespace {

uint32_t FromChannels(const Dialog& d) {
    return static_cast<uint32_t>(d.Position(chooser::kRed)) | (static_cast<uint32_t>(d.Position(chooser::kGreen)) << 8) |
           (static_cast<uint32_t>(d.Position(chooser::kBlue)) << 16);
}

void ToChannels(Dialog& d, uint32_t bgr) {
    d.SetPosition(chooser::kRed, static_cast<int>(bgr & 0xFF));
    d.SetPosition(chooser::kGreen, static_cast<int>((bgr >> 8) & 0xFF));
    d.SetPosition(chooser::kBlue, static_cast<int>((bgr >> 16) & 0xFF));
    d.SetColour(chooser::kSwatch, bgr);
}

constexpr int kAddCustom = 140;

}  // namespace

bool ChooseColour(uint32_t& bgr, uint32_t customColours[16]) {
    Scripts& s = State();
    if (!s.colours.empty()) {
        const int64_t answer = s.colours.front();
        s.colours.pop_front();
        if (answer < 0) return false;
        bgr = static_cast<uint32_t>(answer) & 0xFFFFFF;
        return true;
    }
    if (ModalHeadless() && s.dialogs.empty()) return false;

    DialogTemplate t;
    t.title = "Color";
    t.width = 300;
    t.height = 250;
    const char* names[3] = {"Red", "Green", "Blue"};
    for (int i = 0; i < 3; ++i) {
        t.controls.push_back({ControlKind::Static, -1, names[i], 8, 8 + 26 * i, 50, 16, 0});
        t.controls.push_back({ControlKind::Trackbar, chooser::kRed + i, "", 60, 6 + 26 * i, 170, 20, 0});
    }
    t.controls.push_back({ControlKind::Picture, chooser::kSwatch, "", 240, 6, 50, 72, 0});
    for (int i = 0; i < 16; ++i)
        t.controls.push_back({ControlKind::Picture, chooser::kCustomFirst + i, "", 8 + 36 * (i % 8), 100 + 36 * (i / 8), 30, 30, 0});
    t.controls.push_back({ControlKind::Button, kAddCustom, "Add to Custom Colors", 8, 176, 160, 22, 0});
    t.controls.push_back({ControlKind::Button, kIdOk, "OK", 130, 220, 72, 22, kStyleDefault});
    t.controls.push_back({ControlKind::Button, kIdCancel, "Cancel", 210, 220, 72, 22, 0});

    uint32_t custom[16];
    for (int i = 0; i < 16; ++i) custom[i] = customColours[i];
    int nextCustom = 0;
    uint32_t chosen = bgr;
    const intptr_t result = RunModal(t, [&](Dialog& d, uint32_t msg, uintptr_t w, intptr_t) -> intptr_t {
        if (msg == WM_INITDIALOG) {
            for (int i = 0; i < 3; ++i) d.SetRange(chooser::kRed + i, 0, 255);
            for (int i = 0; i < 16; ++i) d.SetColour(chooser::kCustomFirst + i, custom[i]);
            ToChannels(d, bgr);
            return 1;
        }
        if (msg == WM_HSCROLL) {
            d.SetColour(chooser::kSwatch, FromChannels(d));
            return 1;
        }
        if (msg != WM_COMMAND) return 0;
        const int id = LowWord(w);
        if (id >= chooser::kCustomFirst && id < chooser::kCustomFirst + 16) {
            ToChannels(d, custom[id - chooser::kCustomFirst]);
        } else if (id == kAddCustom) {
            custom[nextCustom] = FromChannels(d);
            d.SetColour(chooser::kCustomFirst + nextCustom, custom[nextCustom]);
            nextCustom = (nextCustom + 1) % 16;
        } else if (id == kIdOk) {
            chosen = FromChannels(d);
            d.End(kIdOk);
        } else if (id == kIdCancel) {
            d.End(kIdCancel);
        }
        return 1;
    });
    if (result != kIdOk) return false;
    bgr = chosen;
    for (int i = 0; i < 16; ++i) customColours[i] = custom[i];
    return true;
}

bool OpenAddress(const std::string& address) {
    if (Env().headless) {
        std::printf("open %s\n", address.c_str());
        std::fflush(stdout);
        return true;
    }
    pid_t pid = 0;
    char program[] = "xdg-open";
    std::string arg = address;
    char* argv[] = {program, arg.data(), nullptr};
    if (posix_spawnp(&pid, "xdg-open", nullptr, nullptr, argv, environ) != 0) {
        std::fprintf(stderr, "xdg-open could not be started for %s\n", address.c_str());
        return false;
    }
    // xdg-open hands the address to the browser and returns; reap it so no zombie stays.
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace plat
