// Parser and player of input scripts.
#include "game/core/input/InputScript.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <deque>
#include <fstream>
#include <sstream>
#include <thread>

#include "game/core/input/KeyNames.h"
#include "platform/bytes/AsciiCase.h"
#include "platform/input/InputDevices.h"

namespace kes {
namespace {

struct ScriptState {
    bool active = false;
    std::vector<ScriptEvent> events;
    size_t next = 0;
    // Frames the script spent stopped at wait events: its own frames lag the program's by this many.
    uint32_t heldFrames = 0;
    uint32_t lastFrame = 0;
    const ScriptEvent* waiting = nullptr;
    std::chrono::steady_clock::time_point waitStarted, lastLook;
};

// A wait gives up after this long (with a note), so that a run whose partner died still ends.
constexpr auto kLongestWait = std::chrono::seconds(180);
// How often a waiting script reads the file, and how long each held frame sleeps, so that a copy
// of the game that waits leaves the processor to the ones it waits for.
constexpr auto kLookEvery = std::chrono::milliseconds(20);
constexpr auto kHeldFrameSleep = std::chrono::milliseconds(5);

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

namespace {

// True once the waited-for line is in its file often enough, or the wait has lasted too long.
bool WaitIsOver(ScriptState& s) {
    const ScriptEvent& e = *s.waiting;
    const auto now = std::chrono::steady_clock::now();
    if (now - s.lastLook < kLookEvery) return false;
    s.lastLook = now;
    if (plat::CountLinesInFile(e.texts[0], e.texts[1]) >= static_cast<uint32_t>(e.a)) return true;
    if (now - s.waitStarted < kLongestWait) return false;
    std::fprintf(stderr, "Input script: gave up waiting for \"%s\" in %s; going on\n", e.texts[1].c_str(),
                 e.texts[0].c_str());
    return true;
}

}  // namespace

void InputScriptFrame(uint32_t frame) {
    ScriptState& s = g_script;
    if (!s.active) return;
    if (s.waiting) {
        if (frame > s.lastFrame) s.heldFrames += frame - s.lastFrame;
        s.lastFrame = frame;
        if (!WaitIsOver(s)) {
            std::this_thread::sleep_for(kHeldFrameSleep);
            return;
        }
        s.waiting = nullptr;
    }
    s.lastFrame = frame;
    const uint32_t scriptFrame = frame > s.heldFrames ? frame - s.heldFrames : 0;
    while (s.next < s.events.size() && s.events[s.next].frame <= scriptFrame) {
        const ScriptEvent& e = s.events[s.next++];
        if (e.kind != ScriptEvent::Kind::Wait) {
            Apply(e);
            continue;
        }
        s.waiting = &e;
        s.waitStarted = std::chrono::steady_clock::now();
        s.lastLook = {};
        if (!WaitIsOver(s)) return;
        s.waiting = nullptr;
    }
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
