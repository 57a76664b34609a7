// tarn-server: the directory server of online play, for this machine or a local network.
//   tarn-server [--bind ADDRESS] [--dir-port PORT] [--until-stdin-closes]
// Listens on ADDRESS (default 0.0.0.0) and PORT (default 15101; 0 lets the system choose), prints
// "directory PORT" once it listens, and serves until SIGINT or SIGTERM, or, with
// --until-stdin-closes, until its standard input ends (so a test that dies takes the server along).
#include <arpa/inet.h>
#include <poll.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/tarn-server/DirectoryServer.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;
void OnSignal(int) { g_stop = 1; }

int Usage() {
    std::fprintf(stderr, "usage: tarn-server [--bind ADDRESS] [--dir-port PORT] [--until-stdin-closes]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    uint32_t bindAddress = INADDR_ANY;
    long port = 15101;
    bool untilStdinCloses = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--bind" && i + 1 < argc) {
            in_addr parsed{};
            if (inet_pton(AF_INET, argv[++i], &parsed) != 1) return Usage();
            bindAddress = ntohl(parsed.s_addr);
        } else if (arg == "--dir-port" && i + 1 < argc) {
            char* end = nullptr;
            port = std::strtol(argv[++i], &end, 10);
            if (!end || *end || port < 0 || port > 65535) return Usage();
        } else if (arg == "--until-stdin-closes") {
            untilStdinCloses = true;
        } else {
            return Usage();
        }
    }
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    std::signal(SIGPIPE, SIG_IGN);
    tarnserver::DirectoryStore store;
    tarnserver::DirectoryServer server(store, bindAddress, static_cast<uint16_t>(port));
    if (!server.Ok()) {
        std::fprintf(stderr, "tarn-server: cannot listen on port %ld\n", port);
        return 1;
    }
    std::printf("directory %u\n", server.Port());
    std::fflush(stdout);
    if (!untilStdinCloses) {
        while (!g_stop) pause();
    } else {
        char sink[256];
        while (!g_stop) {
            pollfd in{0, POLLIN, 0};
            if (poll(&in, 1, 200) > 0 && read(0, sink, sizeof sink) <= 0) break;
        }
    }
    server.Stop();
    return 0;
}
