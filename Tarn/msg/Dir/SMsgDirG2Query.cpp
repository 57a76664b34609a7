#include "Tarn/msg/Dir/SMsgDirG2Query.h"

#include "Tarn/msg/Dir/DirWire.h"

namespace TarnMsg {

using namespace DirWire;

namespace {
constexpr const char* kSourceContents = "Tarn\\msg\\Dir\\SMsgDirG2GetDirectoryContents";
constexpr const char* kSourceGetEntity = "Tarn\\msg\\Dir\\SMsgDirG2GetEntity";
constexpr const char* kSourceFind = "Tarn\\msg\\Dir\\SMsgDirG2FindService";
constexpr const char* kSourceNumEntities = "Tarn\\msg\\Dir\\SMsgDirG2GetNumEntities";
constexpr const char* kSourceStatus = "Tarn\\msg\\Dir\\SMsgDirG2StatusReply";
constexpr const char* kSourceSingle = "Tarn\\msg\\Dir\\SMsgDirG2SingleEntityReply";
constexpr const char* kSourceMulti = "Tarn\\msg\\Dir\\SMsgDirG2MultiEntityReply";
}  // namespace

// ---- GetDirectoryContents

SMsgDirG2GetDirectoryContents::SMsgDirG2GetDirectoryContents() : SMsgDirG2QueryBase(kType) {}
SMsgDirG2GetDirectoryContents::SMsgDirG2GetDirectoryContents(const SmallMessage& received)
    : SMsgDirG2QueryBase(received) {
    Unpack();
}

const uint8_t* SMsgDirG2GetDirectoryContents::Pack() {
    SetKeyKind(kDirectoryKey);
    SMsgDirG2QueryBase::BeginPack(kType);
    PackKey(*this);
    return GetDataPtr();
}

void SMsgDirG2GetDirectoryContents::Unpack() {
    SetKeyKind(kDirectoryKey);
    BaseMessage::Unpack();
    CheckType(*this, GetMessageType() == kType, 105, kSourceContents, "Not a DirG2GetDirectoryContents message.");
    UnpackKey(*this);
}

// ---- GetEntity

SMsgDirG2GetEntity::SMsgDirG2GetEntity(bool isService, bool extended)
    : SMsgDirG2QueryGetBase(kType + (isService ? 2 : 0) + (extended ? 1 : 0), extended) {
    SetKeyKind(isService ? kServiceKey : kDirectoryKey);
}

SMsgDirG2GetEntity::SMsgDirG2GetEntity(const SmallMessage& received) : SMsgDirG2QueryGetBase(received) { Unpack(); }

const uint8_t* SMsgDirG2GetEntity::Pack() {
    BeginPack(kType + (IsServiceKey() ? 2 : 0) + (IsExtended() ? 1 : 0));
    AppendLong(GetPackedFieldMask());
    if (!IsServiceKey()) AppendShort(number_);
    PackKey(*this);
    PackExtended();
    return GetDataPtr();
}

void SMsgDirG2GetEntity::Unpack() {
    const uint32_t type = GetMessageType();
    const bool known = type >= kType && type <= kType + 3;
    SetKeyKind(known && type >= kType + 2 ? kServiceKey : kDirectoryKey);
    SetExtended(known && ((type - kType) & 1));
    BaseMessage::Unpack();
    UnpackFieldMask();
    CheckType(*this, known, 126, kSourceGetEntity, "Not a DirG2GetEntity(Ex) message.");
    number_ = IsServiceKey() ? 0 : ReadShort();
    UnpackKey(*this);
    UnpackExtended();
}

// ---- FindService

SMsgDirG2FindService::SMsgDirG2FindService(bool extended) : SMsgDirG2QueryFindBase(kType + (extended ? 1 : 0), extended) {
    SetKeyKind(kServiceKey);
}

SMsgDirG2FindService::SMsgDirG2FindService(const SmallMessage& received) : SMsgDirG2QueryFindBase(received) {
    Unpack();
}

const uint8_t* SMsgDirG2FindService::Pack() {
    SetKeyKind(kServiceKey);
    BeginPack(kType + (IsExtended() ? 1 : 0));
    AppendLong(GetPackedFieldMask());
    AppendByte(static_cast<uint8_t>(GetFindMode()));
    AppendByte(GetFindFlags());
    AppendShort(number_);
    PackKey(*this);
    AppendWString(displayName_);
    if (IsExtended()) PackObjects(*this, findObjects_);
    PackExtended();
    return GetDataPtr();
}

void SMsgDirG2FindService::Unpack() {
    const uint32_t type = GetMessageType();
    SetKeyKind(kServiceKey);
    SetExtended(type == kType + 1);
    BaseMessage::Unpack();
    UnpackFieldMask();
    SetFindMode(ReadByte());
    SetFindFlags(ReadByte());
    CheckType(*this, type == kType || type == kType + 1, 100, kSourceFind, "Not a DirG2FindService(Ex) message.");
    number_ = ReadShort();
    UnpackKey(*this);
    ReadWString(displayName_);
    findObjects_.clear();
    if (IsExtended()) UnpackObjects(*this, findObjects_);
    UnpackExtended();
}

// ---- GetNumEntities

SMsgDirG2GetNumEntities::SMsgDirG2GetNumEntities() { InitHeader(*this, kType); }
SMsgDirG2GetNumEntities::SMsgDirG2GetNumEntities(const SmallMessage& received) : SmallMessage(received) { Unpack(); }

const uint8_t* SMsgDirG2GetNumEntities::Pack() {
    BeginPack(*this, kType);
    AppendCount(*this, requests_.size());
    for (const Request& request : requests_) {
        AppendWString(request.first);
        AppendShort(request.second);
    }
    return GetDataPtr();
}

void SMsgDirG2GetNumEntities::Unpack() {
    BaseMessage::Unpack();
    CheckType(*this, GetMessageType() == kType, 108, kSourceNumEntities, "Not a DirG2GetNumEntities message.");
    requests_.clear();
    const uint16_t count = ReadShort();
    for (uint32_t i = 0; i < count; ++i) {
        Request request;
        ReadWString(request.first);
        request.second = ReadShort();
        requests_.push_back(std::move(request));
    }
}

// ---- StatusReply

SMsgDirG2StatusReply::SMsgDirG2StatusReply() { InitHeader(*this, kType); }
SMsgDirG2StatusReply::SMsgDirG2StatusReply(const SmallMessage& received) : SmallMessage(received) { Unpack(); }

const uint8_t* SMsgDirG2StatusReply::Pack() {
    BeginPack(*this, kType);
    AppendShort(static_cast<uint16_t>(status_));
    return GetDataPtr();
}

void SMsgDirG2StatusReply::Unpack() {
    BaseMessage::Unpack();
    CheckType(*this, GetMessageType() == kType, 96, kSourceStatus, "Not a DirG2StatusReply message.");
    status_ = static_cast<int16_t>(ReadShort());
}

// ---- SingleEntityReply

SMsgDirG2SingleEntityReply::SMsgDirG2SingleEntityReply() : SMsgDirG2EntityBase(kType) {}
SMsgDirG2SingleEntityReply::SMsgDirG2SingleEntityReply(const SmallMessage& received) : SMsgDirG2EntityBase(received) {
    Unpack();
}

const uint8_t* SMsgDirG2SingleEntityReply::Pack() {
    BeginPack(kType);
    AppendShort(static_cast<uint16_t>(status_));
    if (status_ >= 0) {
        AppendLong(WithListBit(fieldMask_));
        PackEntity(entity_);
    }
    return GetDataPtr();
}

void SMsgDirG2SingleEntityReply::Unpack() {
    BaseMessage::Unpack();
    CheckType(*this, GetMessageType() == kType, 120, kSourceSingle, "Not a DirG2SingleEntityReply message.");
    status_ = static_cast<int16_t>(ReadShort());
    if (status_ < 0) return;
    fieldMask_ = ReadLong();
    UnpackEntity(entity_);
}

// ---- MultiEntityReply

SMsgDirG2MultiEntityReply::SMsgDirG2MultiEntityReply() : SMsgDirG2EntityListBase(kType) {}
SMsgDirG2MultiEntityReply::SMsgDirG2MultiEntityReply(const SmallMessage& received)
    : SMsgDirG2EntityListBase(received) {
    Unpack();
}
SMsgDirG2MultiEntityReply::SMsgDirG2MultiEntityReply(const SmallMessage& received, std::vector<DirEntity>& into)
    : SMsgDirG2EntityListBase(received) {
    const size_t before = into.size();
    ReadInto(&into);
    try {
        Unpack();
    } catch (...) {
        // A reply that cannot be read adds nothing, not even the entries before the fault.
        into.erase(into.begin() + static_cast<std::ptrdiff_t>(before), into.end());
        ReadInto(nullptr);
        throw;
    }
    ReadInto(nullptr);
}

const uint8_t* SMsgDirG2MultiEntityReply::Pack() {
    BeginPack(kType);
    AppendShort(static_cast<uint16_t>(status_));
    PackSequence();
    AppendLong(WithListBit(fieldMask_));
    PackEntityList();
    return GetDataPtr();
}

void SMsgDirG2MultiEntityReply::Unpack() {
    BaseMessage::Unpack();
    CheckType(*this, GetMessageType() == kType, 113, kSourceMulti, "Not a DirG2MultiEntityReply message.");
    status_ = static_cast<int16_t>(ReadShort());
    UnpackSequence();
    fieldMask_ = ReadLong();
    UnpackEntityList();
}

// ---- GetDirectoryContentsReply

SMsgDirG2GetDirectoryContentsReply::SMsgDirG2GetDirectoryContentsReply() : SMsgDirG2EntityListBase(kType) {}
SMsgDirG2GetDirectoryContentsReply::SMsgDirG2GetDirectoryContentsReply(const SmallMessage& received)
    : SMsgDirG2EntityListBase(received) {
    Unpack();
}

const uint8_t* SMsgDirG2GetDirectoryContentsReply::Pack() {
    BeginPack(kType);
    AppendShort(static_cast<uint16_t>(status_));
    PackSequence();
    PackEntityList();
    return GetDataPtr();
}

void SMsgDirG2GetDirectoryContentsReply::Unpack() {
    BaseMessage::Unpack();
    CheckType(*this, GetMessageType() == kType, 195, kSourceContents, "Not a DirG2GetDirectoryContentsReply message.");
    status_ = static_cast<int16_t>(ReadShort());
    UnpackSequence();
    UnpackEntityList();
}

// ---- GetNumEntitiesReply

SMsgDirG2GetNumEntitiesReply::SMsgDirG2GetNumEntitiesReply() { InitHeader(*this, kType); }
SMsgDirG2GetNumEntitiesReply::SMsgDirG2GetNumEntitiesReply(const SmallMessage& received) : SmallMessage(received) {
    Unpack();
}

const uint8_t* SMsgDirG2GetNumEntitiesReply::Pack() {
    BeginPack(*this, kType);
    AppendCount(*this, results_.size());
    for (const Result& result : results_) {
        AppendShort(static_cast<uint16_t>(result.first));
        AppendShort(result.second);
    }
    return GetDataPtr();
}

void SMsgDirG2GetNumEntitiesReply::Unpack() {
    BaseMessage::Unpack();
    CheckType(*this, GetMessageType() == kType, 212, kSourceNumEntities, "Not a DirG2GetNumEntitiesReply message.");
    results_.clear();
    const uint16_t count = ReadShort();
    if (count > BytesLeftToRead() / 4) CheckRead(uint32_t(count) * 4);
    for (uint32_t i = 0; i < count; ++i) {
        const int16_t status = static_cast<int16_t>(ReadShort());
        results_.emplace_back(status, ReadShort());
    }
}

}  // namespace TarnMsg
