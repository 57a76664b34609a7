#pragma once
// Message boxes with the flag and result values the game's code is written against. Shown through SDL
// when a display exists; headless (GRAVELON_HEADLESS=1, no display, or SDL failing) the box prints
// "caption: text" to standard error and takes its default button, so nothing ever waits for a person.
#include <cstdint>
#include <functional>
#include <string>

namespace plat {

// Button sets (low four bits).
constexpr uint32_t MB_OK = 0x0;
constexpr uint32_t MB_OKCANCEL = 0x1;
constexpr uint32_t MB_ABORTRETRYIGNORE = 0x2;
constexpr uint32_t MB_YESNOCANCEL = 0x3;
constexpr uint32_t MB_YESNO = 0x4;
constexpr uint32_t MB_RETRYCANCEL = 0x5;
// Icons.
constexpr uint32_t MB_ICONHAND = 0x10;
constexpr uint32_t MB_ICONERROR = MB_ICONHAND;
constexpr uint32_t MB_ICONSTOP = MB_ICONHAND;
constexpr uint32_t MB_ICONQUESTION = 0x20;
constexpr uint32_t MB_ICONEXCLAMATION = 0x30;
constexpr uint32_t MB_ICONWARNING = MB_ICONEXCLAMATION;
constexpr uint32_t MB_ICONASTERISK = 0x40;
constexpr uint32_t MB_ICONINFORMATION = MB_ICONASTERISK;
// Default button (the first unless one of these is given).
constexpr uint32_t MB_DEFBUTTON1 = 0x000;
constexpr uint32_t MB_DEFBUTTON2 = 0x100;
constexpr uint32_t MB_DEFBUTTON3 = 0x200;
// Modality and placement: accepted, no effect (every box here is modal to the program).
constexpr uint32_t MB_APPLMODAL = 0x0000;
constexpr uint32_t MB_SYSTEMMODAL = 0x1000;
constexpr uint32_t MB_TASKMODAL = 0x2000;
constexpr uint32_t MB_SETFOREGROUND = 0x10000;
constexpr uint32_t MB_TOPMOST = 0x40000;

// Results.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// Shows the box and returns the button chosen (the default button when no one can answer).
int MessageBox(const std::string& text, const std::string& caption, uint32_t flags);

// The button a box with these flags takes when nobody answers: the first of its set, or the one
// MB_DEFBUTTON2/3 names.
int DefaultButton(uint32_t flags);

// A box as the hook sees it.
struct MessageBoxCall {
    std::string text;
    std::string caption;
    uint32_t flags = 0;
};

// Replaces every box with a call of the hook, whose return value is the button chosen. Tests capture
// boxes this way and answer them. An empty hook restores normal boxes. Returns the previous hook.
using MessageBoxHook = std::function<int(const MessageBoxCall&)>;
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);

}  // namespace plat
