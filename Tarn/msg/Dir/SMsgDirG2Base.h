#pragma once
// The shared parts of the directory messages (service type 2, SmallMessage header): the key of the
// entry a request acts on, the peer data at the end of update requests, the extended data-object lists,
// and the entity and entity-list encodings of the replies under a field mask.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/bytes/ByteIO.h"

#include "Tarn/common/DataObject.h"
#include "Tarn/msg/Dir/DirEntity.h"
#include "Tarn/msg/Messages.h"

namespace TarnMsg {

// The key of the entry a request acts on: a directory path, or a path, a service name and a network
// address. A second base beside the message chain.
class SMsgDirG2KeyedBase {
public:
    enum KeyKind : uint32_t { kDirectoryKey = 0, kServiceKey = 1 };

    virtual ~SMsgDirG2KeyedBase() = default;
    // Directory key: path. Service key: path, name, net address with a one-byte length.
    virtual void PackKey(TRawMsg& message) const;
    // Reads the same; then one trailing slash of a path longer than one character is dropped.
    virtual void UnpackKey(TRawMsg& message);

    KeyKind GetKeyKind() const { return keyKind_; }
    bool IsServiceKey() const { return keyKind_ == kServiceKey; }
    const std::u16string& GetPath() const { return path_; }
    const std::u16string& GetName() const { return name_; }
    const std::string& GetNetAddress() const { return netAddress_; }
    void SetPath(const std::u16string& value) { path_ = value; }
    void SetName(const std::u16string& value) { name_ = value; }
    void SetNetAddress(const std::string& value) { netAddress_ = value; }

protected:
    void SetKeyKind(KeyKind kind) { keyKind_ = kind; }

private:
    KeyKind keyKind_ = kDirectoryKey;
    std::u16string path_;
    std::u16string name_;
    std::string netAddress_;
};

// The peer data every update request may carry at the end of its body.
class SMsgDirG2PeerDataBase : public SmallMessage {
public:
    const std::string& GetPeerKey() const { return peerKey_; }
    uint32_t GetPeerValue() const { return peerValue_; }
    void SetPeerKey(const std::string& value) { peerKey_ = value; }
    void SetPeerValue(uint32_t value) { peerValue_ = value; }

protected:
    // A header-only message of service type 2 and the given message type.
    explicit SMsgDirG2PeerDataBase(uint32_t messageType);
    explicit SMsgDirG2PeerDataBase(const SmallMessage& received) : SmallMessage(received) {}
    // Nothing at all for an empty peer key; otherwise the key (8-bit string) and the value (long).
    void PackPeerData();
    // Reads the peer data when bytes are left; otherwise an empty key and value 0.
    void UnpackPeerData();
    // Rewinds the writer past the header of a message of this type, with a body of its own.
    void BeginPack(uint32_t messageType);

private:
    std::string peerKey_;
    uint32_t peerValue_ = 0;
};

class SMsgDirG2UpdateBase : public SMsgDirG2PeerDataBase, public SMsgDirG2KeyedBase {
protected:
    using SMsgDirG2PeerDataBase::SMsgDirG2PeerDataBase;
};

// Update requests that can carry data objects in their extended form.
class SMsgDirG2UpdateExtendBase : public SMsgDirG2UpdateBase {
public:
    bool IsExtended() const { return extended_; }
    void SetExtended(bool value) { extended_ = value; }
    const TarnCommon::DataObjectSet& GetDataObjects() const { return dataObjects_; }
    TarnCommon::DataObjectSet& DataObjects() { return dataObjects_; }
    void SetDataObjects(const TarnCommon::DataObjectSet& value) { dataObjects_ = value; }

protected:
    SMsgDirG2UpdateExtendBase(uint32_t messageType, bool extended)
        : SMsgDirG2UpdateBase(messageType), extended_(extended) {}
    explicit SMsgDirG2UpdateExtendBase(const SmallMessage& received)
        : SMsgDirG2UpdateBase(received), extended_(false) {}
    virtual void PackExtended();
    virtual void UnpackExtended();

private:
    bool extended_;
    TarnCommon::DataObjectSet dataObjects_;
};

class SMsgDirG2QueryBase : public SmallMessage, public SMsgDirG2KeyedBase {
protected:
    explicit SMsgDirG2QueryBase(uint32_t messageType);
    explicit SMsgDirG2QueryBase(const SmallMessage& received) : SmallMessage(received) {}
    void BeginPack(uint32_t messageType);
};

class SMsgDirG2QueryExtendBase : public SMsgDirG2QueryBase {
public:
    bool IsExtended() const { return extended_; }
    void SetExtended(bool value) { extended_ = value; }
    const TarnCommon::DataObjectSet& GetRequestedTypes() const { return requestedTypes_; }
    void SetRequestedTypes(const TarnCommon::DataObjectSet& value) { requestedTypes_ = value; }
    void AddRequestedType(const std::string& type) { requestedTypes_.insert(TarnCommon::DataObject(type, {})); }

protected:
    SMsgDirG2QueryExtendBase(uint32_t messageType, bool extended)
        : SMsgDirG2QueryBase(messageType), extended_(extended) {}
    explicit SMsgDirG2QueryExtendBase(const SmallMessage& received)
        : SMsgDirG2QueryBase(received), extended_(false) {}
    virtual void PackExtended();
    virtual void UnpackExtended();

private:
    bool extended_;
    TarnCommon::DataObjectSet requestedTypes_;
};

class SMsgDirG2QueryGetBase : public SMsgDirG2QueryExtendBase {
public:
    uint32_t GetFieldMask() const { return fieldMask_; }
    void SetFieldMask(uint32_t value) { fieldMask_ = value; }
    // The mask as it travels: the type bit is added when a field of one kind of entry is asked for.
    uint32_t GetPackedFieldMask() const;

protected:
    using SMsgDirG2QueryExtendBase::SMsgDirG2QueryExtendBase;
    // The received mask; the plain forms carry no data-object list or trailer, so those bits go.
    void UnpackFieldMask();

private:
    uint32_t fieldMask_ = 0xFFFFFFFF;
};

class SMsgDirG2QueryFindBase : public SMsgDirG2QueryGetBase {
public:
    uint32_t GetFindMode() const { return findMode_; }
    uint8_t GetFindFlags() const { return findFlags_; }
    void SetFindMode(uint32_t value) { findMode_ = value; }
    void SetFindFlags(uint8_t value) { findFlags_ = value; }

protected:
    using SMsgDirG2QueryGetBase::SMsgDirG2QueryGetBase;

private:
    uint32_t findMode_ = 0;  // travels as one byte
    uint8_t findFlags_ = 0;
};

// Reads the texts, byte strings and data-object lists of entities into one store that they share,
// and lends one body to the equal data objects among them.
class DirEntityReader {
public:
    // Reads the bytes left in a message from a cursor of its own, without a call per field; a read
    // past the end throws the message's own exception with the message at the failing field.
    class Cursor {
    public:
        explicit Cursor(TRawMsg& message);
        uint8_t Byte() {
            Need(1);
            return *at_++;
        }
        uint16_t Short() { return plat::LoadU16(Bytes(2)); }
        uint32_t Long() { return plat::LoadU32(Bytes(4)); }
        const uint8_t* Bytes(uint32_t count) {
            Need(count);
            at_ += count;
            return at_ - count;
        }
        // Moves the message's read position past what the cursor read.
        void Finish();

