#pragma once
// Body values shared by the directory messages: byte strings with a one-byte or a 16-bit length,
// lists of data objects, and the message-type check. A value too long for its length field cannot be
// framed and throws BadMsgException instead of writing a length that does not match the bytes.
#include <cstdint>
#include <string>
#include <string_view>

#include "Tarn/common/DataObject.h"
#include "Tarn/msg/Messages.h"

namespace TarnMsg::DirWire {

constexpr uint32_t kServiceType = 2;

void AppendBytes8(TRawMsg& msg, std::string_view bytes);
std::string ReadBytes8(TRawMsg& msg);
void AppendBytes16(TRawMsg& msg, std::string_view bytes);
std::string ReadBytes16(TRawMsg& msg);
// A count that must fit in 16 bits.
void AppendCount(TRawMsg& msg, size_t count);

// Short count, then per object its type (one-byte length) and its data (16-bit length).
void PackObjects(TRawMsg& msg, const TarnCommon::DataObjectSet& set);
void UnpackObjects(TRawMsg& msg, TarnCommon::DataObjectSet& set);
// Short count, then per object its type only (one-byte length); read back with empty data.
void PackTypes(TRawMsg& msg, const TarnCommon::DataObjectSet& set);
void UnpackTypes(TRawMsg& msg, TarnCommon::DataObjectSet& set);

// A header of service type 2 and the message type.
void InitHeader(SmallMessage& msg, uint32_t messageType);
// Gives the message a body of its own, writes the header and moves the writer past it.
void BeginPack(SmallMessage& msg, uint32_t messageType);

// Throws the class's BadMsgException unless the message is of service type 2 and accepted.
void CheckType(const BaseMessage& msg, bool accepted, int line, const char* file, const char* text);

}  // namespace TarnMsg::DirWire
