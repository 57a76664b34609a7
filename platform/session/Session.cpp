#include "platform/session/Session.h"

#include <enet/enet.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <random>
#include <thread>

#include "platform/bytes/ByteIO.h"
#include "platform/session/LanDiscovery.h"
#include "platform/session/SessionFrames.h"
#include "platform/sys/Clock.h"

namespace plat {
namespace {

constexpr uint8_t kReliableChannel = 0;
constexpr uint8_t kUnreliableChannel = 1;
constexpr size_t kMaxEnetPacket = 1024;       // nothing of ours is larger; ENet refuses bigger ones
constexpr size_t kMaxWaitingData = 64 * 1024;  // bound on what a peer can make us buffer
constexpr int kShutdownGraceMs = 300;

void EnsureEnet() {
    static std::once_flag once;
    std::call_once(once, [] { enet_initialize(); });
}

SessionGuid RandomGuid() {
    std::random_device rd;
    SessionGuid g{};
    for (auto& b : g) b = static_cast<uint8_t>(rd());
    return g;
}

uint32_t SlotOf(const ENetPeer* peer) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(peer->data)); }

}  // namespace

struct Session::Impl {
    struct Entry {
        bool used = false;
        std::string name;
        std::vector<uint8_t> data;
        ENetPeer* peer = nullptr;  // the host's connection to this client (session thread only)
        uint32_t lastHeard = 0;
    };
    struct Op {
        enum Kind { kGame, kData, kLocal } kind;
        std::vector<uint8_t> bytes;
        uint32_t target = 0;
        bool reliable = true;
    };

    mutable std::mutex m;
    std::condition_variable cv;
    SessionHandler handler;
    bool inited = false;
    uint32_t maxPlayers = 0;
    SessionGuid application{};
    SessionOptions options;

    std::atomic<uint32_t> localSlot{0};
    bool isHost = false;
    bool joinFailed = false;
    SessionGuid instance{};
    std::string sessionName;
    Entry entries[kSessionMaxSlots];
    std::deque<Op> outbound;

    ENetHost* host = nullptr;
    ENetPeer* hostPeer = nullptr;  // a client's connection to the host
    uint32_t hostLastHeard = 0;
    std::vector<uint8_t> hello;    // what a client says once connected
    std::map<ENetPeer*, uint32_t> pending;  // the host's connections that have no slot yet
    int wakeFd = -1;
    int discoveryFd = -1;
    uint16_t gamePort = 0;
    uint16_t discoveryPort = 0;
    std::thread thread;
    std::atomic<bool> stop{false};
    std::atomic<uint64_t> bytesSent{0}, packetsSent{0};

    bool ValidSlot(uint32_t s) const { return s >= 1 && s <= maxPlayers; }

    void Wake() {
        uint64_t one = 1;
        if (wakeFd >= 0) (void)!write(wakeFd, &one, sizeof one);
    }

    void Deliver(const uint8_t* msg, uint32_t length, uint32_t slot, bool local) {
        SessionHandler h;
        {
            std::lock_guard lock(m);
            h = handler;
        }
        if (h) h(msg, length, slot, local);
    }

    void RaiseNewPlayer(uint32_t slot, const std::string& name, const std::vector<uint8_t>& data) {
        uint8_t msg[kNewPlayerDataAt + kSessionMaxPlayerData] = {};
        uint32_t len = static_cast<uint32_t>(std::min<size_t>(data.size(), kSessionMaxPlayerData));
        msg[0] = static_cast<uint8_t>(kNewPlayerDataAt + len);
        msg[1] = kMsgNewPlayer;
        StoreU32(msg + kNewPlayerSlotAt, slot);
        std::memcpy(msg + kNewPlayerNameAt, name.data(), std::min<size_t>(name.size(), kSessionPlayerNameChars));
        StoreU32(msg + kNewPlayerLengthAt, len);
        if (len) std::memcpy(msg + kNewPlayerDataAt, data.data(), len);
        Deliver(msg, msg[0], slot, true);
    }
    void RaisePlayerData(uint32_t slot, const std::vector<uint8_t>& data) {
        uint8_t msg[kPlayerDataBytesAt + kSessionMaxPlayerData] = {};
        uint32_t len = static_cast<uint32_t>(std::min<size_t>(data.size(), kSessionMaxPlayerData));
        msg[0] = static_cast<uint8_t>(kPlayerDataBytesAt + len);
        msg[1] = kMsgPlayerData;
        StoreU32(msg + kPlayerDataSlotAt, slot);
        StoreU32(msg + kPlayerDataLengthAt, len);
        if (len) std::memcpy(msg + kPlayerDataBytesAt, data.data(), len);
        Deliver(msg, msg[0], slot, true);
    }
    void RaisePlayerLeft(uint32_t slot) {
        uint8_t msg[8] = {8, kMsgPlayerLeft, 0, 0};
        StoreU32(msg + 4, slot);
        Deliver(msg, 8, slot, true);
    }
    void RaiseSessionLost() {
        uint8_t msg[4] = {4, kMsgSessionLost, 0, 0};
        Deliver(msg, 4, 0, true);
    }

