#pragma once
// The key bytes: a DER SEQUENCE of INTEGERs, written and read by hand because the library's own key
// classes now use other encodings.
#include <cryptopp/integer.h>

#include <vector>

#include "Tarn/crypt/CryptKeyBase.h"

namespace TarnCrypt {

Bytes EncodeIntegers(const std::vector<CryptoPP::Integer>& values);
// Exactly count integers in one SEQUENCE filling the bytes; throws CryptoPP::BERDecodeErr otherwise.
std::vector<CryptoPP::Integer> DecodeIntegers(const Bytes& bytes, size_t count);

}  // namespace TarnCrypt
