#pragma once
// Test keys (made by tools/tarn-testkeys and kept with the sources) and hex helpers.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "Tarn/common/EventLog.h"
#include "Tarn/crypt/CryptKeyBase.h"

namespace TarnCrypt::test {

// The bytes of Tarn/crypt/tests/keys/<name>.
inline Bytes LoadKeyFile(const std::string& name) {
    std::ifstream in(std::string(GRAVELON_SOURCE_DIR) + "/Tarn/crypt/tests/keys/" + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline Bytes FromHex(const std::string& hex) {
    Bytes out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) out.push_back(static_cast<uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    return out;
}

inline std::string ToHex(const Bytes& bytes) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (uint8_t b : bytes) {
        out.push_back(digits[b >> 4]);
        out.push_back(digits[b & 15]);
    }
    return out;
}

inline Bytes ToBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

// Library errors are logged on purpose in these tests; the log goes nowhere.
class CryptTest : public ::testing::Test {
protected:
    void SetUp() override { TarnCommon::SetEventLogFolder("/nonexistent-folder-for-tests"); }
    void TearDown() override { TarnCommon::SetEventLogFolder(""); }
};

}  // namespace TarnCrypt::test
