#include "platform/sys/MessageBox.h"

#include <SDL.h>

#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/sys/Env.h"

namespace plat {
namespace {

std::mutex g_hookMutex;
MessageBoxHook g_hook;

struct ButtonSet {
    std::vector<std::pair<int, const char*>> buttons;  // result, label, in display order
};

ButtonSet ButtonsFor(uint32_t flags) {
    switch (flags & 0xF) {
        case MB_OKCANCEL: return {{{IDOK, "OK"}, {IDCANCEL, "Cancel"}}};
        case MB_ABORTRETRYIGNORE: return {{{IDABORT, "Abort"}, {IDRETRY, "Retry"}, {IDIGNORE, "Ignore"}}};
        case MB_YESNOCANCEL: return {{{IDYES, "Yes"}, {IDNO, "No"}, {IDCANCEL, "Cancel"}}};
        case MB_YESNO: return {{{IDYES, "Yes"}, {IDNO, "No"}}};
        case MB_RETRYCANCEL: return {{{IDRETRY, "Retry"}, {IDCANCEL, "Cancel"}}};
        default: return {{{IDOK, "OK"}}};
    }
}

size_t DefaultIndex(uint32_t flags, size_t count) {
    size_t index = (flags >> 8) & 0xF;  // MB_DEFBUTTON1..3 -> 0..2
    return index < count ? index : 0;
}

// A real screen exists: the video driver is not one of SDL's display-less drivers.
bool HaveDisplay() {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver) return false;
    return std::strcmp(driver, "offscreen") != 0 && std::strcmp(driver, "dummy") != 0 &&
           std::strcmp(driver, "evdev") != 0;
}

int ShowWithSdl(const std::string& text, const std::string& caption, uint32_t flags, bool& shown) {
    shown = false;
    // Reference-counted: a program that owns its own SDL video keeps it after the box.
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return 0;
    int result = 0;
    if (HaveDisplay()) {
        ButtonSet set = ButtonsFor(flags);
        size_t def = DefaultIndex(flags, set.buttons.size());
        std::vector<SDL_MessageBoxButtonData> buttons;
        for (size_t i = 0; i < set.buttons.size(); ++i) {
            SDL_MessageBoxButtonData b{};
            b.buttonid = set.buttons[i].first;
            b.text = set.buttons[i].second;
            if (i == def) b.flags |= SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
            if (set.buttons[i].first == IDCANCEL || set.buttons[i].first == IDNO)
                b.flags |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
            buttons.push_back(b);
        }
        SDL_MessageBoxData data{};
        uint32_t icon = flags & 0xF0;
        data.flags = icon == MB_ICONHAND          ? SDL_MESSAGEBOX_ERROR
                     : icon == MB_ICONEXCLAMATION ? SDL_MESSAGEBOX_WARNING
                                                  : SDL_MESSAGEBOX_INFORMATION;
        data.title = caption.c_str();
        data.message = text.c_str();
        data.numbuttons = static_cast<int>(buttons.size());
        data.buttons = buttons.data();
        int chosen = 0;
        if (SDL_ShowMessageBox(&data, &chosen) == 0) {
            shown = true;
            // Closing the box without a button counts as the escape button, else the default.
            result = chosen > 0 ? chosen : (ButtonsFor(flags).buttons.size() > 1 ? IDCANCEL : IDOK);
        }
    }
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return result;
}

}  // namespace

int DefaultButton(uint32_t flags) {
    ButtonSet set = ButtonsFor(flags);
    return set.buttons[DefaultIndex(flags, set.buttons.size())].first;
}

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook) {
    std::lock_guard<std::mutex> lock(g_hookMutex);
    MessageBoxHook previous = std::move(g_hook);
    g_hook = std::move(hook);
    return previous;
}

int MessageBox(const std::string& text, const std::string& caption, uint32_t flags) {
    MessageBoxHook hook;
    {
        std::lock_guard<std::mutex> lock(g_hookMutex);
        hook = g_hook;
    }
    if (hook) return hook(MessageBoxCall{text, caption, flags});

    if (!Env().headless) {
        bool shown = false;
        int result = ShowWithSdl(text, caption, flags, shown);
        if (shown) return result;
    }
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    std::fflush(stderr);
    return DefaultButton(flags);
}

}  // namespace plat
