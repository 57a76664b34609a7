#pragma once
// The directory client: publishes, renews, updates and removes service entries and reads directories
// on the directory servers. Every call builds one request record, tries the servers in the order
// given over a message socket with a 4-byte length prefix, sends one request, reads the reply and
// reports the result through a completion: synchronously (the call blocks until the result) or
// asynchronously (the call returns kDirPending and the completion runs on a thread of the client).
#include <netinet/in.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Tarn/api/Completion.h"
#include "Tarn/common/DataObject.h"
#include "Tarn/msg/Dir/DirEntity.h"

namespace TarnAPI {

class Identity;
class TMsgSocket;

// Status values of the client; any other value is the status a directory server replied.
constexpr long kDirOk = 0;
constexpr long kDirGeneralFailure = 100001;  // no request record, no socket, or an identity without a certificate
constexpr long kDirNoReply = 100009;         // no message came while the receiving side stayed open
constexpr long kDirPending = 100010;         // asynchronous: the result comes through the completion
constexpr long kDirClosed = 100011;          // no message came and the receiving side closed
constexpr long kDirWrongReply = 100012;      // a reply of an unexpected type, or one that could not be read
constexpr long kDirBadArguments = 100014;    // no servers, a negative time-out, or get-flags of 0
constexpr long kDirCancelled = 100015;       // the request was cancelled through its cancel handle

// The request kinds of the request engine.
enum DirRequestKind : uint32_t {
    kDirAdd = 0,
    kDirModify = 1,
    kDirRenew = 2,
    kDirRemove = 3,
    kDirName = 4,
    kDirGetContents = 5,
    kDirGetCount = 6,
    kDirSetDataObjects = 7,
    kDirClearDataObjects = 8,
    kDirGetEntity = 9,
    kDirFindService = 10,
};

// The record of a server: an IPv4 socket address. The empty record (family 2, address 0xFFFFFFFF)
// stands for no server.
sockaddr_in EmptyServerRecord();
bool IsEmptyServerRecord(const sockaddr_in& record);

struct DirResult {
    long status;
    sockaddr_in server;
};
struct DirEntityListResult {
    long status;
    sockaddr_in server;
    const std::vector<TarnMsg::DirEntity>* entities;  // valid for the completion's run only
};
using DirResultContainer = CompletionContainer<const DirResult&>;
using DirEntityListContainer = CompletionContainer<const DirEntityListResult&>;
// Called for every entity a query brings, before it is added to the list, on the requesting thread.
using DirEntityFunction = std::function<void(const TarnMsg::DirEntity&)>;

// Lets another thread end a request early: Cancel closes the socket the request is using, and every
// later step of the request ends with kDirCancelled. One handle may serve several requests in turn.
class DirCancel {
public:
    DirCancel();
    ~DirCancel();
    DirCancel(const DirCancel&) = delete;
    DirCancel& operator=(const DirCancel&) = delete;
    void Cancel();
    bool IsCancelled() const;
    // Clears the cancelled state for the next request.
    void Reset();

    struct State;
    std::shared_ptr<State> state_;
};

// Every call: identity (none: plain requests; else the identity logs in when its certificate needs it and
// every request travels in an authenticated, encrypted session), the servers
// (host:port records) and their count, the record that takes the server that answered (or none), then
// the request's own arguments, then the time-out in milliseconds for each connect and each receive,
// the asynchronous flag, the completion, and optionally a cancel handle.
long DirAddEntityW(Identity* identity, const sockaddr_in* servers, uint32_t serverCount, sockaddr_in* outServer,
                   const std::u16string& path, const std::u16string& name, const std::u16string& displayName,
                   const void* netAddress, uint16_t netAddressLength, int32_t lifespan, uint8_t uniqueDisplayName,
                   uint8_t flag, const TarnCommon::DataObjectSet& dataObjects, long timeout, bool async,
                   const DirResultContainer& completion, DirCancel* cancel = nullptr);
long DirAddEntityA(Identity* identity, const sockaddr_in* servers, uint32_t serverCount, sockaddr_in* outServer,
                   const char* path, const char* name, const char* displayName, const void* netAddress,
                   uint16_t netAddressLength, int32_t lifespan, uint8_t uniqueDisplayName, uint8_t flag,
                   const TarnCommon::DataObjectSet& dataObjects, long timeout, bool async,
                   const DirResultContainer& completion, DirCancel* cancel = nullptr);

long DirRemoveEntityW(Identity* identity, const sockaddr_in* servers, uint32_t serverCount, sockaddr_in* outServer,
                      const std::u16string& path, const std::u16string& name, const void* netAddress,
                      uint16_t netAddressLength, long timeout, bool async, const DirResultContainer& completion,
                      DirCancel* cancel = nullptr);
long DirRemoveEntityA(Identity* identity, const sockaddr_in* servers, uint32_t serverCount, sockaddr_in* outServer,
                      const char* path, const char* name, const void* netAddress, uint16_t netAddressLength,
                      long timeout, bool async, const DirResultContainer& completion, DirCancel* cancel = nullptr);

long DirRenewEntityW(Identity* identity, const sockaddr_in* servers, uint32_t serverCount, sockaddr_in* outServer,
                     const std::u16string& path, const std::u16string& name, const void* netAddress,
                     uint16_t netAddressLength, int32_t lifespan, long timeout, bool async,
                     const DirResultContainer& completion, DirCancel* cancel = nullptr);
long DirRenewEntityA(Identity* identity, const sockaddr_in* servers, uint32_t serverCount, sockaddr_in* outServer,
                     const char* path, const char* name, const void* netAddress, uint16_t netAddressLength,
                     int32_t lifespan, long timeout, bool async, const DirResultContainer& completion,
                     DirCancel* cancel = nullptr);

long DirSetDataObjectsW(Identity* identity, const sockaddr_in* servers, uint32_t serverCount, sockaddr_in* outServer,
                        const std::u16string& path, const std::u16string& name, const void* netAddress,
                        uint16_t netAddressLength, const TarnCommon::DataObjectSet& dataObjects, uint32_t setMode,
                        long timeout, bool async, const DirResultContainer& completion, DirCancel* cancel = nullptr);
long DirSetDataObjectsA(Identity* identity, const sockaddr_in* servers, uint32_t serverCount, sockaddr_in* outServer,
                        const char* path, const char* name, const void* netAddress, uint16_t netAddressLength,
                        const TarnCommon::DataObjectSet& dataObjects, uint32_t setMode, long timeout, bool async,
                        const DirResultContainer& completion, DirCancel* cancel = nullptr);

// Reads the entries of a directory. The entities go to `entities` when given (else to the request's
// own list) and, one by one, to the per-entity function.
long DirQueryW(Identity* identity, const sockaddr_in* servers, uint32_t serverCount, sockaddr_in* outServer,
               const std::u16string& path, std::vector<TarnMsg::DirEntity>* entities, uint32_t getFlags,
               const TarnCommon::DataObjectSet& types, const DirEntityFunction& perEntity, long timeout, bool async,
               const DirEntityListContainer& completion, DirCancel* cancel = nullptr);
long DirQueryA(Identity* identity, const sockaddr_in* servers, uint32_t serverCount, sockaddr_in* outServer,
               const char* path, std::vector<TarnMsg::DirEntity>* entities, uint32_t getFlags,
               const TarnCommon::DataObjectSet& types, const DirEntityFunction& perEntity, long timeout, bool async,
               const DirEntityListContainer& completion, DirCancel* cancel = nullptr);

// Waits for every asynchronous request still running (their completions included) to end.
void DirWaitForRequests();

}  // namespace TarnAPI
