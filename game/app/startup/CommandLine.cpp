// Command-line tokens and switches.
#include "game/app/startup/CommandLine.h"

#include "platform/bytes/AsciiCase.h"

namespace kes {

bool NextCommandToken(std::string_view* text, std::string* token) {
    std::string_view t = *text;
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    size_t i = 0;
    while (i < t.size() && blank(t[i])) ++i;
    if (i >= t.size()) {
        *text = std::string_view();
        token->clear();
        return false;
    }
    if (t[i] == '"') {
        const size_t start = i + 1;
        size_t end = t.find('"', start);
        if (end == std::string_view::npos) {
            *token = std::string(t.substr(start));
            i = t.size();
        } else {
            *token = std::string(t.substr(start, end - start));
            i = end + 1;
        }
    } else {
        const size_t start = i;
        while (i < t.size() && !blank(t[i])) ++i;
        *token = std::string(t.substr(start, i - start));
    }
    while (i < t.size() && blank(t[i])) ++i;
    *text = t.substr(i);
    return true;
}

std::vector<std::string> TokenizeCommandLine(std::string_view text) {
    std::vector<std::string> tokens;
    std::string token;
    while (NextCommandToken(&text, &token)) tokens.push_back(token);
    return tokens;
}

int32_t AtoiLike(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\n' || s[i] == '\r' || s[i] == '\v' || s[i] == '\f')) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    int64_t value = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        value = value * 10 + (s[i++] - '0');
        if (value > 0x80000000LL) value = 0x80000000LL;
    }
    if (negative) value = -value;
    if (value > 0x7FFFFFFF) value = 0x7FFFFFFF;
    return static_cast<int32_t>(value);
}

CommandLine ParseCommandTokens(const std::vector<std::string>& tokens) {
    CommandLine c;
    if (tokens.empty()) return c;
    c.programPath = tokens[0];
    size_t i = 1;
    auto next = [&]() -> std::string { return i < tokens.size() ? tokens[i++] : std::string(); };
    auto is = [](const std::string& token, const char* name) { return plat::EqualNoCase(token, name); };
    while (i < tokens.size()) {
        const std::string& t = tokens[i++];
        if (is(t, "/TRACKFOLDER")) {
            c.trackFolder = next();
            if (c.trackFolder.empty() || c.trackFolder.back() != '\\') c.trackFolder += '\\';
        } else if (is(t, "/NOMENU")) {
            c.noMenu = true;
        } else if (is(t, "/MENU")) {
            c.noMenu = false;
        } else if (is(t, "/WINDOW")) {
            c.windowed = true;
        } else if (is(t, "/NOCONFIG")) {
            c.noConfig = true;
        } else if (is(t, "/NOAIBIKER")) {
            c.noAiBiker = true;
        } else if (is(t, "/NOAVI")) {
            c.noAvi = true;
        } else if (is(t, "/AIBIKER")) {
            const uint32_t n = static_cast<uint32_t>(AtoiLike(next()));
            c.aiBiker = n > 64 ? 64 : n;
        } else if (is(t, "/CDTRACK")) {
            const uint32_t n = static_cast<uint32_t>(AtoiLike(next()));
            c.cdTrack = n >= 64 ? 0 : n;
        } else if (is(t, "/AVIRECORD")) {
            c.aviRecord = next();
        } else if (is(t, "/AVISTRETCH")) {
            c.aviStretchA = AtoiLike(next());
            c.aviStretchB = AtoiLike(next());
        } else if (is(t, "/AVIFPS")) {
            c.aviFps = AtoiLike(next());
        } else {
            c.worldFile = t;
        }
    }
    return c;
}

}  // namespace kes
