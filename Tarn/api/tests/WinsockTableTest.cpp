#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <sys/socket.h>

#include "Tarn/api/WSSocket.h"
#include "Tarn/api/WinsockTable.h"

using namespace TarnAPI;

namespace {

TEST(WinsockTableTest, LoadBindsEveryEntryAndUnloadClearsThem) {
    WinsockTable table;
    EXPECT_EQ(table.version, 2u);
    EXPECT_TRUE(table.IsComplete());
    table.Unload();
    EXPECT_EQ(table.version, 0u);
    EXPECT_EQ(table.socket, nullptr);
    EXPECT_EQ(table.poll, nullptr);
    table.Unload();  // a second time does nothing
    EXPECT_FALSE(table.IsComplete());
    EXPECT_EQ(table.Load(), 2u);
    EXPECT_TRUE(table.IsComplete());
}

TEST(WinsockTableTest, AnUnloadedTableFailsTheOpenInsteadOfCallingEmptyEntries) {
    WinsockTable& table = GetWinsockTable();
    table.Unload();
    {
        TCPSocket socket(IPSocket::MakeAddress(INADDR_LOOPBACK, 9));
        EXPECT_EQ(socket.Open(1000, false, {}), kOpenFailed);
        EXPECT_FALSE(socket.IsOpen());
    }
    table.Load();
}

TEST(WinsockTableTest, ABufferSizeIsAFloorThatKeepsTheSystemsLargerBuffers) {
    WinsockTable& table = GetWinsockTable();
    for (int name : {SO_RCVBUF, SO_SNDBUF}) {
        SCOPED_TRACE(name);
        const int handle = table.socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        ASSERT_GE(handle, 0);
        auto size = [&] {
            int value = 0;
            socklen_t length = sizeof value;
            EXPECT_EQ(table.getsockopt(handle, SOL_SOCKET, name, &value, &length), 0);
            return value;
        };
        const int before = size();
        const int small = 8192;
        EXPECT_EQ(table.setsockopt(handle, SOL_SOCKET, name, &small, sizeof small), 0);
        EXPECT_EQ(size(), before);  // not pinned down to 8 KB
        const int large = before + 65536;
        EXPECT_EQ(table.setsockopt(handle, SOL_SOCKET, name, &large, sizeof large), 0);
        EXPECT_GT(size(), before);
        table.closesocket(handle);
    }
}

TEST(AddressTest, BuildsAddressesFromTextsAndNumbers) {
    struct Case {
        const char* text;
        bool ok;
        uint16_t port;
        const char* address;
    };
    const Case cases[] = {
        {"127.0.0.1:15101", true, 15101, "127.0.0.1"},
        {"10.1.2.3:0", true, 0, "10.1.2.3"},
        {"127.0.0.1", true, 0, "127.0.0.1"},
        {"localhost:80", true, 80, "127.0.0.1"},
        {"127.0.0.1:65536", false, 0, nullptr},
        {"127.0.0.1:12ab", false, 0, nullptr},
        {"127.0.0.1:", false, 0, nullptr},
        {"127.0.0.1:-1", false, 0, nullptr},
        {"", false, 0, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        sockaddr_in out{};
        ASSERT_EQ(IPSocket::MakeAddress(c.text, out), c.ok);
        if (!c.ok) continue;
        EXPECT_EQ(out.sin_family, AF_INET);
        EXPECT_EQ(IPSocket::GetPort(out), c.port);
        char text[INET_ADDRSTRLEN];
        inet_ntop(AF_INET, &out.sin_addr, text, sizeof text);
        EXPECT_STREQ(text, c.address);
    }
    const sockaddr_in numeric = IPSocket::MakeAddress(0x7F000001u, 300);
    EXPECT_EQ(IPSocket::GetPort(numeric), 300);
    EXPECT_EQ(numeric.sin_addr.s_addr, htonl(0x7F000001u));
}

}  // namespace
