#include "platform/sys/Winprintf.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

#include "platform/sys/MessageBox.h"

namespace plat {
namespace {
std::mutex g_quitMutex;
std::function<void()> g_quitHandler;
}  // namespace

std::function<void()> SetQuitHandler(std::function<void()> handler) {
    std::lock_guard<std::mutex> lock(g_quitMutex);
    std::function<void()> previous = std::move(g_quitHandler);
    g_quitHandler = std::move(handler);
    return previous;
}

void RequestProgramQuit() {
    std::function<void()> handler;
    {
        std::lock_guard<std::mutex> lock(g_quitMutex);
        handler = g_quitHandler;
    }
    if (handler) {
        handler();
        return;
    }
    std::exit(0);
}

}  // namespace plat

void Winprintf(const char* format, ...) {
    std::string text;
    va_list args;
    va_start(args, format);
    va_list measure;
    va_copy(measure, args);
    int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length > 0) {
        text.resize(static_cast<size_t>(length) + 1);
        std::vsnprintf(text.data(), text.size(), format, args);
        text.resize(static_cast<size_t>(length));
    }
    va_end(args);

    if (plat::MessageBox(text, "Winprintf", plat::MB_OKCANCEL) == plat::IDCANCEL) plat::RequestProgramQuit();
}