    private:
        void Need(uint32_t count) {
            if (static_cast<size_t>(end_ - at_) < count) PastEnd(count);
        }
        [[noreturn]] void PastEnd(uint32_t count);
        TRawMsg& message_;
        const uint8_t* start_;
        const uint8_t* at_;
        const uint8_t* end_;
    };

    // `expectedBytes`: about the room the entities will need (the bytes they take on the wire).
    explicit DirEntityReader(size_t expectedBytes);
    DirText Text(Cursor& in);     // a wide string: 16-bit count, then the characters
    DirBytes Bytes8(Cursor& in);  // a byte string with a one-byte length
    // A count, then per object the parts the mask names; kept in type order, one per type.
    DirObjects Objects(Cursor& in, uint32_t mask);
    // Every field of one entity that the mask names.
    void Entity(DirEntity& entity, Cursor& in, uint32_t mask);

private:
    std::shared_ptr<DirEntityStore> store_;
    TarnCommon::DataObjectShare share_;
    std::vector<TarnCommon::DataObject> scratch_;
};

// Replies that carry entities.
class SMsgDirG2EntityBase : public SmallMessage {
public:
    const TarnCommon::DataObjectSet& GetRequestedTypes() const { return requestedTypes_; }
    void SetRequestedTypes(const TarnCommon::DataObjectSet& value) { requestedTypes_ = value; }
    void AddRequestedType(const std::string& type) { requestedTypes_.insert(TarnCommon::DataObject(type, {})); }