    void SendTo(ENetPeer* peer, const std::vector<uint8_t>& bytes, bool reliable) {
        if (!peer) return;
        ENetPacket* p = enet_packet_create(bytes.data(), bytes.size(), reliable ? ENET_PACKET_FLAG_RELIABLE : 0);
        if (!p) return;
        if (enet_peer_send(peer, reliable ? kReliableChannel : kUnreliableChannel, p) < 0) enet_packet_destroy(p);
    }
    // Host: to every client with a slot except `except`.
    void SendToClients(const std::vector<uint8_t>& bytes, bool reliable, uint32_t except) {
        for (uint32_t s = 2; s <= maxPlayers; ++s)
            if (s != except && entries[s - 1].peer) SendTo(entries[s - 1].peer, bytes, reliable);
    }

    // ---- host side ----------------------------------------------------------------------------
    void HostAdmit(ENetPeer* peer, const frames::Frame& f) {
        if (f.version != frames::kProtocolVersion || f.application != application) {
            enet_peer_disconnect(peer, frames::kRefusedApplication);
            return;
        }
        uint32_t slot = 0;
        std::vector<uint8_t> data(f.bytes, f.bytes + f.length);
        {
            std::lock_guard lock(m);
            for (uint32_t s = 2; s <= maxPlayers && !slot; ++s)
                if (!entries[s - 1].used) slot = s;
            if (slot) {
                Entry& e = entries[slot - 1];
                e.used = true;
                e.name = f.name;
                e.data = data;
                e.peer = peer;
                e.lastHeard = TickMs();
            }
        }
        pending.erase(peer);
        if (!slot) {
            enet_peer_disconnect(peer, frames::kRefusedFull);
            return;
        }
        peer->data = reinterpret_cast<void*>(static_cast<uintptr_t>(slot));
        SendTo(peer, frames::Assign(slot), true);
        for (uint32_t s = 1; s <= maxPlayers; ++s) {
            std::vector<uint8_t> roster;
            {
                std::lock_guard lock(m);
                const Entry& e = entries[s - 1];
                if (!e.used) continue;
                roster = frames::Roster(s, e.name, e.data.data(), static_cast<uint32_t>(e.data.size()));
            }
            if (s == slot) SendToClients(roster, true, slot);
            SendTo(peer, roster, true);
        }
        RaiseNewPlayer(slot, f.name, data);
    }

    void HostRemove(uint32_t slot) {
        {
            std::lock_guard lock(m);
            Entry& e = entries[slot - 1];
            if (!e.used) return;
            e = Entry{};
        }
        SendToClients(frames::Left(slot), true, slot);
        RaisePlayerLeft(slot);
    }

    void HostReceive(ENetPeer* peer, const frames::Frame& f, uint8_t channel) {
        uint32_t slot = SlotOf(peer);
        if (slot == 0) {
            if (f.kind == frames::kHello) HostAdmit(peer, f);
            return;  // nothing else is taken from a connection without a slot
        }
        entries[slot - 1].lastHeard = TickMs();
        if (f.kind == frames::kData) {
            std::vector<uint8_t> data(f.bytes, f.bytes + f.length);
            {
                std::lock_guard lock(m);
                entries[slot - 1].data = data;
            }
            SendToClients(frames::Data(slot, f.bytes, f.length), true, slot);
            RaisePlayerData(slot, data);
        } else if (f.kind == frames::kGame) {
            // A client speaks only for its own slot, and never with the session's local types.
            if (f.slot != slot || f.target > maxPlayers || IsLocalOnlyType(f.bytes[1])) return;
            bool reliable = channel == kReliableChannel;
            if (f.target == 0 || f.target == 1) Deliver(f.bytes, f.length, slot, false);
            if (f.target == 0) {
                SendToClients(frames::Game(slot, 0, f.bytes, f.length), reliable, slot);
            } else if (f.target != 1 && f.target != slot) {
                SendTo(entries[f.target - 1].peer, frames::Game(slot, f.target, f.bytes, f.length), reliable);
            }
        }
    }

