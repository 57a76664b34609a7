#pragma once
// The socket functions the layer calls, bound in one table: the POSIX socket interface in place of
// the run-time loaded Windows Sockets library. Every socket call of the layer goes through the table,
// which also lets a test replace one entry to provoke a failure.
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/types.h>

#include <cstdint>

namespace TarnAPI {

// Commands of ioctlsocket.
constexpr long kIoctlNonBlocking = 1;  // argument: 1 to switch on
constexpr long kIoctlBytesReadable = 2;  // argument: receives the count

struct WinsockTable {
    // Interface version in use: 2 once loaded, 0 when not loaded (every entry then empty).
    uint32_t version = 0;

    int (*socket)(int family, int type, int protocol) = nullptr;
    int (*closesocket)(int handle) = nullptr;
    int (*connect)(int handle, const sockaddr* address, socklen_t length) = nullptr;
    int (*ioctlsocket)(int handle, long command, uint32_t* argument) = nullptr;
    int (*getsockname)(int handle, sockaddr* address, socklen_t* length) = nullptr;
    int (*getsockopt)(int handle, int level, int name, void* value, socklen_t* length) = nullptr;
    int (*setsockopt)(int handle, int level, int name, const void* value, socklen_t length) = nullptr;
    ssize_t (*recv)(int handle, void* buffer, size_t length, int flags) = nullptr;
    ssize_t (*recvfrom)(int handle, void* buffer, size_t length, int flags, sockaddr* from,
                        socklen_t* fromLength) = nullptr;
    ssize_t (*send)(int handle, const void* buffer, size_t length, int flags) = nullptr;
    ssize_t (*sendto)(int handle, const void* buffer, size_t length, int flags, const sockaddr* to,
                      socklen_t toLength) = nullptr;
    int (*shutdown)(int handle, int how) = nullptr;
    // poll stands in for select and its descriptor-set test: no limit on handle numbers.
    int (*poll)(pollfd* handles, nfds_t count, int timeoutMs) = nullptr;
    int (*WSAGetLastError)() = nullptr;
    uint16_t (*htonsFn)(uint16_t value) = nullptr;  // htons/ntohs are macros in the C library
    uint16_t (*ntohsFn)(uint16_t value) = nullptr;
    in_addr_t (*inet_addr)(const char* text) = nullptr;
    // getaddrinfo stands in for gethostbyname, which is not safe to call from several threads.
    int (*getaddrinfo)(const char* host, const char* service, const addrinfo* hints, addrinfo** result) = nullptr;
    void (*freeaddrinfo)(addrinfo* list) = nullptr;
    int (*gethostname)(char* name, size_t length) = nullptr;

    WinsockTable() { Load(); }
    ~WinsockTable() { Unload(); }
    WinsockTable(const WinsockTable&) = delete;
    WinsockTable& operator=(const WinsockTable&) = delete;

    // Binds every entry; result the version (2).
    uint32_t Load();
    // Clears every entry; nothing happens when already unloaded.
    void Unload();
    // True when every entry the layer needs is bound.
    bool IsComplete() const;
};

// The process-wide table the socket layer uses.
WinsockTable& GetWinsockTable();

}  // namespace TarnAPI
