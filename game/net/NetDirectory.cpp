#include "game/net/NetDirectory.h"

#include <arpa/inet.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>
#include <sstream>
#include <thread>

#include "Tarn/api/WSSocket.h"
#include "Tarn/common/TextConvert.h"
#include "Tarn/dir/DirectoryClient.h"
#include "game/net/NetState.h"
#include "platform/fs/Paths.h"

namespace kes {

using TarnAPI::DirCancel;

namespace {

constexpr char kServiceName[] = "Kestrun";
constexpr int32_t kLifespanSeconds = 120;
constexpr uint32_t kQueryFlags = 0x07030F72;
constexpr size_t kTokenChars = 63;

std::mutex g_configLock;
std::vector<std::string> g_servers;
bool g_serversSet = false;  // until set, the first use reads them from the ini file
std::atomic<uint32_t> g_refreshMs{25000};
std::atomic<uint32_t> g_timeoutMs{20000};

std::vector<sockaddr_in> ServerAddresses() {
    bool set;
    {
        std::lock_guard lock(g_configLock);
        set = g_serversSet;
    }
    if (!set) InitDirectoryServers();
    std::lock_guard lock(g_configLock);
    std::vector<sockaddr_in> out;
    for (const std::string& text : g_servers) {
        sockaddr_in address{};
        if (TarnAPI::IPSocket::MakeAddress(text.c_str(), address)) out.push_back(address);
    }
    return out;
}

std::string DirectoryPath(int number) { return "/Gravelon/Dir_" + std::to_string(number); }

// ---- ini tokens ------------------------------------------------------------------------------------

// Reads one token at `at`: blanks and tabs first; a quoted token runs to the next quote, a plain one to
// a blank or tab; both end at a line end or the end. Then blanks and line ends after it are skipped.
std::string NextToken(const std::string& text, size_t& at) {
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
    std::string token;
    const bool quoted = at < text.size() && text[at] == '"';
    if (quoted) ++at;
    while (at < text.size() && text[at] != '\r' && text[at] != '\n') {
        const char c = text[at];
        if (quoted ? c == '"' : (c == ' ' || c == '\t')) break;
        if (token.size() < kTokenChars) token.push_back(c);
        ++at;
    }
    if (quoted && at < text.size() && text[at] == '"') ++at;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t' || text[at] == '\r' || text[at] == '\n')) ++at;
    return token;
}

void SkipLine(const std::string& text, size_t& at) {
    while (at < text.size() && text[at] != '\n') ++at;
    if (at < text.size()) ++at;
}

// ---- the refresh thread ----------------------------------------------------------------------------

struct Published {
    std::string path;
    std::string displayName;
    uint8_t netAddress[6] = {};
    sockaddr_in server = TarnAPI::EmptyServerRecord();
};

class RefreshThread {
public:
    RefreshThread(const Published& published) : published_(published) {
        thread_ = std::thread([this] { Run(); });
    }
    ~RefreshThread() { Stop(); }

    void NotifyPlayers() {
        std::lock_guard lock(lock_);
        publishObjects_ = true;
        wake_.notify_all();
    }
    void Stop() {
        {
            std::lock_guard lock(lock_);
            stop_ = true;
            wake_.notify_all();
        }
        cancel_.Cancel();
        if (thread_.joinable()) thread_.join();
    }

private:
    void Run() {
        auto due = std::chrono::steady_clock::now() + std::chrono::milliseconds(g_refreshMs.load());
        std::unique_lock lock(lock_);
        publishObjects_ = true;  // the data objects go out at once
        for (;;) {
            wake_.wait_until(lock, due, [this] { return stop_ || publishObjects_; });
            if (stop_) break;
            const bool objects = publishObjects_;
            publishObjects_ = false;
            lock.unlock();
            if (objects) {
                PublishObjects();
            } else {
                Renew();
                due = std::chrono::steady_clock::now() + std::chrono::milliseconds(g_refreshMs.load());
            }
            lock.lock();
        }
        lock.unlock();
        // The removal runs even though the in-flight request was cancelled: it has its own time-out.
        TarnAPI::DirRemoveEntityA(nullptr, &published_.server, 1, nullptr, published_.path.c_str(), kServiceName,
                                  published_.netAddress, 6, g_timeoutMs.load(), false, {});
    }

    void PublishObjects() {
        plat::Session& session = net::State().session;
        TarnCommon::DataObjectSet objects;
        objects.insert(TarnCommon::DataObject("MaxPlayers", std::string(1, static_cast<char>(session.MaxPlayers()))));
        objects.insert(TarnCommon::DataObject("NbPlayers", std::string(1, static_cast<char>(session.PlayerCount()))));
        TarnAPI::DirSetDataObjectsA(nullptr, &published_.server, 1, nullptr, published_.path.c_str(), kServiceName,
                                    published_.netAddress, 6, objects, 0, g_timeoutMs.load(), false, {}, &cancel_);
    }

