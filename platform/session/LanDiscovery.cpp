#include "platform/session/LanDiscovery.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <map>

#include "platform/bytes/ByteIO.h"

namespace plat {
namespace {

constexpr uint8_t kQueryMagic[4] = {'G', 'R', 'V', 'Q'};
constexpr uint8_t kReplyMagic[4] = {'G', 'R', 'V', 'R'};
constexpr uint16_t kDefaultDiscoveryPort = 26011;

std::mutex g_foundLock;
std::map<SessionGuid, DiscoveredSession> g_found;

bool ToSockaddr(const std::string& address, uint16_t port, sockaddr_in& out) {
    std::memset(&out, 0, sizeof out);
    out.sin_family = AF_INET;
    out.sin_port = htons(port);
    if (address.empty()) {
        out.sin_addr.s_addr = htonl(INADDR_ANY);
        return true;
    }
    return inet_pton(AF_INET, address.c_str(), &out.sin_addr) == 1;
}

}  // namespace

std::vector<uint8_t> EncodeDiscoveryQuery(const SessionGuid& application) {
    std::vector<uint8_t> out(kDiscoveryQuerySize, 0);
    std::memcpy(out.data(), kQueryMagic, 4);
    std::memcpy(out.data() + 4, application.data(), 16);
    return out;
}

bool DecodeDiscoveryQuery(const uint8_t* data, size_t size, SessionGuid& application) {
    if (size != kDiscoveryQuerySize || std::memcmp(data, kQueryMagic, 4) != 0) return false;
    std::memcpy(application.data(), data + 4, 16);
    return true;
}

std::vector<uint8_t> EncodeDiscoveryReply(const SessionGuid& application, const DiscoveredSession& s) {
    std::vector<uint8_t> out(kDiscoveryReplySize, 0);
    std::memcpy(out.data(), kReplyMagic, 4);
    std::memcpy(out.data() + 4, application.data(), 16);
    std::memcpy(out.data() + 20, s.instance.data(), 16);
    StoreU16(out.data() + 36, s.gamePort);
    out[38] = static_cast<uint8_t>(std::min<uint32_t>(s.players, 255));
    out[39] = static_cast<uint8_t>(std::min<uint32_t>(s.maxPlayers, 255));
    std::memcpy(out.data() + 40, s.name.data(), std::min<size_t>(s.name.size(), kSessionNameChars));
    return out;
}

bool DecodeDiscoveryReply(const uint8_t* data, size_t size, const SessionGuid& application, DiscoveredSession& out) {
    if (size != kDiscoveryReplySize || std::memcmp(data, kReplyMagic, 4) != 0) return false;
    if (std::memcmp(data + 4, application.data(), 16) != 0) return false;
    std::memcpy(out.instance.data(), data + 20, 16);
    out.gamePort = LoadU16(data + 36);
    out.players = data[38];
    out.maxPlayers = data[39];
    size_t n = 0;
    while (n < kSessionNameChars && data[40 + n] != 0) ++n;
    out.name.assign(reinterpret_cast<const char*>(data + 40), n);
    return out.gamePort != 0 && out.players <= out.maxPlayers && out.maxPlayers <= kSessionMaxSlots;
}

bool FindDiscoveredSession(const SessionGuid& instance, std::string& address, uint16_t& port) {
    std::lock_guard lock(g_foundLock);
    auto it = g_found.find(instance);
    if (it == g_found.end()) return false;
    address = it->second.address;
    port = it->second.gamePort;
    return true;
}

void RememberDiscoveredSession(const DiscoveredSession& session) {
    std::lock_guard lock(g_foundLock);
    g_found[session.instance] = session;
}

int OpenDiscoverySocket(const std::string& bindAddress, uint16_t port, uint16_t& boundPort) {
    sockaddr_in addr{};
    if (!ToSockaddr(bindAddress, port, addr)) return -1;
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        close(fd);
        return -1;
    }
    socklen_t len = sizeof addr;
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    boundPort = ntohs(addr.sin_port);
    return fd;
}

void AnswerDiscoveryQueries(int fd, const SessionGuid& application, const std::function<DiscoveredSession()>& describe) {
    // Bounded: a flood of queries cannot keep the session thread here.
    for (int i = 0; i < 64; ++i) {
        uint8_t buffer[64];
        sockaddr_in from{};
        socklen_t fromLen = sizeof from;
        ssize_t n = recvfrom(fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &fromLen);
        if (n < 0) return;
        SessionGuid asked{};
        if (!DecodeDiscoveryQuery(buffer, static_cast<size_t>(n), asked) || asked != application) continue;
        std::vector<uint8_t> reply = EncodeDiscoveryReply(application, describe());
        sendto(fd, reply.data(), reply.size(), MSG_NOSIGNAL, reinterpret_cast<sockaddr*>(&from), fromLen);
    }
}

LanSearch::~LanSearch() { Stop(); }

std::vector<DiscoveryTarget> LanSearch::DefaultTargets() { return {{"255.255.255.255", kDefaultDiscoveryPort}}; }

int LanSearch::Start(const SessionGuid& application, std::vector<DiscoveryTarget> targets, Callback callback, uint32_t roundMs) {
    if (thread_.joinable() && thread_.get_id() == std::this_thread::get_id()) return -1;  // from the callback
    Stop();
    if (!callback || targets.empty()) return -1;
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    socket_ = fd;
    callback_ = std::move(callback);
    stop_ = false;
    running_ = true;
    thread_ = std::thread(&LanSearch::Run, this, application, std::move(targets), roundMs);
    return 0;
}

void LanSearch::Stop() {
    stop_ = true;
    if (thread_.joinable()) {
        if (thread_.get_id() == std::this_thread::get_id()) return;  // asked from the callback itself
        thread_.join();
    }
    if (socket_ >= 0) close(socket_);
    socket_ = -1;
    running_ = false;
}

void LanSearch::Run(SessionGuid application, std::vector<DiscoveryTarget> targets, uint32_t roundMs) {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    auto nextQuery = start;
    const std::vector<uint8_t> query = EncodeDiscoveryQuery(application);
    while (!stop_) {
        auto now = Clock::now();
        if (now - start >= std::chrono::milliseconds(roundMs)) break;
        if (now >= nextQuery) {
            for (const DiscoveryTarget& t : targets) {
                sockaddr_in to{};
                if (!ToSockaddr(t.address, t.port, to)) continue;
                sendto(socket_, query.data(), query.size(), MSG_NOSIGNAL, reinterpret_cast<sockaddr*>(&to), sizeof to);
            }
            nextQuery = now + std::chrono::milliseconds(500);
        }
        pollfd p{socket_, POLLIN, 0};
        if (poll(&p, 1, 20) <= 0) continue;
        for (int i = 0; i < 64 && !stop_; ++i) {
            uint8_t buffer[128];
            sockaddr_in from{};
            socklen_t fromLen = sizeof from;
            ssize_t n = recvfrom(socket_, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &fromLen);
            if (n < 0) break;
            DiscoveredSession found;
            if (!DecodeDiscoveryReply(buffer, static_cast<size_t>(n), application, found)) continue;
            char text[INET_ADDRSTRLEN] = {};
            inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
            found.address = text;
            RememberDiscoveredSession(found);
            callback_(&found);
        }
    }
    if (!stop_) callback_(nullptr);
    running_ = false;
}

}  // namespace plat
