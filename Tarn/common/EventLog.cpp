#include "Tarn/common/EventLog.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>

namespace TarnCommon {
namespace {

std::mutex& LogLock() {
    static std::mutex lock;
    return lock;
}

std::string& FolderOverride() {
    static std::string folder;
    return folder;
}

std::string DefaultFolder() {
    const char* tmp = std::getenv("TMPDIR");
    if (tmp && *tmp) return tmp;
    return "/tmp";
}

std::string PathLocked() {
    std::string folder = FolderOverride().empty() ? DefaultFolder() : FolderOverride();
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder + "TarnEventLog.txt";
}

void RotateIfLarge(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return;
    long size = -1;
    if (std::fseek(f, 0, SEEK_END) == 0) size = std::ftell(f);
    std::fclose(f);
    if (size > kEventLogMaxBytes) std::rename(path.c_str(), (path + ".1").c_str());
}

}  // namespace

const char* LogSeverityName(int severity) {
    switch (severity) {
        case 0:
        case 1: return "ERROR";
        case 2: return "WARNING";
        case 3: return "INFORMATIONAL";
        default: return "UNKNOWN";
    }
}

std::string EventLogPath() {
    std::lock_guard<std::mutex> hold(LogLock());
    return PathLocked();
}

void SetEventLogFolder(const std::string& folder) {
    std::lock_guard<std::mutex> hold(LogLock());
    FolderOverride() = folder;
}

void WriteLogLine(int severity, const char* text) {
    if (!text || !*text) return;
    try {
        std::lock_guard<std::mutex> hold(LogLock());
        const std::string path = PathLocked();
        RotateIfLarge(path);
        FILE* f = std::fopen(path.c_str(), "a");
        if (!f) return;
        // asctime_r/localtime_r: entries are written from any thread of the library.
        std::time_t now = std::time(nullptr);
        std::tm local{};
        char stamp[64] = "\n";
        if (localtime_r(&now, &local)) asctime_r(&local, stamp);
        std::fprintf(f, "%s - \n\tLogged: %s\tText:   %s\n\n", LogSeverityName(severity), stamp, text);
        std::fclose(f);
    } catch (...) {
        // The log never throws: the entry is lost.
    }
}

LogEntry::LogEntry(const char* text, int severity) : severity_(severity) {
    if (text) stream_ << text;
}

void LogEntry::Log(const char* text, int severity) {
    if (text) stream_ << text;
    WriteLogLine(severity != 0 ? severity : severity_, stream_.str().c_str());
    stream_.str(std::string());
    stream_.clear();
}

}  // namespace TarnCommon