    // ---- client side --------------------------------------------------------------------------
    void ClientReceive(const frames::Frame& f) {
        hostLastHeard = TickMs();
        uint32_t local = localSlot;
        switch (f.kind) {
        case frames::kAssign:
            if (local == kSessionJoining && f.slot >= 2 && f.slot <= maxPlayers) {
                std::lock_guard lock(m);
                entries[f.slot - 1].used = true;
                localSlot = f.slot;
                cv.notify_all();
            }
            return;
        case frames::kRoster: {
            if (!ValidSlot(f.slot) || !ValidSlot(local)) return;
            std::vector<uint8_t> data(f.bytes, f.bytes + f.length);
            {
                std::lock_guard lock(m);
                Entry& e = entries[f.slot - 1];
                e.used = true;
                e.name = f.name;
                e.data = data;
            }
            if (f.slot != local) RaiseNewPlayer(f.slot, f.name, data);
            return;
        }
        case frames::kData: {
            if (!ValidSlot(f.slot) || !ValidSlot(local)) return;
            std::vector<uint8_t> data(f.bytes, f.bytes + f.length);
            {
                std::lock_guard lock(m);
                if (!entries[f.slot - 1].used) return;
                entries[f.slot - 1].data = data;
            }
            if (f.slot != local) RaisePlayerData(f.slot, data);
            return;
        }
        case frames::kLeft:
            if (!ValidSlot(f.slot) || f.slot == local || !ValidSlot(local)) return;
            {
                std::lock_guard lock(m);
                if (!entries[f.slot - 1].used) return;
                entries[f.slot - 1] = Entry{};
            }
            RaisePlayerLeft(f.slot);
            return;
        case frames::kGame:
            if (!ValidSlot(local) || !ValidSlot(f.slot) || IsLocalOnlyType(f.bytes[1])) return;
            Deliver(f.bytes, f.length, f.slot, false);
            return;
        default:
            return;
        }
    }

    void ClientLost() {
        hostPeer = nullptr;
        uint32_t local = localSlot;
        {
            std::lock_guard lock(m);
            if (local == kSessionJoining) {
                joinFailed = true;
                cv.notify_all();
                return;
            }
            for (Entry& e : entries) e = Entry{};
        }
        localSlot = 0;
        if (local != 0) RaiseSessionLost();
    }

    // ---- the session thread -------------------------------------------------------------------
    void HandleEvent(ENetEvent& ev) {
        switch (ev.type) {
        case ENET_EVENT_TYPE_CONNECT:
            enet_peer_timeout(ev.peer, 32, options.silenceLimitMs, options.silenceLimitMs);
            if (isHost) {
                if (ev.data != frames::kConnectMagic) {
                    enet_peer_disconnect(ev.peer, frames::kRefusedApplication);
                    return;
                }
                ev.peer->data = nullptr;
                pending[ev.peer] = TickMs();
            } else if (ev.peer == hostPeer) {
                hostLastHeard = TickMs();
                SendTo(hostPeer, hello, true);
            }
            return;
        case ENET_EVENT_TYPE_RECEIVE: {
            frames::Frame f;
            if (frames::Decode(ev.packet->data, ev.packet->dataLength, f)) {
                if (isHost) HostReceive(ev.peer, f, ev.channelID);
                else if (ev.peer == hostPeer) ClientReceive(f);
            }
            enet_packet_destroy(ev.packet);
            return;
        }
        case ENET_EVENT_TYPE_DISCONNECT:
            if (isHost) {
                pending.erase(ev.peer);
                uint32_t slot = SlotOf(ev.peer);
                ev.peer->data = nullptr;
                if (ValidSlot(slot) && slot != 1) {
                    entries[slot - 1].peer = nullptr;
                    HostRemove(slot);
                }
            } else if (ev.peer == hostPeer) {
                ClientLost();
            }
            return;
        default:
            return;
        }
    }

