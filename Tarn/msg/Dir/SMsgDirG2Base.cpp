#include "Tarn/msg/Dir/SMsgDirG2Base.h"

#include <algorithm>

#include "Tarn/msg/Dir/DirWire.h"

namespace TarnMsg {

using namespace DirWire;
using TarnCommon::DataObject;
using TarnCommon::DataObjectSet;

void SMsgDirG2KeyedBase::PackKey(TRawMsg& message) const {
    message.AppendWString(path_);
    if (keyKind_ != kServiceKey) return;
    message.AppendWString(name_);
    AppendBytes8(message, netAddress_);
}

void SMsgDirG2KeyedBase::UnpackKey(TRawMsg& message) {
    message.ReadWString(path_);
    if (keyKind_ == kServiceKey) {
        message.ReadWString(name_);
        netAddress_ = ReadBytes8(message);
    }
    if (path_.size() > 1 && path_.back() == u'/') path_.pop_back();
}

SMsgDirG2PeerDataBase::SMsgDirG2PeerDataBase(uint32_t messageType) { InitHeader(*this, messageType); }

void SMsgDirG2PeerDataBase::BeginPack(uint32_t messageType) { DirWire::BeginPack(*this, messageType); }

void SMsgDirG2PeerDataBase::PackPeerData() {
    if (peerKey_.empty()) return;
    AppendString(peerKey_);
    AppendLong(peerValue_);
}

void SMsgDirG2PeerDataBase::UnpackPeerData() {
    if (BytesLeftToRead() > 0) {
        ReadString(peerKey_);
        peerValue_ = ReadLong();
    } else {
        peerKey_.clear();
        peerValue_ = 0;
    }
}

void SMsgDirG2UpdateExtendBase::PackExtended() {
    if (extended_) PackObjects(*this, dataObjects_);
}

void SMsgDirG2UpdateExtendBase::UnpackExtended() {
    dataObjects_.clear();
    if (extended_) UnpackObjects(*this, dataObjects_);
}

SMsgDirG2QueryBase::SMsgDirG2QueryBase(uint32_t messageType) { InitHeader(*this, messageType); }

void SMsgDirG2QueryBase::BeginPack(uint32_t messageType) { DirWire::BeginPack(*this, messageType); }

void SMsgDirG2QueryExtendBase::PackExtended() {
    if (extended_) PackTypes(*this, requestedTypes_);
}

void SMsgDirG2QueryExtendBase::UnpackExtended() {
    requestedTypes_.clear();
    if (extended_) UnpackTypes(*this, requestedTypes_);
}

uint32_t SMsgDirG2QueryGetBase::GetPackedFieldMask() const {
    return (fieldMask_ & DirField::kKindFields) ? fieldMask_ | DirField::kType : fieldMask_;
}

void SMsgDirG2QueryGetBase::UnpackFieldMask() {
    fieldMask_ = ReadLong();
    if (!IsExtended()) fieldMask_ &= ~(DirField::kDataList | DirField::kTrailer);
}

SMsgDirG2EntityBase::SMsgDirG2EntityBase(uint32_t messageType) { InitHeader(*this, messageType); }

void SMsgDirG2EntityBase::BeginPack(uint32_t messageType) { DirWire::BeginPack(*this, messageType); }

namespace {

// The entity's data objects that travel: all of them under the list bit, else those of the requested
// types, else none (null).
const DataObjectSet* ObjectsToPack(const DirEntity& entity, uint32_t mask, const DataObjectSet& requested,
                                   DataObjectSet& scratch) {
    if (mask & DirField::kDataList) return &entity.dataObjects;
    if (requested.empty()) return nullptr;
    for (const DataObject& object : entity.dataObjects)
        if (requested.count(object)) scratch.insert(object);
    return &scratch;
}

void PackObjectsUnderMask(TRawMsg& message, const DataObjectSet& set, uint32_t mask) {
    AppendCount(message, set.size());
    for (const DataObject& object : set) {
        if (mask & DirField::kDataType) AppendBytes8(message, object.GetType());
        if (mask & DirField::kDataData) AppendBytes16(message, object.GetData());
    }
}

std::string_view ReadView8(TRawMsg& message) {
    const uint8_t n = message.ReadByte();
    return {reinterpret_cast<const char*>(message.ReadBytes(n)), n};
}

std::string_view ReadView16(TRawMsg& message) {
    const uint16_t n = message.ReadShort();
    return {reinterpret_cast<const char*>(message.ReadBytes(n)), n};
}

void UnpackObjectsUnderMask(TRawMsg& message, DataObjectSet& set, uint32_t mask, TarnCommon::DataObjectShare* shared) {
    const uint16_t count = message.ReadShort();
    if (!(mask & (DirField::kDataType | DirField::kDataData))) {
        // Neither part travels: every object read is the same empty one, so one insert stands for all
        // (a count of 65535 in every entry must not cost billions of steps).
        if (count) set.insert(shared ? shared->Get({}, {}) : DataObject());
        return;
    }
    for (uint32_t i = 0; i < count; ++i) {
        const std::string_view type = (mask & DirField::kDataType) ? ReadView8(message) : std::string_view();
        const std::string_view data = (mask & DirField::kDataData) ? ReadView16(message) : std::string_view();
        // A server sends the objects in order, so the end is the usual place.
        if (shared)
            set.insert(set.end(), shared->Get(type, data));
        else
            set.emplace_hint(set.end(), std::string(type), std::string(data));
    }
}

uint32_t WStringSize(const std::u16string& text) { return 2 + 2 * static_cast<uint32_t>(text.size()); }

}  // namespace

void SMsgDirG2EntityBase::PackEntityFields(const DirEntity& entity, TRawMsg& message, uint32_t mask,
                                           const DataObjectSet& requestedTypes) {
    if (mask & DirField::kType) message.AppendByte(entity.type);
    if (entity.type == DirEntity::kDirectory) {
        if (mask & DirField::kDirPath) message.AppendWString(entity.path);
        if (mask & DirField::kDirName) message.AppendWString(entity.name);
        if (mask & DirField::kDirByte) message.AppendByte(entity.directoryByte);
    } else if (entity.type == DirEntity::kService) {
        if (mask & DirField::kServicePath) message.AppendWString(entity.path);
        if (mask & DirField::kServiceName) message.AppendWString(entity.name);
        if (mask & DirField::kServiceNetAddress) AppendBytes8(message, entity.netAddress);
    }
    if (mask & DirField::kDisplayName) message.AppendWString(entity.displayName);
    if (mask & DirField::kNumberC) message.AppendLong(entity.numberC);
    if (mask & DirField::kNumberA) message.AppendLong(entity.numberA);
    if (mask & DirField::kNumberB) message.AppendLong(entity.numberB);
    DataObjectSet scratch;
    if (const DataObjectSet* objects = ObjectsToPack(entity, mask, requestedTypes, scratch))
        PackObjectsUnderMask(message, *objects, mask);
    if (mask & DirField::kTrailer) message.AppendShort(0);
}

void SMsgDirG2EntityBase::UnpackEntityFields(DirEntity& entity, TRawMsg& message, uint32_t mask,
                                             TarnCommon::DataObjectShare* shared) {
    if (mask & DirField::kType) entity.type = message.ReadByte();
    if (entity.type == DirEntity::kDirectory) {
        if (mask & DirField::kDirPath) message.ReadWString(entity.path);
        if (mask & DirField::kDirName) message.ReadWString(entity.name);
        if (mask & DirField::kDirByte) entity.directoryByte = message.ReadByte();
    } else if (entity.type == DirEntity::kService) {
        if (mask & DirField::kServicePath) message.ReadWString(entity.path);
        if (mask & DirField::kServiceName) message.ReadWString(entity.name);
        if (mask & DirField::kServiceNetAddress) entity.netAddress = ReadBytes8(message);
    }
    if (mask & DirField::kDisplayName) message.ReadWString(entity.displayName);
    if (mask & DirField::kNumberC) entity.numberC = message.ReadLong();
    if (mask & DirField::kNumberA) entity.numberA = message.ReadLong();
    if (mask & DirField::kNumberB) entity.numberB = message.ReadLong();
    if (mask & DirField::kDataList) UnpackObjectsUnderMask(message, entity.dataObjects, mask, shared);
    if (mask & DirField::kTrailer) message.ReadShort();
}

uint32_t SMsgDirG2EntityBase::GetEntityPackSize(const DirEntity& entity, uint32_t mask,
                                                const DataObjectSet& requestedTypes) {
    uint32_t size = 0;
    if (mask & DirField::kType) size += 1;
    if (entity.type == DirEntity::kDirectory) {
        if (mask & DirField::kDirPath) size += WStringSize(entity.path);
        if (mask & DirField::kDirName) size += WStringSize(entity.name);
        if (mask & DirField::kDirByte) size += 1;
    } else if (entity.type == DirEntity::kService) {
        if (mask & DirField::kServicePath) size += WStringSize(entity.path);
        if (mask & DirField::kServiceName) size += WStringSize(entity.name);
        if (mask & DirField::kServiceNetAddress) size += 1 + static_cast<uint32_t>(entity.netAddress.size());
    }
    if (mask & DirField::kDisplayName) size += WStringSize(entity.displayName);
    for (uint32_t bit : {DirField::kNumberA, DirField::kNumberB, DirField::kNumberC})
        if (mask & bit) size += 4;
    DataObjectSet scratch;
    if (const DataObjectSet* objects = ObjectsToPack(entity, mask, requestedTypes, scratch)) {
        size += 2;
        for (const DataObject& object : *objects) {
            if (mask & DirField::kDataType) size += 1 + static_cast<uint32_t>(object.GetType().size());
            if (mask & DirField::kDataData) size += 2 + static_cast<uint32_t>(object.GetData().size());
        }
    }
    return size;
}

uint32_t SMsgDirG2EntityBase::MinEntitySize(uint32_t mask) {
    uint32_t size = 0;
    if (mask & DirField::kType) size += 1;
    if (mask & DirField::kDisplayName) size += 2;
    for (uint32_t bit : {DirField::kNumberA, DirField::kNumberB, DirField::kNumberC})
        if (mask & bit) size += 4;
    if (mask & DirField::kDataList) size += 2;
    if (mask & DirField::kTrailer) size += 2;
    return size;
}

void SMsgDirG2EntityBase::PackEntity(const DirEntity& entity) {
    PackEntityFields(entity, *this, GetFieldMask(), requestedTypes_);
}

void SMsgDirG2EntityBase::UnpackEntity(DirEntity& entity) { UnpackEntityFields(entity, *this, GetFieldMask()); }

uint32_t SMsgDirG2EntityListBase::ComputePackSize() const {
    uint32_t size = GetHeaderLength() + 3;
    for (const DirEntity& entity : entities_) size += GetEntityPackSize(entity, GetFieldMask(), GetRequestedTypes());
    return size;
}

void SMsgDirG2EntityListBase::PackEntityList() {
    AppendCount(*this, entities_.size());
    for (const DirEntity& entity : entities_) PackEntity(entity);
}

void SMsgDirG2EntityListBase::UnpackEntityList() {
    entities_.clear();
    const uint16_t count = ReadShort();
    // Every entry takes at least MinEntitySize bytes; an entry that takes none still counts one byte
    // here, so that a short reply cannot make thousands of empty entries.
    const uint32_t least = std::max<uint32_t>(1, MinEntitySize(GetFieldMask()));
    if (count > BytesLeftToRead() / least) CheckRead(uint32_t(count) * least);
    std::vector<DirEntity>& into = destination_ ? *destination_ : entities_;
    // Grows by at least doubling, so that a list gathered from many replies is not moved at each one.
    const size_t need = into.size() + count;
    if (need > into.capacity()) into.reserve(into.empty() ? need : std::max(need, 2 * into.capacity()));
    TarnCommon::DataObjectShare shared;
    const uint32_t mask = GetFieldMask();
    for (uint32_t i = 0; i < count; ++i) UnpackEntityFields(into.emplace_back(), *this, mask, &shared);
}

void SMsgDirG2EntityListBase::PackSequence() {
    AppendByte(static_cast<uint8_t>((sequence_ & 0x7F) | (lastReply_ ? 0x80 : 0)));
}

void SMsgDirG2EntityListBase::UnpackSequence() {
    const uint8_t b = ReadByte();
    sequence_ = b & 0x7F;
    lastReply_ = (b & 0x80) != 0;
}

}  // namespace TarnMsg
