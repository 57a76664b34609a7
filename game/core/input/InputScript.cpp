// Parser and player of input scripts.
#include "game/core/input/InputScript.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <deque>
#include <fstream>
#include <sstream>

#include "game/core/input/KeyNames.h"
#include "platform/bytes/AsciiCase.h"
#include "platform/input/InputDevices.h"

namespace kes {
namespace {

struct ScriptState {
    bool active = false;
    std::vector<ScriptEvent> events;
    size_t next = 0;
};

ScriptState g_script;

// Key names as the controls pages show them in English, without blanks (F12, ESC, PGUP).
bool KeyByName(std::string_view word, uint32_t* code) {
    for (uint32_t c = 1; c < 256; ++c) {
        std::string name;
        for (const char* p = KeyName(0, c); *p; ++p)
            if (*p != ' ') name += *p;
        if (name != "?" && plat::EqualNoCase(name, word)) {
            *code = c;
            return true;
        }
    }
    return false;
}

// Characters typed by the script, oldest first, until the text field takes them.
std::deque<uint8_t> g_typed;

void Apply(const ScriptEvent& e) {
    switch (e.kind) {
    case ScriptEvent::Kind::Key: plat::InjectKey(static_cast<uint8_t>(e.index), e.a != 0); break;
    case ScriptEvent::Kind::MouseButton: plat::InjectMouseButton(e.index, e.a != 0); break;
    case ScriptEvent::Kind::MouseMove: plat::InjectMouseMotion(e.a, e.b); break;
    case ScriptEvent::Kind::JoyButton: plat::InjectJoystickButton(e.index, e.a != 0); break;
    case ScriptEvent::Kind::Axis: plat::InjectJoystickAxis(e.index, e.a); break;
    case ScriptEvent::Kind::Pov: plat::InjectJoystickPov(e.index, static_cast<uint32_t>(e.a)); break;
    case ScriptEvent::Kind::Char: g_typed.push_back(static_cast<uint8_t>(e.index)); break;
    default: break;  // the editor's window events mean nothing to the game
    }
}

}  // namespace

bool ParseInputScript(std::string_view text, std::vector<ScriptEvent>* events, std::string* error) {
    return plat::ParseScript(text, &KeyByName, events, error);
}

bool LoadInputScript(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "Input script %s cannot be read\n", path.c_str());
        return false;
    }
    std::stringstream text;
    text << in.rdbuf();
    std::vector<ScriptEvent> events;
    std::string error;
    if (!ParseInputScript(text.str(), &events, &error)) {
        std::fprintf(stderr, "Input script %s: %s\n", path.c_str(), error.c_str());
        return false;
    }
    g_script.active = true;
    g_script.events = std::move(events);
    g_script.next = 0;
    plat::SetScriptedInput(true);
    return true;
}

void UnloadInputScript() {
    if (g_script.active) plat::SetScriptedInput(false);
    g_script = ScriptState{};
    g_typed.clear();
}

bool InputScriptActive() {
    return g_script.active;
}

void InputScriptFrame(uint32_t frame) {
    if (!g_script.active) return;
    while (g_script.next < g_script.events.size() && g_script.events[g_script.next].frame <= frame)
        Apply(g_script.events[g_script.next++]);
}

}  // namespace kes

namespace kes {

uint8_t InputScriptTakeCharacter() {
    if (g_typed.empty()) return 0;
    const uint8_t c = g_typed.front();
    g_typed.pop_front();
    return c;
}

}  // namespace kes