    void Renew() {
        const long renewed =
            TarnAPI::DirRenewEntityA(nullptr, &published_.server, 1, nullptr, published_.path.c_str(), kServiceName,
                                     published_.netAddress, 6, kLifespanSeconds, g_timeoutMs.load(), false, {}, &cancel_);
        if (renewed == TarnAPI::kDirOk || cancel_.IsCancelled()) return;
        // The server lost the entry (or is gone): publish anew on every server.
        const std::vector<sockaddr_in> servers = ServerAddresses();
        sockaddr_in answered = TarnAPI::EmptyServerRecord();
        const long added = TarnAPI::DirAddEntityA(
            nullptr, servers.data(), static_cast<uint32_t>(servers.size()), &answered, published_.path.c_str(),
            kServiceName, published_.displayName.c_str(), published_.netAddress, 6, kLifespanSeconds, 1, 0, {},
            g_timeoutMs.load(), false, {}, &cancel_);
        if (added != TarnAPI::kDirOk) return;
        published_.server = answered;
        std::lock_guard lock(lock_);
        publishObjects_ = true;
    }

    TarnAPI::SocketContextHold socketThreads_;  // for the life of the publication, not per request
    Published published_;
    DirCancel cancel_;
    std::mutex lock_;
    std::condition_variable wake_;
    bool stop_ = false;
    bool publishObjects_ = false;
    std::thread thread_;
};

std::mutex g_refreshLock;
std::unique_ptr<RefreshThread> g_refresh;

// ---- the query thread ------------------------------------------------------------------------------

class QueryThread {
public:
    explicit QueryThread(GameSearchCallback callback) : callback_(callback) {
        thread_ = std::thread([this] { Run(); });
    }
    ~QueryThread() { Stop(); }

    // Asks the search to stop; from another thread also waits for it to end.
    void Stop() {
        {
            std::lock_guard lock(reportLock_);
            stopped_ = true;
        }
        cancel_.Cancel();
        if (thread_.joinable() && std::this_thread::get_id() != thread_.get_id()) thread_.join();
    }
    bool OnThisThread() const { return std::this_thread::get_id() == thread_.get_id(); }

private:
    // Every report checks the stop flag under the lock that Stop takes, so none follows a Stop.
    void Report(const ServerRecord* record) {
        std::lock_guard lock(reportLock_);
        if (!stopped_) callback_(record);
    }

    void Run() {
        const std::vector<sockaddr_in> servers = ServerAddresses();
        for (int number = 1; number <= 8; ++number) {
            if (cancel_.IsCancelled()) return;
            std::vector<TarnMsg::DirEntity> list;
            const long status = TarnAPI::DirQueryA(
                nullptr, servers.data(), static_cast<uint32_t>(servers.size()), nullptr,
                DirectoryPath(number).c_str(), &list, kQueryFlags, {},
                [this](const TarnMsg::DirEntity& entity) {
                    ServerRecord record;
                    if (GameRecordFromEntity(entity, record)) Report(&record);
                },
                g_timeoutMs.load(), false, {}, &cancel_);
            if (status == TarnAPI::kDirCancelled) return;
            if (status != TarnAPI::kDirOk) {
                Report(reinterpret_cast<const ServerRecord*>(~uintptr_t{0}));
                return;
            }
        }
        Report(nullptr);
    }