    // The mask under which this reply's entities are packed and read.
    virtual uint32_t GetFieldMask() const = 0;

    // The entity encoding: every part whose bit is set, in wire order. With requested types and no
    // list bit, the list holds only the entity's objects of those types.
    static void PackEntityFields(const DirEntity& entity, TRawMsg& message, uint32_t mask,
                                 const TarnCommon::DataObjectSet& requestedTypes);
    // With a reader, the entity's texts and objects go to the reader's store, shared by every entity
    // read with it; without, to a store of the entity's own.
    static void UnpackEntityFields(DirEntity& entity, TRawMsg& message, uint32_t mask,
                                   DirEntityReader* reader = nullptr);
    // The bytes PackEntityFields writes, without the trailing word.
    static uint32_t GetEntityPackSize(const DirEntity& entity, uint32_t mask,
                                      const TarnCommon::DataObjectSet& requestedTypes);
    // The fewest bytes one entity can take under a mask.
    static uint32_t MinEntitySize(uint32_t mask);

protected:
    explicit SMsgDirG2EntityBase(uint32_t messageType);
    explicit SMsgDirG2EntityBase(const SmallMessage& received) : SmallMessage(received) {}
    virtual void PackEntity(const DirEntity& entity);
    virtual void UnpackEntity(DirEntity& entity);
    void BeginPack(uint32_t messageType);
    // The requested types are set: the list travels and the receiver must be told.
    uint32_t WithListBit(uint32_t mask) const { return requestedTypes_.empty() ? mask : mask | DirField::kDataList; }

private:
    TarnCommon::DataObjectSet requestedTypes_;
};

class SMsgDirG2EntityListBase : public SMsgDirG2EntityBase {
public:
    const std::vector<DirEntity>& GetEntities() const { return entities_; }
    std::vector<DirEntity>& Entities() { return entities_; }
    void SetEntities(const std::vector<DirEntity>& value) { entities_ = value; }
    uint8_t GetSequence() const { return sequence_; }
    void SetSequence(uint8_t value) { sequence_ = value & 0x7F; }
    bool IsLastReply() const { return lastReply_; }
    void SetLastReply(bool value) { lastReply_ = value; }

    // Header length + 3 + every entry's packed size.
    virtual uint32_t ComputePackSize() const;

protected:
    using SMsgDirG2EntityBase::SMsgDirG2EntityBase;
    void PackEntityList();
    // Empties the list, then reads a count and that many entries; a count that the bytes left cannot
    // hold is refused before any entry is made. With a destination set, the entries are appended
    // to it instead and the own list stays empty.
    void UnpackEntityList();
    void ReadInto(std::vector<DirEntity>* destination) { destination_ = destination; }
    void PackSequence();
    void UnpackSequence();

private:
    std::vector<DirEntity> entities_;
    std::vector<DirEntity>* destination_ = nullptr;
    uint8_t sequence_ = 0;
    bool lastReply_ = false;
};

}  // namespace TarnMsg
