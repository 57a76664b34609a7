// Bike states over loopback between two processes, as two machines of a network game:
//   net.bikestate_latency_p99_ms: from NetSendBikeState on the client to NetTakeBikeState on the host
//     (each state is taken as soon as it is there; the wait for the next tick is not counted);
//   net.bytes_per_s_per_player: the wire bytes (ENet's headers included) one client sends per second
//     while it runs the game's 100-ms tick, next to what the messages and ENet's headers make.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "game/net/NetGame.h"

using namespace kes;
using Clock = std::chrono::steady_clock;  // CLOCK_MONOTONIC: the same clock in both processes

namespace {

constexpr int kLatencySamples = 2000;
constexpr int kBandwidthSeconds = 5;
constexpr uint32_t kStateSize = 144;

int64_t NowNs() { return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count(); }

plat::SessionOptions Loopback() {
    plat::SessionOptions o;
    o.bindAddress = "127.0.0.1";
    o.gamePort = 0;
    o.discoveryPort = 0;
    o.answerDiscovery = false;
    return o;
}

bool ReadAll(int fd, void* p, size_t n) {
    auto* b = static_cast<uint8_t*>(p);
    while (n) {
        ssize_t r = read(fd, b, n);
        if (r <= 0) return false;
        b += r;
        n -= static_cast<size_t>(r);
    }
    return true;
}
bool WriteAll(int fd, const void* p, size_t n) { return write(fd, p, n) == static_cast<ssize_t>(n); }

struct ClientReport {
    double bytesPerSecond = 0;
    double expectedPerSecond = 0;
    uint32_t states = 0;
};

// The client: joins, sends the latency states, then runs the 100-ms tick and counts its bytes.
int RunClient(int fromHost, int toHost) {
    uint16_t port = 0;
    if (!ReadAll(fromHost, &port, sizeof port)) return 1;
    NetSetSessionOptions(Loopback());
    if (NetInit(0) != 0 || NetJoinGameAt("Client", nullptr, "127.0.0.1", port) != 0) return 1;
    uint8_t go = 0;
    WriteAll(toHost, &go, 1);
    ReadAll(fromHost, &go, 1);

    uint8_t state[kStateSize] = {};
    for (int i = 0; i < kLatencySamples; ++i) {
        NetAdvanceClock(NetGetTickPeriod());
        int64_t t = NowNs();
        std::memcpy(state, &t, sizeof t);
        NetSendBikeState(state, kStateSize);
        std::this_thread::sleep_for(std::chrono::microseconds(1500));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));

    // The game's pace: 10-ms steps, a state whenever the tick falls due.
    ClientReport report;
    const uint64_t bytes0 = NetSession().BytesSent();
    const auto start = Clock::now();
    auto next = start;
    while (Clock::now() - start < std::chrono::seconds(kBandwidthSeconds)) {
        next += std::chrono::milliseconds(10);
        std::this_thread::sleep_until(next);
        NetAdvanceClock(10);
        if (NetTickDue()) {
            NetSendBikeState(state, kStateSize);
            ++report.states;
        }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // let the last send reach the wire
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    report.bytesPerSecond = static_cast<double>(NetSession().BytesSent() - bytes0) / seconds;
    // One state: the 152-byte message in a 3-byte session frame, in one datagram whose ENet headers
    // are the 4-byte protocol header and the 8-byte unreliable send command.
    report.expectedPerSecond = report.states * (kStateSize + 8 + 3 + 4 + 8) / seconds;
    WriteAll(toHost, &report, sizeof report);
    ReadAll(fromHost, &go, 1);
    NetShutdown();
    return 0;
}

int RunHost(int toClient, int fromClient, bool figures) {
    NetSetSessionOptions(Loopback());
    if (NetInit(0) != 0 || NetHostGame("Host", nullptr, "Bench") != 0) return 1;
    uint16_t port = NetSession().GamePort();
    WriteAll(toClient, &port, sizeof port);
    uint8_t go = 0;
    if (!ReadAll(fromClient, &go, 1)) return 1;
    WriteAll(toClient, &go, 1);

    // Each state is taken as soon as it is there; a state overtaken by the next one is not counted.
    // Stops when all have come, or a second after the last one (the client has moved on).
    std::vector<double> latenciesMs;
    uint8_t state[kStateSize];
    const auto deadline = Clock::now() + std::chrono::seconds(60);
    auto lastArrival = Clock::now();
    while (static_cast<int>(latenciesMs.size()) < kLatencySamples && Clock::now() < deadline) {
        if (NetTakeBikeState(1, state, kStateSize) != 0) {
            int64_t sent;
            std::memcpy(&sent, state, sizeof sent);
            latenciesMs.push_back(static_cast<double>(NowNs() - sent) / 1e6);
            lastArrival = Clock::now();
        } else if (!latenciesMs.empty() && Clock::now() - lastArrival > std::chrono::seconds(1)) {
            break;
        }
        std::this_thread::yield();
    }
    ClientReport report;
    if (!ReadAll(fromClient, &report, sizeof report)) return 1;
    WriteAll(toClient, &go, 1);
    NetShutdown();
    if (latenciesMs.empty()) return 1;

    std::sort(latenciesMs.begin(), latenciesMs.end());
    auto at = [&](double q) { return latenciesMs[std::min(latenciesMs.size() - 1, static_cast<size_t>(q * latenciesMs.size()))]; };
    std::printf("net.bikestate_latency_p99_ms: %.3f\n", at(0.99));
    std::printf("net.bikestate_latency_median_ms: %.3f\n", at(0.5));
    std::printf("net.bikestate_samples: %zu\n", latenciesMs.size());
    std::printf("net.bytes_per_s_per_player: %.1f\n", report.bytesPerSecond);
    std::printf("net.bytes_per_s_messages_and_enet_headers: %.1f\n", report.expectedPerSecond);
    if (!figures) std::printf("(states sent at the 100-ms tick: %u)\n", report.states);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    bool figures = argc > 1 && std::strcmp(argv[1], "--figures") == 0;
    int down[2], up[2];
    if (pipe(down) != 0 || pipe(up) != 0) return 1;
    pid_t child = fork();
    if (child < 0) return 1;
    if (child == 0) {
        close(down[1]);
        close(up[0]);
        _exit(RunClient(down[0], up[1]));
    }
    close(down[0]);
    close(up[1]);
    int rc = RunHost(down[1], up[0], figures);
    close(down[1]);
    int status = 0;
    waitpid(child, &status, 0);
    return rc != 0 ? rc : (WIFEXITED(status) ? WEXITSTATUS(status) : 1);
}
