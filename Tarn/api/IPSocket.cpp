#include <arpa/inet.h>
#include <netdb.h>

#include <cstring>
#include <string>

#include "Tarn/api/WSSocket.h"
#include "Tarn/api/WinsockTable.h"

namespace TarnAPI {

bool IPSocket::MakeAddress(const char* host, uint16_t port, sockaddr_in& out) {
    WinsockTable& api = GetWinsockTable();
    if (!api.IsComplete()) return false;
    const std::string name = host ? host : "";
    std::memset(&out, 0, sizeof out);
    out.sin_family = AF_INET;
    out.sin_port = api.htonsFn(port);
    in_addr_t address = api.inet_addr(name.c_str());
    if (address == INADDR_NONE && name != "255.255.255.255") {
        if (name.empty()) return false;
        addrinfo hints{};
        hints.ai_family = AF_INET;
        addrinfo* found = nullptr;
        if (api.getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0 || !found) return false;
        address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
        api.freeaddrinfo(found);
    }
    out.sin_addr.s_addr = address;
    return true;
}

sockaddr_in IPSocket::MakeAddress(uint32_t hostOrderAddress, uint16_t port) {
    sockaddr_in out{};
    out.sin_family = AF_INET;
    out.sin_port = htons(port);
    out.sin_addr.s_addr = htonl(hostOrderAddress);
    return out;
}

bool IPSocket::MakeAddress(const char* hostAndPort, sockaddr_in& out) {
    const std::string text = hostAndPort ? hostAndPort : "";
    const size_t colon = text.find(':');
    if (colon == std::string::npos) return MakeAddress(text.c_str(), 0, out);
    const std::string portText = text.substr(colon + 1);
    // The port must be a plain decimal number that fits 16 bits.
    if (portText.empty() || portText.size() > 5) return false;
    unsigned long port = 0;
    for (char ch : portText) {
        if (ch < '0' || ch > '9') return false;
        port = port * 10 + static_cast<unsigned long>(ch - '0');
    }
    if (port > 65535) return false;
    return MakeAddress(text.substr(0, colon).c_str(), static_cast<uint16_t>(port), out);
}

bool IPSocket::MakeLocalAddress(uint16_t port, sockaddr_in& out) {
    WinsockTable& api = GetWinsockTable();
    if (!api.IsComplete()) return false;
    char name[256] = {};
    if (api.gethostname(name, sizeof name - 1) != 0) return false;
    return MakeAddress(name, port, out);
}

uint16_t IPSocket::GetPort(const sockaddr_in& address) { return ntohs(address.sin_port); }

TCPSocket::TCPSocket(const sockaddr_in& address, bool closeOnPeerClose, long recvBufferSize, long sendBufferSize)
    : IPSocket(AF_INET, SOCK_STREAM, IPPROTO_TCP, address, closeOnPeerClose, recvBufferSize, sendBufferSize) {}

long TCPSocket::Write(long length, const void* buffer) { return Send(length, buffer, -1, false, false, {}); }

long TCPSocket::Read(long length, void* buffer) { return Recv(length, buffer, -1, false, {}); }

UDPSocket::UDPSocket(const sockaddr_in& address, long recvBufferSize, long sendBufferSize)
    : IPSocket(AF_INET, SOCK_DGRAM, IPPROTO_UDP, address, false, recvBufferSize, sendBufferSize) {}

}  // namespace TarnAPI
