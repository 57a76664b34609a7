#include "platform/input/ScriptSyntax.h"

#include <algorithm>
#include <charconv>
#include <fstream>

#include "platform/bytes/AsciiCase.h"

namespace plat {
namespace {

using Kind = ScriptEvent::Kind;

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

// The rest of the line after word n, without the blank that separates it and the line's CR.
std::string RestAfter(std::string_view line, const std::vector<std::string_view>& words, size_t n) {
    const size_t from = static_cast<size_t>(words[n].data() + words[n].size() - line.data()) + 1;
    std::string rest = from < line.size() ? std::string(line.substr(from)) : std::string();
    if (!rest.empty() && rest.back() == '\r') rest.pop_back();
    return rest;
}

bool Number(std::string_view word, int64_t lo, int64_t hi, int64_t* out) {
    int64_t v = 0;
    const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), v);
    if (ec != std::errc() || end != word.data() + word.size() || v < lo || v > hi) return false;
    *out = v;
    return true;
}

bool UpDown(std::string_view word, int32_t* out) {
    if (EqualNoCase(word, "down")) *out = 1;
    else if (EqualNoCase(word, "up")) *out = 0;
    else return false;
    return true;
}

bool Is(std::string_view word, const char* name) { return EqualNoCase(word, name); }

const char* ParseLine(std::string_view line, const std::vector<std::string_view>& w, KeyNameResolver keys,
                      ScriptEvent* e) {
    int64_t v = 0;
    if (!Number(w[0], 1, 0x7FFFFFFF, &v)) return "frame number expected";
    e->frame = static_cast<uint32_t>(v);
    if (w.size() < 2) return "event expected";
    const std::string_view kind = w[1];
    if (Is(kind, "key")) {
        if (w.size() != 4) return "key <code> down|up";
        e->kind = Kind::Key;
        if (Number(w[2], 1, 255, &v)) e->index = static_cast<uint32_t>(v);
        else if (!keys || !keys(w[2], &e->index)) return "unknown key";
        if (!UpDown(w[3], &e->a)) return "down or up expected";
    } else if (Is(kind, "mouse") || Is(kind, "joy")) {
        const bool mouse = Is(kind, "mouse");
        if (w.size() != 4) return "button <n> down|up";
        e->kind = mouse ? Kind::MouseButton : Kind::JoyButton;
        if (!Number(w[2], 0, mouse ? 3 : 31, &v)) return "bad button";
        e->index = static_cast<uint32_t>(v);
        if (!UpDown(w[3], &e->a)) return "down or up expected";
    } else if (Is(kind, "move") || Is(kind, "at")) {
        int64_t y = 0;
        const bool at = Is(kind, "at");
        const int64_t lo = at ? 0 : -100000;
        if (w.size() != 4 || !Number(w[2], lo, 100000, &v) || !Number(w[3], lo, 100000, &y))
            return at ? "at <x> <y>" : "move <dx> <dy>";
        e->kind = at ? Kind::At : Kind::MouseMove;
        e->a = static_cast<int32_t>(v);
        e->b = static_cast<int32_t>(y);
    } else if (Is(kind, "axis")) {
        static const char* const kAxes[4] = {"x", "y", "z", "rz"};
        if (w.size() != 4) return "axis x|y|z|rz <value>";
        e->kind = Kind::Axis;
        const auto* found = std::find_if(std::begin(kAxes), std::end(kAxes), [&](const char* a) { return Is(w[2], a); });
        if (found == std::end(kAxes)) return "unknown axis";
        e->index = static_cast<uint32_t>(found - std::begin(kAxes));
        if (!Number(w[3], -1000, 1000, &v)) return "axis value -1000..1000 expected";
        e->a = static_cast<int32_t>(v);
    } else if (Is(kind, "char")) {
        if (w.size() != 3 || !Number(w[2], 1, 255, &v)) return "char <code 1-255>";
        e->kind = Kind::Char;
        e->index = static_cast<uint32_t>(v);
    } else if (Is(kind, "pov")) {
        if (w.size() != 4 || !Number(w[2], 0, 3, &v)) return "pov <hat> <value>";
        e->kind = Kind::Pov;
        e->index = static_cast<uint32_t>(v);
        if (!Number(w[3], -1, 35999, &v)) return "pov value -1..35999 expected";
        e->a = static_cast<int32_t>(v);
    } else if (Is(kind, "command") || Is(kind, "click") || Is(kind, "focus") || Is(kind, "popup")) {
        if (w.size() != 3 || !Number(w[2], 0, 0xFFFF, &v)) return "<id> expected";
        e->kind = Is(kind, "command") ? Kind::Command : Is(kind, "click") ? Kind::Click : Is(kind, "focus") ? Kind::Focus : Kind::Popup;
        e->index = static_cast<uint32_t>(v);
    } else if (Is(kind, "type")) {
        e->kind = Kind::Type;
        e->texts.push_back(w.size() > 2 ? RestAfter(line, w, 1) : std::string());
    } else if (Is(kind, "files")) {
        e->kind = Kind::Files;
        for (size_t i = 2; i < w.size(); ++i) e->texts.emplace_back(w[i]);
    } else if (Is(kind, "box")) {
        static const std::pair<const char*, int> kAnswers[] = {{"ok", 1}, {"cancel", 2}, {"yes", 6}, {"no", 7}};
        if (w.size() != 3) return "box <answer>";
        e->kind = Kind::Box;
        const auto* found = std::find_if(std::begin(kAnswers), std::end(kAnswers), [&](const auto& p) { return Is(w[2], p.first); });
        if (found != std::end(kAnswers)) e->a = found->second;
        else if (Number(w[2], 1, 11, &v)) e->a = static_cast<int32_t>(v);
        else return "box answer expected";
    } else if (Is(kind, "wait")) {
        if (w.size() < 5 || !Number(w[2], 1, 1000000, &v)) return "wait <count> <file> <line>";
        e->kind = Kind::Wait;
        e->a = static_cast<int32_t>(v);
        e->texts.emplace_back(w[3]);
        e->texts.push_back(RestAfter(line, w, 3));
    } else if (Is(kind, "dialog")) {
        if (w.size() < 3) return "dialog click|type|close";
        if (Is(w[2], "close") && w.size() == 3) {
            e->kind = Kind::DialogClose;
        } else if (Is(w[2], "select") && w.size() == 5 && Number(w[3], 0, 0xFFFF, &v)) {
            e->kind = Kind::DialogSelect;
            e->index = static_cast<uint32_t>(v);
            if (!Number(w[4], -1, 0xFFFF, &v)) return "dialog select <id> <item>";
            e->a = static_cast<int32_t>(v);
        } else if ((Is(w[2], "click") || Is(w[2], "type")) && w.size() >= 4 && Number(w[3], 0, 0xFFFF, &v)) {
            e->index = static_cast<uint32_t>(v);
            if (Is(w[2], "click")) {
                if (w.size() != 4) return "dialog click <id>";
                e->kind = Kind::DialogClick;
            } else {
                e->kind = Kind::DialogType;
                e->texts.push_back(w.size() > 4 ? RestAfter(line, w, 3) : std::string());
            }
        } else {
            return "dialog click <id> | type <id> <text> | select <id> <item> | close";
        }
    } else {
        return "unknown event";
    }
    return nullptr;
}

}  // namespace

bool ParseScript(std::string_view text, KeyNameResolver keys, std::vector<ScriptEvent>* events, std::string* error) {
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
        if (const char* reason = ParseLine(line, words, keys, &e)) {
            if (error) *error = "line " + std::to_string(lineNo) + ": " + reason;
            events->clear();
            return false;
        }
        events->push_back(std::move(e));
    }
    std::stable_sort(events->begin(), events->end(),
                     [](const ScriptEvent& a, const ScriptEvent& b) { return a.frame < b.frame; });
    return true;
}

uint32_t CountLinesInFile(const std::string& file, std::string_view line) {
    std::ifstream in(file, std::ios::binary);
    uint32_t count = 0;
    for (std::string text; std::getline(in, text);) {
        if (!text.empty() && text.back() == '\r') text.pop_back();
        count += text == line ? 1 : 0;
    }
    return count;
}

}  // namespace plat