    // Sends what the game queued; `deliverLocal` false drops the copies meant for this machine (the
    // session is ending and nobody is left to read them).
    void DrainOutbound(bool deliverLocal = true) {
        std::deque<Op> ops;
        {
            std::lock_guard lock(m);
            ops.swap(outbound);
        }
        for (Op& op : ops) {
            uint32_t local = localSlot;
            if (op.kind == Op::kLocal) {
                if (deliverLocal && ValidSlot(local)) Deliver(op.bytes.data(), static_cast<uint32_t>(op.bytes.size()), local, false);
            } else if (op.kind == Op::kData) {
                if (isHost) SendToClients(frames::Data(1, op.bytes.data(), static_cast<uint32_t>(op.bytes.size())), true, 0);
                else if (hostPeer && ValidSlot(local))
                    SendTo(hostPeer, frames::Data(local, op.bytes.data(), static_cast<uint32_t>(op.bytes.size())), true);
            } else if (ValidSlot(local)) {
                std::vector<uint8_t> frame = frames::Game(local, op.target, op.bytes.data(), static_cast<uint32_t>(op.bytes.size()));
                if (!isHost) SendTo(hostPeer, frame, op.reliable);
                else if (op.target == 0) SendToClients(frame, op.reliable, 0);
                else if (ValidSlot(op.target)) SendTo(entries[op.target - 1].peer, frame, op.reliable);
            }
        }
    }

    void KeepAlive() {
        const uint32_t now = TickMs();
        const uint32_t local = localSlot;
        if (isHost) {
            for (uint32_t s = 2; s <= maxPlayers; ++s) {
                Entry& e = entries[s - 1];
                if (e.used && e.peer && now - e.lastHeard > options.silenceLimitMs) {
                    ENetPeer* peer = e.peer;
                    e.peer = nullptr;
                    peer->data = nullptr;
                    enet_peer_disconnect_now(peer, 0);
                    HostRemove(s);
                }
            }
            for (auto it = pending.begin(); it != pending.end();) {
                if (now - it->second > 2 * options.joinTimeoutMs) {
                    enet_peer_reset(it->first);
                    it = pending.erase(it);
                } else {
                    ++it;
                }
            }
        } else if (ValidSlot(local) && hostPeer && now - hostLastHeard > options.silenceLimitMs) {
            enet_peer_disconnect_now(hostPeer, 0);
            ClientLost();
        }
        if (!ValidSlot(localSlot)) return;
        uint8_t ping[12] = {12, kMsgPing, 0, 0};
        StoreU32(ping + 8, now);
        std::vector<uint8_t> frame = frames::Game(localSlot, 0, ping, 12);
        if (isHost) SendToClients(frame, false, 0);
        else SendTo(hostPeer, frame, false);
        Deliver(ping, 12, localSlot, false);
    }

    void Run() {
        uint32_t lastKeepAlive = TickMs();
        while (!stop) {
            pollfd fds[3];
            int n = 0;
            fds[n++] = {static_cast<int>(host->socket), POLLIN, 0};
            fds[n++] = {wakeFd, POLLIN, 0};
            if (discoveryFd >= 0) fds[n++] = {discoveryFd, POLLIN, 0};
            poll(fds, static_cast<nfds_t>(n), 5);
            if (fds[1].revents & POLLIN) {
                uint64_t count;
                (void)!read(wakeFd, &count, sizeof count);
            }
            if (discoveryFd >= 0 && (fds[2].revents & POLLIN)) {
                AnswerDiscoveryQueries(discoveryFd, application, [this] {
                    DiscoveredSession d;
                    d.instance = instance;
                    d.name = sessionName;
                    d.maxPlayers = maxPlayers;
                    d.gamePort = gamePort;
                    std::lock_guard lock(m);
                    for (const Entry& e : entries) d.players += e.used ? 1 : 0;
                    return d;
                });
            }
            DrainOutbound();
            ENetEvent ev;
            // Bounded: a flood of packets cannot keep the thread from its other work for long.
            for (int i = 0; i < 256 && !stop && enet_host_service(host, &ev, 0) > 0; ++i) HandleEvent(ev);
            if (TickMs() - lastKeepAlive >= options.keepAliveMs) {
                lastKeepAlive = TickMs();
                KeepAlive();
            }
            enet_host_flush(host);
            bytesSent = host->totalSentData;
            packetsSent = host->totalSentPackets;
        }
        // What the game sent just before leaving (a last chat line) goes out ahead of the goodbye, which
        // waits for it (a plain disconnect would drop what is still queued).
        DrainOutbound(false);
        // Say goodbye so that the others notice at once, then give ENet a moment to deliver it.
        for (size_t i = 0; i < host->peerCount; ++i)
            if (host->peers[i].state == ENET_PEER_STATE_CONNECTED) enet_peer_disconnect_later(&host->peers[i], 0);
        enet_host_flush(host);
        const uint32_t start = TickMs();
        while (TickMs() - start < kShutdownGraceMs) {
            bool open = false;
            for (size_t i = 0; i < host->peerCount; ++i)
                if (host->peers[i].state != ENET_PEER_STATE_DISCONNECTED) open = true;
            if (!open) break;
            ENetEvent ev;
            if (enet_host_service(host, &ev, 10) > 0 && ev.type == ENET_EVENT_TYPE_RECEIVE) enet_packet_destroy(ev.packet);
        }
        bytesSent = host->totalSentData;
        packetsSent = host->totalSentPackets;
    }

