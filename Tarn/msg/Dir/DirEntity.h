#pragma once
// One directory entry (a directory or a service) as the directory replies carry it, and the field mask
// that says which of its fields travel.
#include <cstdint>
#include <string>

#include "Tarn/common/DataObject.h"

namespace TarnMsg {

// Bits of the field mask of queries and entity replies; a set bit puts the field on the wire.
namespace DirField {
constexpr uint32_t kServerOptions = 0xF;  // carried unchanged; not used by the encoding
constexpr uint32_t kType = 0x10;
constexpr uint32_t kDisplayName = 0x20;
constexpr uint32_t kNumberA = 0x40;
constexpr uint32_t kNumberB = 0x80;
constexpr uint32_t kNumberC = 0x100;
constexpr uint32_t kDataType = 0x200;
constexpr uint32_t kDataData = 0x400;
constexpr uint32_t kDataList = 0x800;
constexpr uint32_t kTrailer = 0x1000;
constexpr uint32_t kDirPath = 0x10000;
constexpr uint32_t kDirName = 0x20000;
constexpr uint32_t kDirByte = 0x40000;
constexpr uint32_t kServicePath = 0x1000000;
constexpr uint32_t kServiceName = 0x2000000;
constexpr uint32_t kServiceNetAddress = 0x4000000;
// The fields that belong to one kind of entry; the type must travel before them.
constexpr uint32_t kKindFields = 0x7070000;
}  // namespace DirField

struct DirEntity {
    static constexpr uint8_t kDirectory = 'D';
    static constexpr uint8_t kService = 'S';

    uint8_t type = 0;
    std::u16string path;
    std::u16string name;
    std::u16string displayName;
    uint32_t numberA = 0;  // the server's numbers, carried unchanged
    uint32_t numberB = 0;
    uint32_t numberC = 0;
    TarnCommon::DataObjectSet dataObjects;
    uint8_t directoryByte = 0;  // directories only
    std::string netAddress;     // services only, at most 255 bytes
};

}  // namespace TarnMsg
