#pragma once
// Helpers of the directory message tests: byte vectors, and reading a message from bytes.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "Tarn/common/EventLog.h"
#include "Tarn/msg/BadMsgException.h"
#include "Tarn/msg/Messages.h"
#include "Tarn/msg/tests/ReceiveSupport.h"

namespace TarnMsg::test {

inline SmallMessage Received(const Bytes& bytes) {
    return SmallMessage(static_cast<uint32_t>(bytes.size()), bytes.data());
}

inline Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

// The text of the BadMsgException that reading the bytes as T throws ("" when none is thrown).
template <class T>
std::string ThrownText(const Bytes& bytes) {
    return ThrownText<T, SmallMessage>(bytes);
}

class DirTest : public ::testing::Test {
protected:
    void SetUp() override { TarnCommon::SetEventLogFolder("/nonexistent-folder-for-tests"); }
    void TearDown() override { TarnCommon::SetEventLogFolder(""); }
};

}  // namespace TarnMsg::test
