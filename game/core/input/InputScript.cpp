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

std::vector<std::string_view> Split(std::string_view line) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
        const size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') ++i;
        if (i > start) words.push_back(line.substr(start, i - start));
    }
    return words;
}

bool Number(std::string_view word, int64_t lo, int64_t hi, int64_t* out) {
    int64_t v = 0;
    const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), v);
    if (ec != std::errc() || end != word.data() + word.size() || v < lo || v > hi) return false;
    *out = v;
    return true;
}

bool KeyCode(std::string_view word, uint32_t* code) {
    int64_t v;
    if (Number(word, 1, 255, &v)) {
        *code = static_cast<uint32_t>(v);
        return true;
    }
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

bool UpDown(std::string_view word, int32_t* out) {
    if (plat::EqualNoCase(word, "down")) *out = 1;
    else if (plat::EqualNoCase(word, "up")) *out = 0;
    else return false;
    return true;
}

const char* ParseLine(const std::vector<std::string_view>& w, ScriptEvent* e) {
    int64_t v = 0;
    if (!Number(w[0], 1, 0x7FFFFFFF, &v)) return "frame number expected";
    e->frame = static_cast<uint32_t>(v);
    if (w.size() < 2) return "event expected";
    const std::string_view kind = w[1];
    if (plat::EqualNoCase(kind, "key")) {
        if (w.size() != 4) return "key <code> down|up";
        e->kind = ScriptEvent::Kind::Key;
        if (!KeyCode(w[2], &e->index)) return "unknown key";
        if (!UpDown(w[3], &e->a)) return "down or up expected";
    } else if (plat::EqualNoCase(kind, "mouse") || plat::EqualNoCase(kind, "joy")) {
        const bool mouse = plat::EqualNoCase(kind, "mouse");
        if (w.size() != 4) return "button <n> down|up";
        e->kind = mouse ? ScriptEvent::Kind::MouseButton : ScriptEvent::Kind::JoyButton;
        if (!Number(w[2], 0, mouse ? 3 : 31, &v)) return "bad button";
        e->index = static_cast<uint32_t>(v);
        if (!UpDown(w[3], &e->a)) return "down or up expected";
    } else if (plat::EqualNoCase(kind, "move")) {
        int64_t dy = 0;
        if (w.size() != 4 || !Number(w[2], -100000, 100000, &v) || !Number(w[3], -100000, 100000, &dy))
            return "move <dx> <dy>";
        e->kind = ScriptEvent::Kind::MouseMove;
        e->a = static_cast<int32_t>(v);
        e->b = static_cast<int32_t>(dy);
    } else if (plat::EqualNoCase(kind, "axis")) {
        static const char* const kAxes[4] = {"x", "y", "z", "rz"};
        if (w.size() != 4) return "axis x|y|z|rz <value>";
        e->kind = ScriptEvent::Kind::Axis;
        const auto* found = std::find_if(std::begin(kAxes), std::end(kAxes),
                                         [&](const char* a) { return plat::EqualNoCase(a, w[2]); });
        if (found == std::end(kAxes)) return "unknown axis";
        e->index = static_cast<uint32_t>(found - std::begin(kAxes));
        if (!Number(w[3], -1000, 1000, &v)) return "axis value -1000..1000 expected";
        e->a = static_cast<int32_t>(v);
    } else if (plat::EqualNoCase(kind, "char")) {
        if (w.size() != 3 || !Number(w[2], 1, 255, &v)) return "char <code 1-255>";
        e->kind = ScriptEvent::Kind::Char;
        e->index = static_cast<uint32_t>(v);
    } else if (plat::EqualNoCase(kind, "pov")) {
        if (w.size() != 4 || !Number(w[2], 0, 3, &v)) return "pov <hat> <value>";
        e->kind = ScriptEvent::Kind::Pov;
        e->index = static_cast<uint32_t>(v);
        if (!Number(w[3], -1, 35999, &v)) return "pov value -1..35999 expected";
        e->a = static_cast<int32_t>(v);
    } else {
        return "unknown event";
    }
    return nullptr;
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
    }
}

}  // namespace

bool ParseInputScript(std::string_view text, std::vector<ScriptEvent>* events, std::string* error) {
    events->clear();
    size_t lineNo = 0;
    while (!text.empty()) {
        ++lineNo;
        const size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        const auto words = Split(line);
        if (words.empty() || words[0][0] == '#') continue;
        ScriptEvent e;
        if (const char* reason = ParseLine(words, &e)) {
            if (error) *error = "line " + std::to_string(lineNo) + ": " + reason;
            events->clear();
            return false;
        }
        events->push_back(e);
    }
    std::stable_sort(events->begin(), events->end(),
                     [](const ScriptEvent& a, const ScriptEvent& b) { return a.frame < b.frame; });
    return true;
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
