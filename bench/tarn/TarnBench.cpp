// Throughput of the message socket against a plain TCP socket on loopback, in the same run: 200-byte
// messages go to an echo server from one thread and come back to another.
//   --figures   prints "tarn.msgsocket_vs_raw: <message socket rate / plain socket rate>"
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "Tarn/api/TMsgSocket.h"
#include "Tarn/api/WSSocket.h"
#include "tools/loopback/LoopbackServer.h"

namespace {

constexpr int kMessages = 50000;
constexpr size_t kSize = 200;
constexpr int kRounds = 7;

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Messages per second through a plain blocking TCP socket.
double RawRate(uint16_t port) {
    const int h = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = TarnAPI::IPSocket::MakeAddress(INADDR_LOOPBACK, port);
    if (h < 0 || ::connect(h, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return 0;
    std::vector<char> out(kSize, 'r');
    std::vector<char> in(kSize);
    const auto start = std::chrono::steady_clock::now();
    std::thread sender([&] {
        for (int i = 0; i < kMessages; ++i)
            if (!tools::LoopbackServer::WriteAll(h, out.data(), kSize)) return;
    });
    int received = 0;
    while (received < kMessages && tools::LoopbackServer::ReadExactly(h, in.data(), kSize)) ++received;
    sender.join();
    const double rate = received / Seconds(start);
    ::close(h);
    return received == kMessages ? rate : 0;
}

// Messages per second through a message socket (2-byte prefix) over the library's TCP socket.
double MessageRate(uint16_t port) {
    TarnAPI::TMsgSocket socket(new TarnAPI::TCPSocket(TarnAPI::IPSocket::MakeAddress(INADDR_LOOPBACK, port)), 2, 65535);
    socket.SetOwnsInner(true);
    if (socket.Open(10000, false, {}) != TarnAPI::kOpenOk) return 0;
    std::vector<char> out(kSize, 'm');
    const auto start = std::chrono::steady_clock::now();
    std::thread sender([&] {
        for (int i = 0; i < kMessages; ++i)
            if (!socket.SendMsg(kSize, out.data(), -1, false, false, {})) return;
    });
    int received = 0;
    for (; received < kMessages; ++received) {
        long length = 0;
        uint8_t* buffer = socket.RecvMsg(nullptr, &length, -1, false, {});
        if (!buffer) break;
        std::free(buffer);
        if (length != static_cast<long>(kSize)) break;
    }
    sender.join();
    const double rate = received / Seconds(start);
    return received == kMessages ? rate : 0;
}

}  // namespace

int main(int argc, char** argv) {
    bool figures = false;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--figures") == 0) figures = true;
    tools::LoopbackServer echo;
    if (!echo.Ok()) {
        std::fprintf(stderr, "tarn bench: no loopback server\n");
        return 1;
    }
    // TARN_BENCH_ONLY=raw or =msg runs one side alone (for profiling).
    const char* only = std::getenv("TARN_BENCH_ONLY");
    const bool doRaw = !only || std::strcmp(only, "msg") != 0;
    const bool doMsg = !only || std::strcmp(only, "raw") != 0;
    // Each round measures both, back to back; the figure is the median of the rounds' ratios, which
    // keeps a busy machine's swings out of it.
    std::vector<double> ratios;
    double raw = 0, msg = 0;
    for (int round = 0; round < kRounds; ++round) {
        const double r = doRaw ? RawRate(echo.Port()) : 0;
        const double m = doMsg ? MessageRate(echo.Port()) : 0;
        raw = std::max(raw, r);
        msg = std::max(msg, m);
        if (r > 0) ratios.push_back(m / r);
    }
    std::sort(ratios.begin(), ratios.end());
    const double ratio = ratios.empty() ? 0.0 : ratios[ratios.size() / 2];
    if (!figures)
        std::printf("plain socket: %.0f msg/s, message socket: %.0f msg/s (best of %d rounds of %d x %zu bytes)\n", raw,
                    msg, kRounds, kMessages, kSize);
    std::printf("tarn.msgsocket_vs_raw: %.3f\n", ratio);
    return 0;
}
