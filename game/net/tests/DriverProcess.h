#pragma once
// Starts a program of build/bin (netdriver unless named) as a child process and talks to it line by
// line through pipes.
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace kes::test {

class DriverProcess {
public:
    // The program counts as started when its first line begins with `ready`; the line is kept.
    explicit DriverProcess(const std::string& program = "netdriver", const std::vector<std::string>& args = {},
                           const std::string& ready = "ready") {
        int toChild[2], fromChild[2];
        if (pipe(toChild) != 0 || pipe(fromChild) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(toChild[0], 0);
            dup2(fromChild[1], 1);
            close(toChild[1]);
            close(fromChild[0]);
            std::string path = std::string(GRAVELON_BINARY_DIR) + "/bin/" + program;
            std::vector<char*> argv = {const_cast<char*>(program.c_str())};
            for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
            argv.push_back(nullptr);
            execv(path.c_str(), argv.data());
            _exit(127);
        }
        close(toChild[0]);
        close(fromChild[1]);
        in_ = toChild[1];
        out_ = fromChild[0];
        firstLine_ = ReadLine(20000);
        started_ = firstLine_.rfind(ready, 0) == 0;
    }
    ~DriverProcess() {
        if (pid_ <= 0) return;
        Command("quit", 2000);
        if (in_ >= 0) close(in_);
        // Give it time to end in order; a driver that hangs is killed.
        for (int i = 0; i < 500; ++i) {
            if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
                pid_ = 0;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0) close(out_);
    }
    DriverProcess(const DriverProcess&) = delete;
    DriverProcess& operator=(const DriverProcess&) = delete;

    bool Started() const { return started_; }
    const std::string& FirstLine() const { return firstLine_; }

    // Sends one command and returns its one-line answer ("" when none came in time).
    std::string Command(const std::string& line, int ms = 20000) {
        std::string text = line + "\n";
        if (in_ < 0 || write(in_, text.data(), text.size()) != static_cast<ssize_t>(text.size())) return "";
        return ReadLine(ms);
    }

    // Repeats a command until its answer satisfies `good` (or the time is up); returns the last answer.
    std::string WaitFor(const std::string& line, const std::function<bool(const std::string&)>& good, int ms = 20000) {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        std::string reply;
        do {
            reply = Command(line);
            if (good(reply)) return reply;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        } while (std::chrono::steady_clock::now() < end);
        return reply;
    }
    std::string WaitForEqual(const std::string& line, const std::string& expected, int ms = 20000) {
        return WaitFor(line, [&](const std::string& r) { return r == expected; }, ms);
    }

private:
    std::string ReadLine(int ms) {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (true) {
            size_t nl = buffer_.find('\n');
            if (nl != std::string::npos) {
                std::string line = buffer_.substr(0, nl);
                buffer_.erase(0, nl + 1);
                return line;
            }
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
            if (left <= 0) return "";
            pollfd p{out_, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
            char chunk[4096];
            ssize_t n = read(out_, chunk, sizeof chunk);
            if (n <= 0) return "";
            buffer_.append(chunk, static_cast<size_t>(n));
        }
    }

    pid_t pid_ = -1;
    int in_ = -1, out_ = -1;
    bool started_ = false;
    std::string firstLine_;
    std::string buffer_;
};

}  // namespace kes::test
