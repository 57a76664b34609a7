#include "Tarn/msg/Dir/SMsgDirG2Update.h"

#include "Tarn/msg/Dir/DirWire.h"

namespace TarnMsg {

using namespace DirWire;

namespace {
constexpr const char* kSourceAddDirectory = "Tarn\\msg\\Dir\\SMsgDirG2AddDirectory";
constexpr const char* kSourceAddService = "Tarn\\msg\\Dir\\SMsgDirG2AddService";
constexpr const char* kSourceRenew = "Tarn\\msg\\Dir\\SMsgDirG2RenewEntity";
constexpr const char* kSourceName = "Tarn\\msg\\Dir\\SMsgDirG2NameEntity";
constexpr const char* kSourceRemove = "Tarn\\msg\\Dir\\SMsgDirG2RemoveEntity";
constexpr const char* kSourceModifyDirectory = "Tarn\\msg\\Dir\\SMsgDirG2ModifyDirectory";
constexpr const char* kSourceModifyService = "Tarn\\msg\\Dir\\SMsgDirG2ModifyService";
constexpr const char* kSourceSetObjects = "Tarn\\msg\\Dir\\SMsgDirG2SetDataObjects";
constexpr const char* kSourceClearObjects = "Tarn\\msg\\Dir\\SMsgDirG2ClearDataObjects";

bool IsPair(uint32_t type, uint32_t first) { return type == first || type == first + 1; }
uint32_t Odd(bool flag) { return flag ? 1 : 0; }
}  // namespace

// ---- add and modify: the odd type of a pair is the extended form

SMsgDirG2AddDirectory::SMsgDirG2AddDirectory(bool extended)
    : SMsgDirG2UpdateExtendBase(kType + Odd(extended), extended) {}

const uint8_t* SMsgDirG2AddDirectory::Pack() {
    SetKeyKind(kDirectoryKey);
    BeginPack(kType + Odd(IsExtended()));
    AppendByte(entityFlags_);
    PackKey(*this);
    AppendWString(dirName_);
    AppendWString(displayName_);
    AppendLong(lifespan_);
    PackExtended();
    PackPeerData();
    return GetDataPtr();
}

void SMsgDirG2AddDirectory::Unpack() {
    const uint32_t type = GetMessageType();
    SetExtended(type & 1);
    SetKeyKind(kDirectoryKey);
    BaseMessage::Unpack();
    CheckType(*this, IsPair(type, kType), 116, kSourceAddDirectory, "Not a DirG2AddDirectory(Ex) message.");
    entityFlags_ = ReadByte();
    UnpackKey(*this);
    ReadWString(dirName_);
    ReadWString(displayName_);
    lifespan_ = ReadLong();
    UnpackExtended();
    UnpackPeerData();
}

SMsgDirG2AddService::SMsgDirG2AddService(bool extended) : SMsgDirG2UpdateExtendBase(kType + Odd(extended), extended) {
    SetKeyKind(kServiceKey);
}

const uint8_t* SMsgDirG2AddService::Pack() {
    SetKeyKind(kServiceKey);
    BeginPack(kType + Odd(IsExtended()));
    AppendByte(entityFlags_);
    PackKey(*this);
    AppendWString(displayName_);
    AppendLong(lifespan_);
    PackExtended();
    PackPeerData();
    return GetDataPtr();
}

void SMsgDirG2AddService::Unpack() {
    const uint32_t type = GetMessageType();
    SetExtended(type & 1);
    SetKeyKind(kServiceKey);
    BaseMessage::Unpack();
    CheckType(*this, IsPair(type, kType), 111, kSourceAddService, "Not a DirG2AddService(Ex) message.");
    entityFlags_ = ReadByte();
    UnpackKey(*this);
    ReadWString(displayName_);
    lifespan_ = ReadLong();
    UnpackExtended();
    UnpackPeerData();
}

SMsgDirG2ModifyDirectory::SMsgDirG2ModifyDirectory(bool extended)
    : SMsgDirG2UpdateExtendBase(kType + Odd(extended), extended) {}

const uint8_t* SMsgDirG2ModifyDirectory::Pack() {
    SetKeyKind(kDirectoryKey);
    BeginPack(kType + Odd(IsExtended()));
    AppendByte(entityFlags_);
    PackKey(*this);
    AppendWString(newName_);
    AppendWString(displayName_);
    AppendLong(lifespan_);
    PackExtended();
    PackPeerData();
    return GetDataPtr();
}

void SMsgDirG2ModifyDirectory::Unpack() {
    const uint32_t type = GetMessageType();
    SetExtended(type & 1);
    SetKeyKind(kDirectoryKey);
    BaseMessage::Unpack();
    CheckType(*this, IsPair(type, kType), 117, kSourceModifyDirectory, "Not a DirG2ModifyDirectory(Ex) message.");
    entityFlags_ = ReadByte();
    UnpackKey(*this);
    ReadWString(newName_);
    ReadWString(displayName_);
    lifespan_ = ReadLong();
    UnpackExtended();
    UnpackPeerData();
}

SMsgDirG2ModifyService::SMsgDirG2ModifyService(bool extended)
    : SMsgDirG2UpdateExtendBase(kType + Odd(extended), extended) {
    SetKeyKind(kServiceKey);
}

const uint8_t* SMsgDirG2ModifyService::Pack() {
    SetKeyKind(kServiceKey);
    BeginPack(kType + Odd(IsExtended()));
    AppendByte(entityFlags_);
    PackKey(*this);
    AppendWString(newName_);
    AppendBytes8(*this, newNetAddress_);
    AppendWString(displayName_);
    AppendLong(lifespan_);
    PackExtended();
    PackPeerData();
    return GetDataPtr();
}

void SMsgDirG2ModifyService::Unpack() {
    const uint32_t type = GetMessageType();
    SetExtended(type & 1);
    SetKeyKind(kServiceKey);
    BaseMessage::Unpack();
    CheckType(*this, IsPair(type, kType), 127, kSourceModifyService, "Not a DirG2ModifyService(Ex) message.");
    entityFlags_ = ReadByte();
    UnpackKey(*this);
    ReadWString(newName_);
    newNetAddress_ = ReadBytes8(*this);
    ReadWString(displayName_);
    lifespan_ = ReadLong();
    UnpackExtended();
    UnpackPeerData();
}

// ---- the others: the odd type of a pair is the service key

SMsgDirG2RenewEntity::SMsgDirG2RenewEntity(bool isService) : SMsgDirG2UpdateBase(kType + Odd(isService)) {
    SetKeyKind(isService ? kServiceKey : kDirectoryKey);
}

const uint8_t* SMsgDirG2RenewEntity::Pack() {
    BeginPack(kType + Odd(IsServiceKey()));
    PackKey(*this);
    AppendLong(lifespan_);
    PackPeerData();
    return GetDataPtr();
}

void SMsgDirG2RenewEntity::Unpack() {
    const uint32_t type = GetMessageType();
    SetKeyKind(type & 1 ? kServiceKey : kDirectoryKey);
    BaseMessage::Unpack();
    CheckType(*this, IsPair(type, kType), 99, kSourceRenew, "Not a DirG2RenewEntity message.");
    UnpackKey(*this);
    lifespan_ = ReadLong();
    UnpackPeerData();
}

SMsgDirG2NameEntity::SMsgDirG2NameEntity(bool isService) : SMsgDirG2UpdateBase(kType + Odd(isService)) {
    SetKeyKind(isService ? kServiceKey : kDirectoryKey);
}

const uint8_t* SMsgDirG2NameEntity::Pack() {
    BeginPack(kType + Odd(IsServiceKey()));
    AppendByte(nameFlag_ ? 1 : 0);
    PackKey(*this);
    AppendWString(displayName_);
    PackPeerData();
    return GetDataPtr();
}

void SMsgDirG2NameEntity::Unpack() {
    const uint32_t type = GetMessageType();
    SetKeyKind(type & 1 ? kServiceKey : kDirectoryKey);
    BaseMessage::Unpack();
    CheckType(*this, IsPair(type, kType), 104, kSourceName, "Not a DirG2NameEntity message.");
    nameFlag_ = ReadByte() != 0;
    UnpackKey(*this);
    ReadWString(displayName_);
    UnpackPeerData();
}

SMsgDirG2RemoveEntity::SMsgDirG2RemoveEntity(bool isService) : SMsgDirG2UpdateBase(kType + Odd(isService)) {
    SetKeyKind(isService ? kServiceKey : kDirectoryKey);
}

const uint8_t* SMsgDirG2RemoveEntity::Pack() {
    BeginPack(kType + Odd(IsServiceKey()));
    PackKey(*this);
    PackPeerData();
    return GetDataPtr();
}

void SMsgDirG2RemoveEntity::Unpack() {
    const uint32_t type = GetMessageType();
    SetKeyKind(type & 1 ? kServiceKey : kDirectoryKey);
    BaseMessage::Unpack();
    CheckType(*this, IsPair(type, kType), 93, kSourceRemove, "Not a DirG2RemoveEntity message.");
    UnpackKey(*this);
    UnpackPeerData();
}

SMsgDirG2SetDataObjects::SMsgDirG2SetDataObjects(bool isService)
    : SMsgDirG2UpdateExtendBase(kType + Odd(isService), true) {
    SetKeyKind(isService ? kServiceKey : kDirectoryKey);
}

const uint8_t* SMsgDirG2SetDataObjects::Pack() {
    SetExtended(true);
    BeginPack(kType + Odd(IsServiceKey()));
    AppendByte(static_cast<uint8_t>(setMode_));
    PackKey(*this);
    PackExtended();
    PackPeerData();
    return GetDataPtr();
}

void SMsgDirG2SetDataObjects::Unpack() {
    const uint32_t type = GetMessageType();
    SetKeyKind(type & 1 ? kServiceKey : kDirectoryKey);
    SetExtended(true);
    BaseMessage::Unpack();
    CheckType(*this, IsPair(type, kType), 102, kSourceSetObjects, "Not a DirG2SetDataObjects message.");
    setMode_ = ReadByte();
    UnpackKey(*this);
    UnpackExtended();
    UnpackPeerData();
}

SMsgDirG2ClearDataObjects::SMsgDirG2ClearDataObjects(bool isService) : SMsgDirG2UpdateBase(kType + Odd(isService)) {
    SetKeyKind(isService ? kServiceKey : kDirectoryKey);
}

const uint8_t* SMsgDirG2ClearDataObjects::Pack() {
    BeginPack(kType + Odd(IsServiceKey()));
    PackKey(*this);
    PackTypes(*this, types_);
    PackPeerData();
    return GetDataPtr();
}

void SMsgDirG2ClearDataObjects::Unpack() {
    const uint32_t type = GetMessageType();
    SetKeyKind(type & 1 ? kServiceKey : kDirectoryKey);
    BaseMessage::Unpack();
    CheckType(*this, IsPair(type, kType), 111, kSourceClearObjects, "Not a DirG2ClearDataObjects message.");
    UnpackKey(*this);
    UnpackTypes(*this, types_);
    UnpackPeerData();
}

SMsgDirG2AddDirectory::SMsgDirG2AddDirectory(const SmallMessage& received) : SMsgDirG2UpdateExtendBase(received) { Unpack(); }

SMsgDirG2AddService::SMsgDirG2AddService(const SmallMessage& received) : SMsgDirG2UpdateExtendBase(received) { Unpack(); }

SMsgDirG2ModifyDirectory::SMsgDirG2ModifyDirectory(const SmallMessage& received) : SMsgDirG2UpdateExtendBase(received) { Unpack(); }

SMsgDirG2ModifyService::SMsgDirG2ModifyService(const SmallMessage& received) : SMsgDirG2UpdateExtendBase(received) { Unpack(); }

SMsgDirG2RenewEntity::SMsgDirG2RenewEntity(const SmallMessage& received) : SMsgDirG2UpdateBase(received) { Unpack(); }

SMsgDirG2NameEntity::SMsgDirG2NameEntity(const SmallMessage& received) : SMsgDirG2UpdateBase(received) { Unpack(); }

SMsgDirG2RemoveEntity::SMsgDirG2RemoveEntity(const SmallMessage& received) : SMsgDirG2UpdateBase(received) { Unpack(); }

SMsgDirG2SetDataObjects::SMsgDirG2SetDataObjects(const SmallMessage& received) : SMsgDirG2UpdateExtendBase(received) { Unpack(); }

SMsgDirG2ClearDataObjects::SMsgDirG2ClearDataObjects(const SmallMessage& received) : SMsgDirG2UpdateBase(received) { Unpack(); }

}  // namespace TarnMsg
