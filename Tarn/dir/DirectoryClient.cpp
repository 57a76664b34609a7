#include "Tarn/dir/DirectoryClient.h"

#include <arpa/inet.h>

#include <algorithm>
#include <mutex>
#include <thread>

#include "Tarn/api/BackgroundRuns.h"
#include "Tarn/api/TMsgSocket.h"
#include "Tarn/authsocket/AuthSocket.h"
#include "Tarn/identity/Identity.h"
#include "Tarn/api/WSSocket.h"
#include "Tarn/common/TextConvert.h"
#include "Tarn/msg/Dir/SMsgDirG2Query.h"
#include "Tarn/msg/Dir/SMsgDirG2Update.h"

namespace TarnAPI {

using TarnMsg::BaseMessage;
using TarnMsg::DirEntity;
using TarnMsg::SmallMessage;

namespace {

constexpr uint32_t kDirectoryService = 2;
// A reply list longer than this many parts is taken for a server that never ends its answer.
constexpr int kMaxReplyParts = 256;

// One request from its entry call to its end.
struct DirectoryData {
    DirRequestKind kind;
    bool serviceKey = true;
    std::u16string path;
    std::u16string name;
    std::u16string displayName;
    std::string netAddress;  // a private copy of the caller's bytes
    int32_t lifespan = 0;
    uint8_t uniqueDisplayName = 0;
    uint8_t flag = 0;
    uint32_t setMode = 0;
    uint32_t getFlags = 0;
    TarnCommon::DataObjectSet dataObjects;
    TarnCommon::DataObjectSet types;
    long timeout = 0;
    std::vector<sockaddr_in> servers;
    std::shared_ptr<DirCancel::State> cancel;
    Identity* identity = nullptr;
    // Results.
    long status = kDirNoReply;
    sockaddr_in answered = EmptyServerRecord();
    std::vector<DirEntity> ownEntities;
    std::vector<DirEntity>* entities = &ownEntities;
    DirEntityFunction perEntity;
};

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Cancellation: the socket in use is registered here for the time of each attempt.

struct DirCancel::State {
    std::mutex lock;
    bool cancelled = false;
    TMsgSocket* socket = nullptr;
};

DirCancel::DirCancel() : state_(std::make_shared<State>()) {}
DirCancel::~DirCancel() = default;

void DirCancel::Cancel() {
    std::lock_guard<std::mutex> hold(state_->lock);
    state_->cancelled = true;
    // Closing ends the blocked connect or receive at once; the attempt then sees the flag.
    if (state_->socket) state_->socket->Close(0, false, {});
}

bool DirCancel::IsCancelled() const {
    std::lock_guard<std::mutex> hold(state_->lock);
    return state_->cancelled;
}

void DirCancel::Reset() {
    std::lock_guard<std::mutex> hold(state_->lock);
    state_->cancelled = false;
}

sockaddr_in EmptyServerRecord() {
    sockaddr_in record{};
    record.sin_family = AF_INET;
    record.sin_addr.s_addr = 0xFFFFFFFFu;
    return record;
}

bool IsEmptyServerRecord(const sockaddr_in& record) {
    return record.sin_addr.s_addr == 0xFFFFFFFFu && record.sin_port == 0;
}

namespace {

// Registers the attempt's socket with the cancel handle; false when the request is already cancelled.
class CancelScope {
public:
    CancelScope(const std::shared_ptr<DirCancel::State>& state, TMsgSocket* socket) : state_(state) {
        if (!state_) return;
        std::lock_guard<std::mutex> hold(state_->lock);
        if (!state_->cancelled) state_->socket = socket;
    }
    ~CancelScope() {
        if (!state_) return;
        std::lock_guard<std::mutex> hold(state_->lock);
        state_->socket = nullptr;
    }
    bool Cancelled() const {
        if (!state_) return false;
        std::lock_guard<std::mutex> hold(state_->lock);
        return state_->cancelled;
    }

private:
    std::shared_ptr<DirCancel::State> state_;
};

template <typename M>
void FillServiceKey(M& message, const DirectoryData& d) {
    message.SetPath(d.path);
    message.SetName(d.name);
    message.SetNetAddress(d.netAddress);
}

std::unique_ptr<BaseMessage> BuildRequest(const DirectoryData& d) {
    using namespace TarnMsg;
    switch (d.kind) {
    case kDirAdd: {
        auto m = std::make_unique<SMsgDirG2AddService>(!d.dataObjects.empty());
        FillServiceKey(*m, d);
        m->SetDisplayName(d.displayName);
        m->SetLifespan(static_cast<uint32_t>(d.lifespan));
        m->SetEntityFlags(static_cast<uint8_t>((d.uniqueDisplayName ? 1 : 0) | (d.flag ? 8 : 0)));
        m->SetDataObjects(d.dataObjects);
        return m;
    }
    case kDirRenew: {
        auto m = std::make_unique<SMsgDirG2RenewEntity>(d.serviceKey);
        FillServiceKey(*m, d);
        m->SetLifespan(static_cast<uint32_t>(d.lifespan));
        return m;
    }
    case kDirRemove: {
        auto m = std::make_unique<SMsgDirG2RemoveEntity>(d.serviceKey);
        FillServiceKey(*m, d);
        return m;
    }
    case kDirSetDataObjects: {
        auto m = std::make_unique<SMsgDirG2SetDataObjects>(d.serviceKey);
        FillServiceKey(*m, d);
        m->SetDataObjects(d.dataObjects);
        m->SetSetMode(d.setMode);
        return m;
    }
    case kDirGetEntity: {
        // The plain form drops the data-list bit on the server's side, so a query that asks for the
        // whole list of data objects (no types named) travels in the extended form.
        const bool extended = !d.types.empty() || (d.getFlags & DirField::kDataList);
        auto m = std::make_unique<SMsgDirG2GetEntity>(d.serviceKey, extended);
        m->SetPath(d.path);
        if (d.serviceKey) FillServiceKey(*m, d);
        m->SetFieldMask(d.getFlags);
        m->SetRequestedTypes(d.types);
        return m;
    }
    default:
        return nullptr;
    }
}

bool IsQuery(DirRequestKind kind) { return kind == kDirGetEntity; }

// Reads one reply of the directory service. Throws BadMsgException (through the reply classes) for
// a reply whose body does not hold what its type promises.
long TakeReply(DirectoryData& d, const BaseMessage& reply, bool& more) {
    using namespace TarnMsg;
    more = false;
    const auto* small = dynamic_cast<const SmallMessage*>(&reply);
    if (!small || reply.GetServiceType() != kDirectoryService) return kDirWrongReply;
    const uint32_t type = reply.GetMessageType();
    if (!IsQuery(d.kind)) {
        if (type != SMsgDirG2StatusReply::kType) return kDirWrongReply;
        return SMsgDirG2StatusReply(*small).GetStatus();
    }
    if (type == SMsgDirG2SingleEntityReply::kType) {
        SMsgDirG2SingleEntityReply single(*small);
        if (single.GetStatus() != 0) return single.GetStatus();
        if (d.perEntity) d.perEntity(single.GetEntity());
        d.entities->push_back(single.GetEntity());
        return kDirOk;
    }
    if (type != SMsgDirG2MultiEntityReply::kType) return kDirWrongReply;
    // The entries are read straight onto the end of the request's list; the caller takes them back
    // off when the reply does not stand.
    const size_t first = d.entities->size();
    SMsgDirG2MultiEntityReply multi(*small, *d.entities);
    if (multi.GetStatus() != 0) return multi.GetStatus();
    if (d.perEntity)
        for (size_t i = first; i < d.entities->size(); ++i) d.perEntity((*d.entities)[i]);
    more = !multi.IsLastReply();
    return kDirOk;
}

// One server: connect (authenticating when the request has an identity), send the request, read the
// reply (every part of a multi-part one). A session that expires is authenticated again once, and the
// request sent again; a second expiry counts as a failed server.
long TryServer(DirectoryData& d, const sockaddr_in& server) {
    auto* inner = new (std::nothrow) TCPSocket(server, false, 8192, 8192);
    if (!inner) return kDirGeneralFailure;
    AuthSocket socket(d.identity, inner, true, 4, true, true, false, true);
    CancelScope scope(d.cancel, &socket);
    if (scope.Cancelled()) return kDirCancelled;
    const long opened = socket.Open(true, d.timeout, false, {});
    if (scope.Cancelled()) return kDirCancelled;
    if (opened != 0) return opened;
    std::unique_ptr<BaseMessage> request = BuildRequest(d);
    if (!request) return kDirBadArguments;
    try {
        request->Pack();
    } catch (...) {
        return kDirBadArguments;  // a field too long for its length on the wire
    }
    socket.SendBaseMsg(request.get(), d.timeout, false, false, {});
    const size_t before = d.entities->size();
    bool authenticatedAgain = false;
    for (int part = 0; part < kMaxReplyParts; ++part) {
        bool expired = false;
        std::unique_ptr<BaseMessage> reply(socket.RecvBaseMsg(false, d.timeout, nullptr, &expired));
        if (scope.Cancelled()) return kDirCancelled;
        if (expired) {
            d.entities->resize(before);
            if (authenticatedAgain || part > 0) return kDirNoReply;
            authenticatedAgain = true;
            socket.Close(0, false, {});
            const long reopened = socket.Open(true, d.timeout, false, {});
            if (scope.Cancelled()) return kDirCancelled;
            if (reopened != 0) return reopened;
            socket.SendBaseMsg(request.get(), d.timeout, false, false, {});
            --part;
            continue;
        }
        if (!reply) return socket.IsRecvOpen() ? kDirNoReply : kDirClosed;
        bool more = false;
        long status;
        try {
            status = TakeReply(d, *reply, more);
        } catch (...) {
            status = kDirWrongReply;
        }
        if (status != kDirOk) {
            // What this server's earlier parts gave does not stand alone.
            d.entities->resize(before);
            return status;
        }
        if (!more) return kDirOk;
    }
    d.entities->resize(before);
    return kDirWrongReply;
}

void RunRequest(DirectoryData& d) {
    d.status = kDirNoReply;
    if (d.identity) {
        // A request that cannot authenticate goes to no server.
        d.status = d.identity->AuthenticateIfNeeded(false, d.timeout, false, {});
        if (d.status != kDirOk) {
            d.answered = EmptyServerRecord();
            return;
        }
    }
    for (const sockaddr_in& server : d.servers) {
        d.status = TryServer(d, server);
        if (d.status == kDirOk) {
            d.answered = server;
            return;
        }
        if (d.status == kDirCancelled) break;
    }
    d.answered = EmptyServerRecord();
}

BackgroundRuns& AsyncRequests() {
    static BackgroundRuns runs;
    return runs;
}

// What every entry point shares: argument checks, the run, and the report.
template <typename Container, typename Report>
long Submit(Identity* identity, const sockaddr_in* servers, uint32_t serverCount, sockaddr_in* outServer,
            std::unique_ptr<DirectoryData> d, bool extraArgumentsBad, long timeout, bool async,
            const Container& completion, DirCancel* cancel, Report report) {
    if (outServer) *outServer = EmptyServerRecord();
    const bool bad = !servers || serverCount == 0 || extraArgumentsBad || timeout < 0;
    long early = bad ? kDirBadArguments : (d ? kDirOk : kDirGeneralFailure);
    if (early != kDirOk) {
        DirectoryData empty{};
        empty.status = early;
        report(empty, completion);
        return early;
    }
    d->servers.assign(servers, servers + serverCount);
    d->timeout = timeout;
    d->identity = identity;
    if (cancel) d->cancel = cancel->state_;
    auto finish = [outServer, completion, report](DirectoryData& done) {
        if (outServer) *outServer = done.answered;
        report(done, completion);
    };
    if (!async) {
        RunRequest(*d);
        finish(*d);
        return d->status;
    }
    std::shared_ptr<DirectoryData> shared(std::move(d));
    if (!AsyncRequests().Start([shared, finish] {
            RunRequest(*shared);
            finish(*shared);
        })) {
        shared->status = kDirGeneralFailure;
        report(*shared, completion);
        return kDirGeneralFailure;
    }
    return kDirPending;
}

void ReportStatus(const DirectoryData& d, const DirResultContainer& completion) {
    if (!completion.IsEmpty()) completion.Complete(DirResult{d.status, d.answered});
}

void ReportList(const DirectoryData& d, const DirEntityListContainer& completion) {
    if (!completion.IsEmpty()) completion.Complete(DirEntityListResult{d.status, d.answered, d.entities});
}

std::unique_ptr<DirectoryData> MakeRequest(DirRequestKind kind, const std::u16string& path, const std::u16string& name,
                                           const void* netAddress, uint16_t netAddressLength) {
    std::unique_ptr<DirectoryData> d(new (std::nothrow) DirectoryData);
    if (!d) return d;
    d->kind = kind;
    d->path = path;
    d->name = name;
    if (netAddress && netAddressLength)
        d->netAddress.assign(static_cast<const char*>(netAddress), netAddressLength);
    return d;
}

std::u16string Wide(const char* text) { return text ? TarnCommon::NarrowToWide(text) : std::u16string(); }

}  // namespace

long DirAddEntityW(Identity* identity, const sockaddr_in* servers, uint32_t serverCount, sockaddr_in* outServer,
                   const std::u16string& path, const std::u16string& name, const std::u16string& displayName,
                   const void* netAddress, uint16_t netAddressLength, int32_t lifespan, uint8_t uniqueDisplayName,
                   uint8_t flag, const TarnCommon::DataObjectSet& dataObjects, long timeout, bool async,
                   const DirResultContainer& completion, DirCancel* cancel) {
    auto d = MakeRequest(kDirAdd, path, name, netAddress, netAddressLength);
    if (d) {
        d->displayName = displayName;
        d->lifespan = lifespan;
        d->uniqueDisplayName = uniqueDisplayName;
        d->flag = flag;
        d->dataObjects = dataObjects;
    }
    return Submit(identity, servers, serverCount, outServer, std::move(d), false, timeout, async, completion, cancel,
                  ReportStatus);
}

long DirAddEntityA(Identity* identity, const sockaddr_in* servers, uint32_t serverCount, sockaddr_in* outServer,
                   const char* path, const char* name, const char* displayName, const void* netAddress,
                   uint16_t netAddressLength, int32_t lifespan, uint8_t uniqueDisplayName, uint8_t flag,
                   const TarnCommon::DataObjectSet& dataObjects, long timeout, bool async,
                   const DirResultContainer& completion, DirCancel* cancel) {
    return DirAddEntityW(identity, servers, serverCount, outServer, Wide(path), Wide(name), Wide(displayName),
                         netAddress, netAddressLength, lifespan, uniqueDisplayName, flag, dataObjects, timeout, async,
                         completion, cancel);
}

long DirRemoveEntityW(Identity* identity, const sockaddr_in* servers, uint32_t serverCount, sockaddr_in* outServer,
                      const std::u16string& path, const std::u16string& name, const void* netAddress,
                      uint16_t netAddressLength, long timeout, bool async, const DirResultContainer& completion,
                      DirCancel* cancel) {
    return Submit(identity, servers, serverCount, outServer,
                  MakeRequest(kDirRemove, path, name, netAddress, netAddressLength), false, timeout, async,
                  completion, cancel, ReportStatus);
}

long DirRemoveEntityA(Identity* identity, const sockaddr_in* servers, uint32_t serverCount, sockaddr_in* outServer,
                      const char* path, const char* name, const void* netAddress, uint16_t netAddressLength,
                      long timeout, bool async, const DirResultContainer& completion, DirCancel* cancel) {
    return DirRemoveEntityW(identity, servers, serverCount, outServer, Wide(path), Wide(name), netAddress,
                            netAddressLength, timeout, async, completion, cancel);
}

long DirRenewEntityW(Identity* identity, const sockaddr_in* servers, uint32_t serverCount, sockaddr_in* outServer,
                     const std::u16string& path, const std::u16string& name, const void* netAddress,
                     uint16_t netAddressLength, int32_t lifespan, long timeout, bool async,
                     const DirResultContainer& completion, DirCancel* cancel) {
    auto d = MakeRequest(kDirRenew, path, name, netAddress, netAddressLength);
    if (d) d->lifespan = lifespan;
    return Submit(identity, servers, serverCount, outServer, std::move(d), false, timeout, async, completion, cancel,
                  ReportStatus);
}

long DirRenewEntityA(Identity* identity, const sockaddr_in* servers, uint32_t serverCount, sockaddr_in* outServer,
                     const char* path, const char* name, const void* netAddress, uint16_t netAddressLength,
                     int32_t lifespan, long timeout, bool async, const DirResultContainer& completion,
                     DirCancel* cancel) {
    return DirRenewEntityW(identity, servers, serverCount, outServer, Wide(path), Wide(name), netAddress,
                           netAddressLength, lifespan, timeout, async, completion, cancel);
}

long DirSetDataObjectsW(Identity* identity, const sockaddr_in* servers, uint32_t serverCount, sockaddr_in* outServer,
                        const std::u16string& path, const std::u16string& name, const void* netAddress,
                        uint16_t netAddressLength, const TarnCommon::DataObjectSet& dataObjects, uint32_t setMode,
                        long timeout, bool async, const DirResultContainer& completion, DirCancel* cancel) {
    auto d = MakeRequest(kDirSetDataObjects, path, name, netAddress, netAddressLength);
    if (d) {
        d->dataObjects = dataObjects;
        d->setMode = setMode;
    }
    return Submit(identity, servers, serverCount, outServer, std::move(d), false, timeout, async, completion, cancel,
                  ReportStatus);
}

long DirSetDataObjectsA(Identity* identity, const sockaddr_in* servers, uint32_t serverCount, sockaddr_in* outServer,
                        const char* path, const char* name, const void* netAddress, uint16_t netAddressLength,
                        const TarnCommon::DataObjectSet& dataObjects, uint32_t setMode, long timeout, bool async,
                        const DirResultContainer& completion, DirCancel* cancel) {
    return DirSetDataObjectsW(identity, servers, serverCount, outServer, Wide(path), Wide(name), netAddress,
                              netAddressLength, dataObjects, setMode, timeout, async, completion, cancel);
}

long DirQueryW(Identity* identity, const sockaddr_in* servers, uint32_t serverCount, sockaddr_in* outServer,
               const std::u16string& path, std::vector<DirEntity>* entities, uint32_t getFlags,
               const TarnCommon::DataObjectSet& types, const DirEntityFunction& perEntity, long timeout, bool async,
               const DirEntityListContainer& completion, DirCancel* cancel) {
    auto d = MakeRequest(kDirGetEntity, path, u"", nullptr, 0);
    if (d) {
        d->serviceKey = false;
        d->getFlags = getFlags;
        d->types = types;
        d->perEntity = perEntity;
        if (entities) d->entities = entities;
    }
    return Submit(identity, servers, serverCount, outServer, std::move(d), getFlags == 0, timeout, async, completion,
                  cancel, ReportList);
}

long DirQueryA(Identity* identity, const sockaddr_in* servers, uint32_t serverCount, sockaddr_in* outServer,
               const char* path, std::vector<DirEntity>* entities, uint32_t getFlags,
               const TarnCommon::DataObjectSet& types, const DirEntityFunction& perEntity, long timeout, bool async,
               const DirEntityListContainer& completion, DirCancel* cancel) {
    return DirQueryW(identity, servers, serverCount, outServer, Wide(path), entities, getFlags, types, perEntity,
                     timeout, async, completion, cancel);
}

void DirWaitForRequests() { AsyncRequests().WaitAll(); }

}  // namespace TarnAPI
