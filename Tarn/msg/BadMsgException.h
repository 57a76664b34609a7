#pragma once
// The exception for a malformed message: a short read, a bad length, a message of the wrong type.
#include "Tarn/common/TarnException.h"

namespace TarnMsg {

class BaseMessage;

// Code carried by every exception the message classes throw.
constexpr int kBadMsgCode = 1001;
// Source name reported by the framing's own checks.
inline constexpr const char* kFramingSource = "Tarn\\msg\\tmessage";

class BadMsgException : public TarnCommon::TarnException {
public:
    BadMsgException(int code, int line = 0, const char* file = nullptr, const char* text = nullptr)
        : TarnException(code, line, file, text) {}
    // Code 1001, with a text naming the message that failed (its class, types and length).
    BadMsgException(const BaseMessage& message, int line, const char* file, const char* text = nullptr);
    BadMsgException(const BadMsgException&) = default;
    ~BadMsgException() override = default;
};

}  // namespace TarnMsg
