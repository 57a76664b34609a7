#include "platform/sys/EventLog.h"

#include <cstdio>
#include <mutex>

#include "platform/sys/Env.h"

namespace plat {
namespace {

std::mutex g_lock;
bool g_chosen = false;
std::string g_path;

}  // namespace

void SetEventLogFile(const std::string& path) {
    std::lock_guard<std::mutex> hold(g_lock);
    g_chosen = true;
    g_path = path;
}

void LogEvent(const std::string& line) {
    std::lock_guard<std::mutex> hold(g_lock);
    if (!g_chosen) {
        g_chosen = true;
        if (Env().eventLog) g_path = *Env().eventLog;
    }
    if (g_path.empty()) return;
    // Opened per line: events are few (pages and phases), and nothing is lost when the run is killed.
    if (std::FILE* f = std::fopen(g_path.c_str(), "a")) {
        std::fprintf(f, "%s\n", line.c_str());
        std::fclose(f);
    }
}

}  // namespace plat
