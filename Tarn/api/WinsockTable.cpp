#include "Tarn/api/WinsockTable.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace TarnAPI {
namespace {

int CloseHandle(int handle) { return ::close(handle); }

int IoctlSocket(int handle, long command, uint32_t* argument) {
    if (!argument) {
        errno = EFAULT;
        return -1;
    }
    if (command == kIoctlNonBlocking) {
        const int flags = ::fcntl(handle, F_GETFL, 0);
        if (flags < 0) return -1;
        const int wanted = *argument ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
        return ::fcntl(handle, F_SETFL, wanted);
    }
    if (command == kIoctlBytesReadable) {
        int count = 0;
        if (::ioctl(handle, FIONREAD, &count) < 0) return -1;
        *argument = count < 0 ? 0 : static_cast<uint32_t>(count);
        return 0;
    }
    errno = EINVAL;
    return -1;
}

// Buffer sizes are floors. Winsock's stream buffers of the time were 8 KB and the programs asked
// for about that much; Linux gives a TCP socket larger buffers that grow with the connection, and
// setting one pins it (doubled) for the socket's life. An 8 KB receive window makes a reply of a
// few dozen kilobytes wait on the reader several times on its way, so a size no bigger than what
// the socket already has is left to the system.
int SetSocketOption(int handle, int level, int name, const void* value, socklen_t length) {
    if (level == SOL_SOCKET && (name == SO_SNDBUF || name == SO_RCVBUF) && value && length == sizeof(int)) {
        int current = 0;
        socklen_t currentLength = sizeof current;
        int wanted;
        std::memcpy(&wanted, value, sizeof wanted);
        if (::getsockopt(handle, level, name, &current, &currentLength) == 0 && current >= wanted) return 0;
    }
    return ::setsockopt(handle, level, name, value, length);
}

int LastError() { return errno; }
uint16_t HostToNet16(uint16_t v) { return htons(v); }
uint16_t NetToHost16(uint16_t v) { return ntohs(v); }
int Poll(pollfd* handles, nfds_t count, int timeoutMs) { return ::poll(handles, count, timeoutMs); }
in_addr_t InetAddr(const char* text) { return ::inet_addr(text); }
int HostName(char* name, size_t length) { return ::gethostname(name, length); }

}  // namespace

uint32_t WinsockTable::Load() {
    Unload();
    socket = ::socket;
    closesocket = CloseHandle;
    connect = ::connect;
    ioctlsocket = IoctlSocket;
    getsockname = ::getsockname;
    getsockopt = ::getsockopt;
    setsockopt = SetSocketOption;
    recv = ::recv;
    recvfrom = ::recvfrom;
    send = ::send;
    sendto = ::sendto;
    shutdown = ::shutdown;
    poll = Poll;
    WSAGetLastError = LastError;
    htonsFn = HostToNet16;
    ntohsFn = NetToHost16;
    inet_addr = InetAddr;
    getaddrinfo = ::getaddrinfo;
    freeaddrinfo = ::freeaddrinfo;
    gethostname = HostName;
    version = 2;
    return version;
}

void WinsockTable::Unload() {
    if (version == 0) return;
    socket = nullptr;
    closesocket = nullptr;
    connect = nullptr;
    ioctlsocket = nullptr;
    getsockname = nullptr;
    getsockopt = nullptr;
    setsockopt = nullptr;
    recv = nullptr;
    recvfrom = nullptr;
    send = nullptr;
    sendto = nullptr;
    shutdown = nullptr;
    poll = nullptr;
    WSAGetLastError = nullptr;
    htonsFn = nullptr;
    ntohsFn = nullptr;
    inet_addr = nullptr;
    getaddrinfo = nullptr;
    freeaddrinfo = nullptr;
    gethostname = nullptr;
    version = 0;
}

bool WinsockTable::IsComplete() const {
    return version != 0 && socket && closesocket && connect && ioctlsocket && getsockname && getsockopt &&
           setsockopt && recv && recvfrom && send && sendto && shutdown && poll && WSAGetLastError && htonsFn &&
           ntohsFn && inet_addr && getaddrinfo && freeaddrinfo && gethostname;
}

WinsockTable& GetWinsockTable() {
    // Never destroyed: socket threads that end on their own may still be finishing at exit.
    static WinsockTable* table = new WinsockTable;
    return *table;
}

}  // namespace TarnAPI
