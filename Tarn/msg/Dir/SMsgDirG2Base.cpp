#include "Tarn/msg/Dir/SMsgDirG2Base.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <optional>
#include <stdexcept>

#include "platform/bytes/ByteIO.h"

#include "Tarn/msg/Dir/DirWire.h"

namespace TarnMsg {

using namespace DirWire;
using TarnCommon::DataObject;
using TarnCommon::DataObjectLess;
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
// types, else none (false).
bool ObjectsToPack(const DirEntity& entity, uint32_t mask, const DataObjectSet& requested,
                   std::vector<const DataObject*>& out) {
    out.clear();
    if (!(mask & DirField::kDataList) && requested.empty()) return false;
    for (const DataObject& object : entity.dataObjects)
        if ((mask & DirField::kDataList) || requested.count(object)) out.push_back(&object);
    return true;
}

void PackObjectsUnderMask(TRawMsg& message, const std::vector<const DataObject*>& objects, uint32_t mask) {
    AppendCount(message, objects.size());
    for (const DataObject* object : objects) {
        if (mask & DirField::kDataType) AppendBytes8(message, object->GetType());
        if (mask & DirField::kDataData) AppendBytes16(message, object->GetData());
    }
}

uint32_t WStringSize(const DirText& text) { return 2 + 2 * static_cast<uint32_t>(text.size()); }

}  // namespace

DirEntityReader::Cursor::Cursor(TRawMsg& message)
    : message_(message), start_(message.ReadBytes(0)), at_(start_), end_(start_ + message.BytesLeftToRead()) {}

void DirEntityReader::Cursor::PastEnd(uint32_t count) {
    Finish();
    message_.CheckRead(count);
    throw std::logic_error("a read past the end was allowed");  // CheckRead throws first
}

void DirEntityReader::Cursor::Finish() {
    message_.ReadBytes(static_cast<uint32_t>(at_ - start_));
    start_ = at_;
}

DirEntityReader::DirEntityReader(size_t expectedBytes) : store_(DirEntityStore::Make(expectedBytes)) {}

DirText DirEntityReader::Text(Cursor& in) {
    const uint16_t count = in.Short();
    const uint8_t* wire = in.Bytes(count * 2u);
    if (count == 0) return {};
    char16_t* text = store_->NewText(count);
    if constexpr (std::endian::native == std::endian::little)
        std::memcpy(text, wire, count * 2u);  // the wire's characters are little-endian too
    else
        for (uint32_t i = 0; i < count; ++i) text[i] = static_cast<char16_t>(plat::LoadU16(wire + 2 * i));
    return DirText(std::shared_ptr<const char16_t>(store_, text), count);
}

DirBytes DirEntityReader::Bytes8(Cursor& in) {
    const uint8_t count = in.Byte();
    const uint8_t* wire = in.Bytes(count);
    if (count == 0) return {};
    char* bytes = store_->NewBytes(count);
    std::memcpy(bytes, wire, count);
    return DirBytes(std::shared_ptr<const char>(store_, bytes), count);
}

DirObjects DirEntityReader::Objects(Cursor& in, uint32_t mask) {
    const uint16_t count = in.Short();
    scratch_.clear();
    if (!(mask & (DirField::kDataType | DirField::kDataData))) {
        // Neither part travels: every object read is the same empty one, so one stands for all
        // (a count of 65535 in every entry must not cost billions of steps).
        if (count) scratch_.push_back(share_.Get({}, {}));
    } else {
        for (uint32_t i = 0; i < count; ++i) {
            std::string_view type, data;
            if (mask & DirField::kDataType) {
                const uint8_t n = in.Byte();
                type = {reinterpret_cast<const char*>(in.Bytes(n)), n};
            }
            if (mask & DirField::kDataData) {
                const uint16_t n = in.Short();
                data = {reinterpret_cast<const char*>(in.Bytes(n)), n};
            }
            DataObject object = share_.Get(type, data);
            // Kept in order, one per type (the first one read), as a set would; a server sends them in
            // order, so the end is the usual place.
            auto at = scratch_.end();
            if (!scratch_.empty() && !DataObjectLess()(scratch_.back(), object))
                at = std::lower_bound(scratch_.begin(), scratch_.end(), object, DataObjectLess());
            if (at == scratch_.end() || at->Compare(object) != 0) scratch_.insert(at, std::move(object));
        }
    }
    if (scratch_.empty()) return {};
    const auto n = static_cast<uint32_t>(scratch_.size());
    const DataObject* objects = store_->TakeObjects(scratch_.data(), n);
    scratch_.clear();
    return DirObjects(std::shared_ptr<const DataObject>(store_, objects), n);
}

void DirEntityReader::Entity(DirEntity& entity, Cursor& in, uint32_t mask) {
    if (mask & DirField::kType) entity.type = in.Byte();
    if (entity.type == DirEntity::kDirectory) {
        if (mask & DirField::kDirPath) entity.path = Text(in);
        if (mask & DirField::kDirName) entity.name = Text(in);
        if (mask & DirField::kDirByte) entity.directoryByte = in.Byte();
    } else if (entity.type == DirEntity::kService) {
        if (mask & DirField::kServicePath) entity.path = Text(in);
        if (mask & DirField::kServiceName) entity.name = Text(in);
        if (mask & DirField::kServiceNetAddress) entity.netAddress = Bytes8(in);
    }
    if (mask & DirField::kDisplayName) entity.displayName = Text(in);
    if (mask & DirField::kNumberC) entity.numberC = in.Long();
    if (mask & DirField::kNumberA) entity.numberA = in.Long();
    if (mask & DirField::kNumberB) entity.numberB = in.Long();
    if (mask & DirField::kDataList) entity.dataObjects = Objects(in, mask);
    if (mask & DirField::kTrailer) in.Short();
}

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
    std::vector<const DataObject*> objects;
    if (ObjectsToPack(entity, mask, requestedTypes, objects)) PackObjectsUnderMask(message, objects, mask);
    if (mask & DirField::kTrailer) message.AppendShort(0);
}

void SMsgDirG2EntityBase::UnpackEntityFields(DirEntity& entity, TRawMsg& message, uint32_t mask,
                                             DirEntityReader* reader) {
    std::optional<DirEntityReader> own;
    if (!reader) reader = &own.emplace(message.BytesLeftToRead());
    DirEntityReader::Cursor in(message);
    reader->Entity(entity, in, mask);
    in.Finish();
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
    std::vector<const DataObject*> objects;
    if (ObjectsToPack(entity, mask, requestedTypes, objects)) {
        size += 2;
        for (const DataObject* object : objects) {
            if (mask & DirField::kDataType) size += 1 + static_cast<uint32_t>(object->GetType().size());
            if (mask & DirField::kDataData) size += 2 + static_cast<uint32_t>(object->GetData().size());
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
    // Grows by at least doubling, so that a list gathered from many replies is not moved at each one;
    // a reply that says more will follow makes room for as many again.
    const size_t need = into.size() + count * (lastReply_ ? 1 : 2);
    if (need > into.capacity()) into.reserve(into.empty() ? need : std::max(need, 2 * into.capacity()));
    // The entries' texts take at most the room they take on the wire; a data object takes 16 bytes
    // where its wire form may take 3, and a game entry carries two.
    DirEntityReader reader(BytesLeftToRead() + count * (2 * sizeof(TarnCommon::DataObject) + 16));
    const uint32_t mask = GetFieldMask();
    DirEntityReader::Cursor in(*this);
    for (uint32_t i = 0; i < count; ++i) reader.Entity(into.emplace_back(), in, mask);
    in.Finish();
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
