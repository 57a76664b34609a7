#pragma once
// The exception of the key classes. Code 2: a call the key cannot serve (no bytes, a public key asked to
// make itself); code 9: an error of the cryptographic library, its message as the text.
#include "Tarn/common/TarnException.h"

namespace TarnCrypt {

constexpr int kCryptBadCallCode = 2;
constexpr int kCryptLibraryCode = 9;

class CryptException : public TarnCommon::TarnException {
public:
    CryptException(int code, int line = 0, const char* file = nullptr, const char* text = nullptr)
        : TarnException(code, line, file, text) {}
    CryptException(const CryptException&) = default;
    ~CryptException() override = default;
};

}  // namespace TarnCrypt
