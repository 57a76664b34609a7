#pragma once
// Running the real racelab program (or any other command) from a test: its exit code and everything
// it printed, the final hash of its report, and scratch paths of the test's own under the build folder.
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <regex>
#include <string>

namespace tools::test {

struct LabRun {
    int exitCode = -1;
    std::string out;
};

// A path under the build folder's tmp/ that no other test process uses.
inline std::string OwnPath(const std::string& prefix, const std::string& name) {
    return std::string(GRAVELON_BINARY_DIR) + "/tmp/" + prefix + name + "_" + std::to_string(::getpid());
}

// Runs a shell command; its standard error is gathered with its output.
inline LabRun RunCommand(const std::string& command) {
    LabRun r;
    FILE* p = ::popen((command + " 2>&1").c_str(), "r");
    if (!p) return r;
    std::array<char, 4096> buf;
    size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
    const int status = ::pclose(p);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

inline LabRun Racelab(const std::string& args, const std::string& env = "GRAVELON_FRAME_MS=10") {
    return RunCommand(env + " " + GRAVELON_BINARY_DIR + "/bin/racelab " + args);
}

inline std::string FinalHash(const std::string& out) {
    std::smatch m;
    std::regex re("\nhash=([0-9a-f]{16})");
    return std::regex_search(out, m, re) ? m[1].str() : "";
}

}  // namespace tools::test