    bool StartThread() {
        wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        if (wakeFd < 0) return false;
        host->maximumPacketSize = kMaxEnetPacket;
        host->maximumWaitingData = kMaxWaitingData;
        stop = false;
        thread = std::thread([this] { Run(); });
        return true;
    }

    void StopThread() {
        if (thread.joinable()) {
            stop = true;
            Wake();
            thread.join();
        }
        if (host) enet_host_destroy(host);
        host = nullptr;
        hostPeer = nullptr;
        if (wakeFd >= 0) close(wakeFd);
        wakeFd = -1;
        if (discoveryFd >= 0) close(discoveryFd);
        discoveryFd = -1;
        discoveryPort = 0;
        pending.clear();
        std::lock_guard lock(m);
        for (Entry& e : entries) e = Entry{};
        outbound.clear();
        localSlot = 0;
        isHost = false;
        joinFailed = false;
    }
};

Session::Session() : impl_(std::make_unique<Impl>()) {}
Session::~Session() { Close(); }

int Session::Init(SessionHandler handler, uint32_t maxPlayers, const SessionGuid& application, const SessionOptions& options) {
    if (maxPlayers < 1 || maxPlayers > kSessionMaxSlots) return -1;
    Leave();
    EnsureEnet();
    std::lock_guard lock(impl_->m);
    impl_->handler = std::move(handler);
    impl_->maxPlayers = maxPlayers;
    impl_->application = application;
    impl_->options = options;
    impl_->inited = true;
    return 0;
}

