// tarn-server: the directory and authentication servers of online play, for this machine or a local
// network.
//   tarn-server [--bind ADDRESS] [--dir-port PORT] [--keys FOLDER [--auth-port PORT]
//               [--account USER:PASSWORD[:NICKNAME]]... [--accounts FILE]] [--until-stdin-closes]
// The directory listens on ADDRESS (default 0.0.0.0) and PORT (default 15101; 0 lets the system
// choose). With --keys (a folder as tools/tarn-testkeys writes it) the authentication role listens too
// (default port 15102) and the directory also accepts authenticated sessions. An accounts file holds
// one USER:PASSWORD[:NICKNAME] a line; '#' starts a comment line. Prints "directory PORT" (and
// " auth PORT") once it listens, then serves until SIGINT or SIGTERM, or, with --until-stdin-closes,
// until its standard input ends (so a test that dies takes the server along).
#include <arpa/inet.h>
#include <poll.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "Tarn/common/TextConvert.h"
#include "tools/tarn-server/AuthServer.h"
#include "tools/tarn-server/DirectoryServer.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;
void OnSignal(int) { g_stop = 1; }

int Usage() {
    std::fprintf(stderr,
                 "usage: tarn-server [--bind ADDRESS] [--dir-port PORT] [--keys FOLDER [--auth-port PORT] "
                 "[--account USER:PASSWORD[:NICKNAME]]... [--accounts FILE]] [--until-stdin-closes]\n");
    return 2;
}

bool ParsePort(const char* text, long& port) {
    char* end = nullptr;
    port = std::strtol(text, &end, 10);
    return end && !*end && port >= 0 && port <= 65535;
}

struct Account {
    std::string user, password, nickname;
};

bool ParseAccount(const std::string& text, Account& account) {
    const size_t first = text.find(':');
    if (first == std::string::npos || first == 0) return false;
    const size_t second = text.find(':', first + 1);
    account.user = text.substr(0, first);
    account.password = text.substr(first + 1, second == std::string::npos ? std::string::npos : second - first - 1);
    account.nickname = second == std::string::npos ? "" : text.substr(second + 1);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    uint32_t bindAddress = INADDR_ANY;
    long dirPort = 15101, authPort = 15102;
    bool untilStdinCloses = false;
    std::string keyFolder;
    std::vector<Account> accounts;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--bind" && hasValue) {
            in_addr parsed{};
            if (inet_pton(AF_INET, argv[++i], &parsed) != 1) return Usage();
            bindAddress = ntohl(parsed.s_addr);
        } else if (arg == "--dir-port" && hasValue) {
            if (!ParsePort(argv[++i], dirPort)) return Usage();
        } else if (arg == "--auth-port" && hasValue) {
            if (!ParsePort(argv[++i], authPort)) return Usage();
        } else if (arg == "--keys" && hasValue) {
            keyFolder = argv[++i];
        } else if (arg == "--account" && hasValue) {
            Account account;
            if (!ParseAccount(argv[++i], account)) return Usage();
            accounts.push_back(account);
        } else if (arg == "--accounts" && hasValue) {
            std::ifstream in(argv[++i]);
            if (!in) {
                std::fprintf(stderr, "tarn-server: cannot read %s\n", argv[i]);
                return 1;
            }
            for (std::string line; std::getline(in, line);) {
                if (!line.empty() && line.back() == '\r') line.pop_back();
                if (line.empty() || line[0] == '#') continue;
                Account account;
                if (!ParseAccount(line, account)) {
                    std::fprintf(stderr, "tarn-server: bad account line \"%s\"\n", line.c_str());
                    return 1;
                }
                accounts.push_back(account);
            }
        } else if (arg == "--until-stdin-closes") {
            untilStdinCloses = true;
        } else {
            return Usage();
        }
    }
    if (keyFolder.empty() && !accounts.empty()) return Usage();
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    std::signal(SIGPIPE, SIG_IGN);

    tarnserver::ServerKeys keys;
    if (!keyFolder.empty() && !keys.Load(keyFolder)) {
        std::fprintf(stderr, "tarn-server: no key set in %s\n", keyFolder.c_str());
        return 1;
    }
    tarnserver::DirectoryStore store;
    tarnserver::DirectoryServer directory(store, bindAddress, static_cast<uint16_t>(dirPort));
    if (!directory.Ok()) {
        std::fprintf(stderr, "tarn-server: cannot listen on port %ld\n", dirPort);
        return 1;
    }
    std::unique_ptr<tarnserver::AuthServer> auth;
    if (!keyFolder.empty()) {
        directory.EnableSecure(keys);
        auth = std::make_unique<tarnserver::AuthServer>(keys, nullptr, bindAddress, static_cast<uint16_t>(authPort));
        if (!auth->Ok()) {
            std::fprintf(stderr, "tarn-server: cannot listen on port %ld\n", authPort);
            return 1;
        }
        for (const Account& account : accounts)
            auth->AddAccount(TarnCommon::NarrowToWide(account.user), TarnCommon::NarrowToWide(account.password),
                             TarnCommon::NarrowToWide(account.nickname));
        std::printf("directory %u auth %u\n", directory.Port(), auth->Port());
    } else {
        std::printf("directory %u\n", directory.Port());
    }
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
    if (auth) auth->Stop();
    directory.Stop();
    return 0;
}
