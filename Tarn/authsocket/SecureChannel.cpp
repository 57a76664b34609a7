#include "Tarn/authsocket/SecureChannel.h"

namespace TarnAPI {

Bytes SecureChannel::Encode(const uint8_t* bytes, size_t length) {
    uint8_t header = 2;
    if (length > 0 && (bytes[0] == 3 || bytes[0] == 5 || bytes[0] == 7)) {
        header = static_cast<uint8_t>(bytes[0] + 1);
        ++bytes;
        --length;
    }
    Bytes plain;
    plain.reserve(length + 2);
    if (sequenced) {
        plain.push_back(static_cast<uint8_t>(sendSequence));
        plain.push_back(static_cast<uint8_t>(sendSequence >> 8));
    }
    for (size_t i = 0; i < length; ++i) plain.push_back(bytes[i]);
    Bytes cipher;
    if (!plain.empty()) {
        cipher = key.Encrypt(plain.data(), plain.size());
        if (cipher.empty()) return {};
    }
    if (sequenced) ++sendSequence;
    Bytes body;
    body.reserve(3 + cipher.size());
    body.push_back(header);
    if (sessionMode) {
        body.push_back(static_cast<uint8_t>(sessionId));
        body.push_back(static_cast<uint8_t>(sessionId >> 8));
    }
    for (uint8_t b : cipher) body.push_back(b);
    return body;
}

bool SecureChannel::Decode(const uint8_t* body, size_t length, bool datagram, Bytes& out) {
    out.clear();
    if (!body || length == 0 || !IsEncryptedType(body[0])) return false;
    const uint8_t header = body[0];
    size_t at = 1;
    if (sessionMode) {
        if (length < at + 2) return false;
        const uint16_t id = static_cast<uint16_t>(body[at] | body[at + 1] << 8);
        if (id != sessionId) return false;
        at += 2;
    }
    Bytes plain;
    if (at < length) {
        plain = key.Decrypt(body + at, length - at);
        if (plain.empty()) return false;
    }
    size_t skip = 0;
    if (sequenced) {
        if (plain.size() < 2) return false;
        const uint16_t s = static_cast<uint16_t>(plain[0] | plain[1] << 8);
        if (datagram ? static_cast<int16_t>(s - recvSequence) < 0 : s != recvSequence) return false;
        recvSequence = static_cast<uint16_t>(s + 1);
        skip = 2;
    }
    if (header == 4 || header == 6 || header == 8) out.push_back(static_cast<uint8_t>(header - 1));
    out.insert(out.end(), plain.begin() + static_cast<long>(skip), plain.end());
    return true;
}

}  // namespace TarnAPI