int Session::Host(const std::string& sessionName, const std::string& playerName, const void* data, uint32_t size) {
    Impl& d = *impl_;
    if (!d.inited || d.thread.joinable() || size > kSessionMaxPlayerData) return -1;
    ENetAddress address{};
    address.host = ENET_HOST_ANY;
    if (!d.options.bindAddress.empty() && enet_address_set_host_ip(&address, d.options.bindAddress.c_str()) != 0) return -1;
    address.port = d.options.gamePort;
    // A few connections beyond the player limit, so that a newcomer to a full session is told so.
    d.host = enet_host_create(&address, d.maxPlayers + 4, 2, 0, 0);
    if (!d.host) return -1;
    ENetAddress bound{};
    enet_socket_get_address(d.host->socket, &bound);
    d.gamePort = bound.port;
    if (d.options.answerDiscovery)
        d.discoveryFd = OpenDiscoverySocket(d.options.bindAddress, d.options.discoveryPort, d.discoveryPort);
    {
        std::lock_guard lock(d.m);
        d.instance = RandomGuid();
        d.sessionName = frames::CutName(sessionName, kSessionNameChars);
        Impl::Entry& e = d.entries[0];
        e.used = true;
        e.name = frames::CutName(playerName);
        e.data.assign(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
        d.isHost = true;
        d.localSlot = 1;
    }
    if (!d.StartThread()) {
        d.StopThread();
        return -1;
    }
    return 0;
}

int Session::Join(const SessionGuid& instance, const std::string& playerName, const void* data, uint32_t size) {
    std::string address;
    uint16_t port = 0;
    if (!FindDiscoveredSession(instance, address, port)) return -1;
    return JoinAddress(address, port, playerName, data, size);
}

int Session::JoinAddress(const std::string& addressText, uint16_t port, const std::string& playerName, const void* data,
                         uint32_t size) {
    Impl& d = *impl_;
    if (!d.inited || d.thread.joinable() || size > kSessionMaxPlayerData || port == 0) return -1;
    ENetAddress address{};
    if (enet_address_set_host(&address, addressText.c_str()) != 0) return -1;
    address.port = port;
    d.host = enet_host_create(nullptr, 1, 2, 0, 0);
    if (!d.host) return -1;
    d.hostPeer = enet_host_connect(d.host, &address, 2, frames::kConnectMagic);
    if (!d.hostPeer) {
        d.StopThread();
        return -1;
    }
    d.hello = frames::Hello(d.application, playerName, static_cast<const uint8_t*>(data), size);
    {
        std::lock_guard lock(d.m);
        d.isHost = false;
        d.joinFailed = false;
        d.localSlot = kSessionJoining;
        d.gamePort = port;
    }
    if (!d.StartThread()) {
        d.StopThread();
        return -1;
    }
    bool joined;
    {
        std::unique_lock lock(d.m);
        d.cv.wait_for(lock, std::chrono::milliseconds(d.options.joinTimeoutMs),
                      [&] { return d.joinFailed || d.localSlot != kSessionJoining; });
        joined = !d.joinFailed && d.ValidSlot(d.localSlot);
        if (joined) {
            Impl::Entry& e = d.entries[d.localSlot - 1];
            e.name = frames::CutName(playerName);
            e.data.assign(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
        }
    }
    if (!joined) {
        Leave();
        return -1;
    }
    return 0;
}

int Session::Leave() {
    if (impl_->thread.joinable() && impl_->thread.get_id() == std::this_thread::get_id()) return -1;
    impl_->StopThread();
    return 0;
}

void Session::Close() {
    Leave();
    std::lock_guard lock(impl_->m);
    impl_->inited = false;
    impl_->handler = nullptr;
    impl_->maxPlayers = 0;
}

int Session::SetHandler(SessionHandler handler) {
    std::lock_guard lock(impl_->m);
    impl_->handler = std::move(handler);
    return 0;
}

uint32_t Session::GetLocalPlayer() const { return impl_->localSlot; }

int Session::SetPlayerData(const void* data, uint32_t size) {
    Impl& d = *impl_;
    if (size > kSessionMaxPlayerData || (size && !data)) return -1;
    std::vector<uint8_t> bytes(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
    {
        std::lock_guard lock(d.m);
        uint32_t local = d.localSlot;
        if (!d.ValidSlot(local) || !d.thread.joinable()) return -1;
        d.entries[local - 1].data = bytes;
        d.outbound.push_back({Impl::Op::kData, std::move(bytes), 0, true});
    }
    d.Wake();
    return 0;
}

int Session::Send(const uint8_t* message, uint32_t length, uint32_t target, bool guaranteed, bool /*async*/) {
    Impl& d = *impl_;
    {
        std::lock_guard lock(d.m);
        uint32_t local = d.localSlot;
        if (!d.ValidSlot(local) || !d.thread.joinable()) return -1;
        if (!message || length < 4 || length > kSessionMaxMessage || target > d.maxPlayers) return -1;
        std::vector<uint8_t> bytes(message, message + length);
        if (target == 0 || target == local) d.outbound.push_back({Impl::Op::kLocal, bytes, target, guaranteed});
        if (target != local) d.outbound.push_back({Impl::Op::kGame, std::move(bytes), target, guaranteed});
    }
    d.Wake();
    return 0;
}

bool Session::IsHost() const {
    std::lock_guard lock(impl_->m);
    return impl_->isHost;
}
uint32_t Session::MaxPlayers() const {
    std::lock_guard lock(impl_->m);
    return impl_->maxPlayers;
}
uint32_t Session::PlayerCount() const {
    std::lock_guard lock(impl_->m);
    uint32_t n = 0;
    for (const auto& e : impl_->entries) n += e.used ? 1 : 0;
    return n;
}
bool Session::PlayerAt(uint32_t slot, SessionPlayerView& out) const {
    std::lock_guard lock(impl_->m);
    if (slot < 1 || slot > kSessionMaxSlots || !impl_->entries[slot - 1].used) return false;
    out.name = impl_->entries[slot - 1].name;
    out.data = impl_->entries[slot - 1].data;
    return true;
}
SessionGuid Session::Instance() const {
    std::lock_guard lock(impl_->m);
    return impl_->instance;
}
std::string Session::Name() const {
    std::lock_guard lock(impl_->m);
    return impl_->sessionName;
}
uint16_t Session::GamePort() const { return impl_->gamePort; }
uint16_t Session::DiscoveryPort() const { return impl_->discoveryPort; }
uint64_t Session::BytesSent() const { return impl_->bytesSent; }
uint64_t Session::PacketsSent() const { return impl_->packetsSent; }

}  // namespace plat
