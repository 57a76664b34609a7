#include "platform/modeller/ImportGuard.h"

#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace plat {
namespace {

void WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        done += static_cast<size_t>(n);
    }
}

// Reads the child's answer until it closes the pipe or the time is up; false on time-out.
bool ReadAnswer(int fd, std::string& answer, int timeoutSeconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    char buffer[4096];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0) return false;
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(std::min<long long>(left, 1000)));
        if (ready < 0 && errno != EINTR) return true;
        if (ready <= 0) continue;
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return true;
        if (answer.size() < 65536) answer.append(buffer, static_cast<size_t>(n));
    }
}

}  // namespace

ImportProbe ProbeImport(const std::function<bool(std::string& reason)>& read, std::string& error,
                        int timeoutSeconds) {
    int fds[2];
    if (::pipe(fds) != 0) return ImportProbe::kUnavailable;
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return ImportProbe::kUnavailable;
    }
    if (child == 0) {
        // The child answers "Y" or "N" and the library's reason, and leaves at once: no exit
        // handlers, no flushing of buffers that belong to the parent. A crash simply ends it: the
        // parent's crash handlers (and core files) are not wanted here.
        ::close(fds[0]);
        const rlimit noCore{0, 0};
        ::setrlimit(RLIMIT_CORE, &noCore);
        for (int sig : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT}) ::signal(sig, SIG_DFL);
        std::string reason;
        bool ok = false;
        try {
            ok = read(reason);
        } catch (...) {
            reason = "the import library failed on this file";
        }
        WriteAll(fds[1], ok ? std::string("Y") : "N" + reason);
        ::close(fds[1]);
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string answer;
    const bool finished = ReadAnswer(fds[0], answer, timeoutSeconds);
    ::close(fds[0]);
    if (!finished) ::kill(child, SIGKILL);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!finished) {
        error = "the import library did not finish reading the file in " + std::to_string(timeoutSeconds) + " s";
        return ImportProbe::kCrashed;
    }
    if (!answer.empty() && answer[0] == 'Y') return ImportProbe::kReadable;
    if (!answer.empty() && answer[0] == 'N') {
        error = answer.substr(1);
        return ImportProbe::kRefused;
    }
    if (WIFSIGNALED(status)) {
        error = "the file is damaged: the import library stopped on signal " + std::to_string(WTERMSIG(status)) +
                " (" + ::strsignal(WTERMSIG(status)) + ")";
    } else {
        error = "the file is damaged: the import library stopped while reading it";
    }
    return ImportProbe::kCrashed;
}

}  // namespace plat
