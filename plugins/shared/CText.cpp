#include "plugins/shared/CText.h"

#include <locale.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "plugins/shared/PluginHelpers.h"

namespace qv::shared {

namespace {

locale_t CLocale() {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

// Makes the C locale the thread's own for its lifetime.
class InCLocale {
public:
    InCLocale() : previous_(uselocale(CLocale())) {}
    ~InCLocale() { uselocale(previous_); }
    InCLocale(const InCLocale&) = delete;
    InCLocale& operator=(const InCLocale&) = delete;

private:
    locale_t previous_;
};

}  // namespace

std::string FormatC(const char* format, ...) {
    InCLocale c;
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string out;
    if (n > 0) {
        out.resize(static_cast<size_t>(n) + 1);
        std::vsnprintf(out.data(), out.size(), format, again);
        out.resize(static_cast<size_t>(n));
    }
    va_end(again);
    return out;
}

double ParseDoubleC(std::string_view text, size_t* used) {
    const std::string copy(text);  // strtod needs a terminated text
    char* end = nullptr;
    const double v = strtod_l(copy.c_str(), &end, CLocale());
    const size_t n = static_cast<size_t>(end - copy.c_str());
    if (used) *used = n;
    return n ? v : 0.0;
}

bool ParseIntC(std::string_view text, long* out, size_t* used) {
    const std::string copy(text);
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(copy.c_str(), &end, 10);
    const size_t n = static_cast<size_t>(end - copy.c_str());
    if (used) *used = n;
    if (n == 0 || errno == ERANGE || v < INT32_MIN || v > INT32_MAX) return false;
    *out = v;
    return true;
}

std::vector<std::string_view> SplitAt(std::string_view text, std::string_view separator) {
    std::vector<std::string_view> parts;
    size_t from = 0;
    while (true) {
        const size_t at = separator.empty() ? std::string_view::npos : text.find(separator, from);
        if (at == std::string_view::npos) {
            parts.push_back(text.substr(from));
            return parts;
        }
        parts.push_back(text.substr(from, at - from));
        from = at + separator.size();
    }
}

bool WriteTextFile(const std::string& path, const std::string& text) {
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (!f) {
        Winprintf("Can't open %s\n", path.c_str());
        return false;
    }
    const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    if (std::fclose(f) != 0 || !ok) {
        Winprintf("Can't write %s\n", path.c_str());
        return false;
    }
    return true;
}

bool ReadTextFile(const std::string& path, std::string* text) {
    std::FILE* f = std::fopen(path.c_str(), "r");
    if (!f) {
        Winprintf("Can't open %s\n", path.c_str());
        return false;
    }
    text->clear();
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) text->append(buffer, n);
    std::fclose(f);
    return true;
}

std::vector<std::string> TextLines(std::string_view text) {
    std::vector<std::string> lines;
    size_t from = 0;
    while (from < text.size()) {
        size_t at = text.find('\n', from);
        if (at == std::string_view::npos) at = text.size();
        std::string line(text.substr(from, at - from));
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        from = at + 1;
    }
    return lines;
}

}  // namespace qv::shared