    TarnAPI::SocketContextHold socketThreads_;
    GameSearchCallback callback_;
    DirCancel cancel_;
    std::mutex reportLock_;
    bool stopped_ = false;
    std::thread thread_;
};

std::mutex g_queryLock;
std::unique_ptr<QueryThread> g_query;

}  // namespace

void InitDirectoryServers() {
    std::vector<std::string> servers;
    for (int i = 1; i <= 3; ++i) {
        std::string value;
        ReadIniValue("DirServer" + std::to_string(i), value);
        servers.push_back(value.empty() ? "127.0.0.1:15101" : value);
    }
    NetSetDirectoryServers(servers);
}

void NetSetDirectoryServers(const std::vector<std::string>& servers) {
    std::lock_guard lock(g_configLock);
    g_servers = servers;
    g_serversSet = true;
}

void NetSetDirectoryTiming(uint32_t refreshMs, uint32_t timeoutMs) {
    g_refreshMs = refreshMs ? refreshMs : 1;
    g_timeoutMs = timeoutMs;
}

bool FindIniValue(const std::string& text, const std::string& key, std::string& value) {
    size_t at = 0;
    while (at < text.size()) {
        if (text[at] == ';') {
            SkipLine(text, at);
            continue;
        }
        const size_t lineStart = at;
        const std::string name = NextToken(text, at);
        const std::string equals = name == key ? NextToken(text, at) : std::string();
        const std::string found = equals == "=" ? NextToken(text, at) : std::string();
        if (!found.empty()) {
            value = found;
            return true;
        }
        // The rest of the line is skipped; a value searched for on the next line must not eat it.
        at = lineStart;
        SkipLine(text, at);
    }
    return false;
}

int ReadIniValue(const std::string& key, std::string& value) {
    value.clear();
    std::ifstream in(plat::ResolvePath(plat::GameFolder() + "/Kestrun.ini"), std::ios::binary);
    if (!in) return -1;
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return -1;
    FindIniValue(text, key, value);
    return 0;
}

int ReadLocalIpFromIni(sockaddr_in& address) {
    std::string value;
    if (ReadIniValue("LocalIP", value) != 0) return -1;
    if (value.empty()) return 0;
    sockaddr_in parsed{};
    if (TarnAPI::IPSocket::MakeAddress(value.c_str(), parsed)) address.sin_addr = parsed.sin_addr;
    return 0;
}

int DirectoryNumberOf(const std::string& sessionName) {
    int sum = 0;
    for (char c : sessionName) sum += static_cast<signed char>(c);
    return ((sum >> 2) & 7) + 1;  // an arithmetic shift, so negative sums keep their directory
}

bool GameRecordFromEntity(const TarnMsg::DirEntity& entity, ServerRecord& record) {
    if (entity.dataObjects.size() < 2 || entity.netAddress.size() != 6) return false;
    record = ServerRecord{};
    for (const auto& object : entity.dataObjects) {
        const uint32_t value = object.GetData().empty() ? 0 : static_cast<uint8_t>(object.GetData()[0]);
        if (object.GetType() == "MaxPlayers")
            record.maxPlayers = value;
        else
            record.players = value;
    }
    const std::string name = TarnCommon::WideToNarrow(entity.displayName);
    std::memcpy(record.name, name.data(), std::min<size_t>(name.size(), 30));
    std::memcpy(record.session, entity.netAddress.data(), 6);
    return true;
}

int DirPublishGame() {
    net::NetState& s = net::State();
    if (!s.active) return -1;
    DirStopRefresh();
    Published published;
    const std::string sessionName = s.session.Name();
    published.path = DirectoryPath(DirectoryNumberOf(sessionName));
    published.displayName = sessionName;
    // Where this machine answers: the session's own address when it is bound to one, else the address
    // of the host name; "LocalIP" of the ini file overrides both. The port is the session's game port,
    // so that a joiner knows where to connect.
    sockaddr_in local = TarnAPI::EmptyServerRecord();
    const std::string& bound = s.options.bindAddress;
    sockaddr_in address{};
    if (!bound.empty() && bound != "0.0.0.0" && TarnAPI::IPSocket::MakeAddress(bound.c_str(), 0, address))
        local.sin_addr = address.sin_addr;
    else if (TarnAPI::IPSocket::MakeLocalAddress(0, address))
        local.sin_addr = address.sin_addr;
    ReadLocalIpFromIni(local);
    local.sin_port = htons(s.session.GamePort());
    std::memcpy(published.netAddress, &local.sin_port, 2);
    std::memcpy(published.netAddress + 2, &local.sin_addr, 4);

    const std::vector<sockaddr_in> servers = ServerAddresses();
    const long status = TarnAPI::DirAddEntityA(
        nullptr, servers.data(), static_cast<uint32_t>(servers.size()), &published.server, published.path.c_str(),
        kServiceName, published.displayName.c_str(), published.netAddress, 6, kLifespanSeconds, 1, 0, {},
        g_timeoutMs.load(), false, {});
    if (status != TarnAPI::kDirOk) return -1;
    std::lock_guard lock(g_refreshLock);
    g_refresh = std::make_unique<RefreshThread>(published);
    return 0;
}

int DirStopRefresh() {
    std::unique_ptr<RefreshThread> refresh;
    {
        std::lock_guard lock(g_refreshLock);
        refresh.swap(g_refresh);
    }
    refresh.reset();  // stops, removes the entry, joins
    return 0;
}

void DirNotifyPlayersChanged() {
    std::lock_guard lock(g_refreshLock);
    if (g_refresh) g_refresh->NotifyPlayers();
}

int DirStartSearch(GameSearchCallback callback) {
    if (!callback) return -1;
    DirStopSearch();
    std::lock_guard lock(g_queryLock);
    g_query = std::make_unique<QueryThread>(callback);
    return 0;
}

void DirStopSearch() {
    std::unique_ptr<QueryThread> query;
    {
        std::lock_guard lock(g_queryLock);
        if (g_query && g_query->OnThisThread()) {
            g_query->Stop();  // from the search's own callback: only asks it to stop
            return;
        }
        query.swap(g_query);
    }
    query.reset();
}

}  // namespace kes
