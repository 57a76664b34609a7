#include "Tarn/crypt/KeyEncoding.h"

#include <cryptopp/asn.h>
#include <cryptopp/queue.h>

namespace TarnCrypt {

Bytes EncodeIntegers(const std::vector<CryptoPP::Integer>& values) {
    CryptoPP::ByteQueue queue;
    {
        CryptoPP::DERSequenceEncoder seq(queue);
        for (const CryptoPP::Integer& v : values) v.DEREncode(seq);
        seq.MessageEnd();
    }
    Bytes out(static_cast<size_t>(queue.MaxRetrievable()));
    queue.Get(out.data(), out.size());
    return out;
}

std::vector<CryptoPP::Integer> DecodeIntegers(const Bytes& bytes, size_t count) {
    CryptoPP::ByteQueue queue;
    queue.Put(bytes.data(), bytes.size());
    std::vector<CryptoPP::Integer> values(count);
    {
        CryptoPP::BERSequenceDecoder seq(queue);
        for (CryptoPP::Integer& v : values) v.BERDecode(seq);
        seq.MessageEnd();
    }
    if (queue.MaxRetrievable() != 0) CryptoPP::BERDecodeError();
    return values;
}

}  // namespace TarnCrypt
