#pragma once
// Helpers of the message tests and fuzz targets: the packed bytes of a message, and reading bytes as a
// message class the way a receiver does.
#include <cstdint>
#include <string>
#include <vector>

#include "Tarn/msg/BadMsgException.h"
#include "Tarn/msg/Messages.h"

namespace TarnMsg::test {

using Bytes = std::vector<uint8_t>;

inline Bytes Packed(BaseMessage& msg) {
    const uint8_t* at = msg.Pack();
    return Bytes(at, at + msg.GetDataLen());
}

// The text of the BadMsgException that reading the bytes as T (received as a Header message) throws;
// "" when none is thrown.
template <class T, class Header>
std::string ThrownText(const Bytes& bytes) {
    try {
        T msg(Header(static_cast<uint32_t>(bytes.size()), bytes.data()));
        (void)msg;
    } catch (BadMsgException& e) {
        e.SetLogged(false);
        return e.GetText();
    }
    return "";
}

// Reads the received message as T and packs what was read; a malformed message only throws
// BadMsgException, which is dealt with here.
template <class T, class Header>
void TryRead(const Header& received) {
    try {
        T msg(received);
        msg.Pack();
    } catch (BadMsgException& e) {
        e.SetLogged(false);
    }
}

}  // namespace TarnMsg::test
