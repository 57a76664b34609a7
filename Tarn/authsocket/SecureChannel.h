#pragma once
// The encrypted message body of an authenticated session, as both ends write and read it:
//   u8   header type: 4, 6 or 8 when the plain message began with 3, 5 or 7 (that byte is taken off),
//        2 otherwise (a receiver also takes 12 for 2)
//   i16  session id, in session mode only
//   rest Blowfish ciphertext of [u16 sequence number, when sequenced][the message bytes]; absent when
//        that plaintext is empty
// Sequence numbers start at 1 on each side after an exchange; a stream must bring exactly the number
// expected, a datagram at least it.
#include <cstdint>
#include <vector>

#include "Tarn/crypt/BFSymmetricKey.h"

namespace TarnAPI {

using Bytes = std::vector<uint8_t>;

struct SecureChannel {
    TarnCrypt::BFSymmetricKey key;
    uint16_t sessionId = 0;
    bool sessionMode = true;
    bool sequenced = true;
    uint16_t sendSequence = 1;
    uint16_t recvSequence = 1;

    static bool IsEncryptedType(uint8_t first) { return first == 2 || first == 4 || first == 6 || first == 8 || first == 12; }
    // Empty when the key cannot encrypt (the send sequence is left as it was).
    Bytes Encode(const uint8_t* bytes, size_t length);
    // Empty when the body does not decode: another session id, a failed decryption, a sequence
    // number out of order. The receive sequence moves only for a body that decodes.
    bool Decode(const uint8_t* body, size_t length, bool datagram, Bytes& out);
};

}  // namespace TarnAPI
