// The options every sanitized program carries (cmake/sanitizer_defaults.cpp): LeakSanitizer's check at
// exit survives dynamic thread-local storage wherever the allocator places it, still scans what that
// storage references, and still reports leaks.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace {

struct ProbeRun {
    int status = -1;
    std::string output;
};

// Runs the probe with exactly ASAN_OPTIONS=options (the suite's own ASAN_OPTIONS are not inherited).
ProbeRun Probe(const std::string& mode, const std::string& options) {
    const std::string command = "ASAN_OPTIONS=" + options + " " + TLS_PROBE + " " + TLS_PROBE_PLUGIN + " " +
                                mode + " 2>&1";
    ProbeRun r;
    FILE* p = popen(command.c_str(), "r");
    if (!p) return r;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, p)) > 0) r.output.append(buffer, n);
    const int status = pclose(p);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

// With the smallest redzone the allocator hands out a large block 16 bytes past a page boundary: the
// place where this runtime, intercepting __tls_get_addr, took the sanitizer's own chunk header for
// glibc 2.19's header and its tracer crashed walking the range it read ("Tracer caught signal 11").
TEST(SanitizerRuntime, LeakCheckSurvivesDynamicTlsSixteenBytesPastAPage) {
    const ProbeRun r = Probe("touch", "detect_leaks=1:redzone=16:max_redzone=16");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(r.output.find("LeakSanitizer has encountered a fatal error"), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find("Tracer caught signal"), std::string::npos) << r.output;
}

TEST(SanitizerRuntime, BlocksHeldThroughDynamicTlsAreNotLeaks) {
    const ProbeRun r = Probe("hold", "detect_leaks=1");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(r.output.find("detected memory leaks"), std::string::npos) << r.output;
}

TEST(SanitizerRuntime, LeaksAreStillReported) {
    const ProbeRun r = Probe("leak", "detect_leaks=1");
    EXPECT_NE(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("detected memory leaks"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("33 byte(s) leaked in 1 allocation(s)"), std::string::npos) << r.output;
}

}  // namespace
