#pragma once
// The directory queries (list a directory, fetch one entry, find a service, count entries) and the
// server's replies (a bare status, one entry, a list of entries, a directory listing, counts).
// Replies have a constructor from a received message that reads it at once, so a wrong or short reply
// throws from the constructor.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "Tarn/msg/Dir/SMsgDirG2Base.h"

namespace TarnMsg {

// 100. Body: the key (path).
class SMsgDirG2GetDirectoryContents : public SMsgDirG2QueryBase {
public:
    static constexpr uint32_t kType = 100;
    SMsgDirG2GetDirectoryContents();
    explicit SMsgDirG2GetDirectoryContents(const SmallMessage& received);
    SMsgDirG2GetDirectoryContents* Duplicate() const override { return new SMsgDirG2GetDirectoryContents(*this); }
    const uint8_t* Pack() override;
    void Unpack() override;
};

// 102 + 2 for a service key + 1 when extended. Body: field mask, the 16-bit number (directory key only),
// key, requested types (extended only).
class SMsgDirG2GetEntity : public SMsgDirG2QueryGetBase {
public:
    static constexpr uint32_t kType = 102;
    explicit SMsgDirG2GetEntity(bool isService = false, bool extended = false);
    explicit SMsgDirG2GetEntity(const SmallMessage& received);
    SMsgDirG2GetEntity* Duplicate() const override { return new SMsgDirG2GetEntity(*this); }
    const uint8_t* Pack() override;
    void Unpack() override;
    uint16_t GetNumber() const { return number_; }
    void SetNumber(uint16_t value) { number_ = value; }

private:
    uint16_t number_ = 0;
};

// 108, extended 109. Body: field mask, find mode, find flags, the 16-bit number, key (service), display
// name, find data objects and requested types (both extended only).
class SMsgDirG2FindService : public SMsgDirG2QueryFindBase {
public:
    static constexpr uint32_t kType = 108;
    explicit SMsgDirG2FindService(bool extended = false);
    explicit SMsgDirG2FindService(const SmallMessage& received);
    SMsgDirG2FindService* Duplicate() const override { return new SMsgDirG2FindService(*this); }
    const uint8_t* Pack() override;
    void Unpack() override;
    uint16_t GetNumber() const { return number_; }
    void SetNumber(uint16_t value) { number_ = value; }
    const std::u16string& GetDisplayName() const { return displayName_; }
    void SetDisplayName(const std::u16string& value) { displayName_ = value; }
    const TarnCommon::DataObjectSet& GetFindDataObjects() const { return findObjects_; }
    void SetFindDataObjects(const TarnCommon::DataObjectSet& value) { findObjects_ = value; }

private:
    uint16_t number_ = 0;
    std::u16string displayName_;
    TarnCommon::DataObjectSet findObjects_;
};

// 110. Body: count, then per request its path and count mode.
class SMsgDirG2GetNumEntities : public SmallMessage {
public:
    static constexpr uint32_t kType = 110;
    using Request = std::pair<std::u16string, uint16_t>;  // path, count mode
    SMsgDirG2GetNumEntities();
    explicit SMsgDirG2GetNumEntities(const SmallMessage& received);
    SMsgDirG2GetNumEntities* Duplicate() const override { return new SMsgDirG2GetNumEntities(*this); }
    const uint8_t* Pack() override;
    void Unpack() override;
    const std::vector<Request>& GetRequests() const { return requests_; }
    void SetRequests(const std::vector<Request>& value) { requests_ = value; }
    void AddRequest(const std::u16string& path, uint16_t mode) { requests_.emplace_back(path, mode); }

private:
    std::vector<Request> requests_;
};

// 1. Body: status.
class SMsgDirG2StatusReply : public SmallMessage {
public:
    static constexpr uint32_t kType = 1;
    SMsgDirG2StatusReply();
    explicit SMsgDirG2StatusReply(const SmallMessage& received);
    SMsgDirG2StatusReply* Duplicate() const override { return new SMsgDirG2StatusReply(*this); }
    const uint8_t* Pack() override;
    void Unpack() override;
    int16_t GetStatus() const { return status_; }
    void SetStatus(int16_t value) { status_ = value; }

private:
    int16_t status_ = 0;
};

// 2. Body: status; when it is 0 or more, the field mask and the entity.
class SMsgDirG2SingleEntityReply : public SMsgDirG2EntityBase {
public:
    static constexpr uint32_t kType = 2;
    SMsgDirG2SingleEntityReply();
    explicit SMsgDirG2SingleEntityReply(const SmallMessage& received);
    SMsgDirG2SingleEntityReply* Duplicate() const override { return new SMsgDirG2SingleEntityReply(*this); }
    const uint8_t* Pack() override;
    void Unpack() override;
    uint32_t GetFieldMask() const override { return fieldMask_; }
    void SetFieldMask(uint32_t value) { fieldMask_ = value; }
    int16_t GetStatus() const { return status_; }
    void SetStatus(int16_t value) { status_ = value; }
    const DirEntity& GetEntity() const { return entity_; }
    void SetEntity(const DirEntity& value) { entity_ = value; }

private:
    int16_t status_ = 0;
    uint32_t fieldMask_ = 0;
    DirEntity entity_;
};

// 3. Body: status, sequence byte, field mask, entity list (whatever the status).
class SMsgDirG2MultiEntityReply : public SMsgDirG2EntityListBase {
public:
    static constexpr uint32_t kType = 3;
    SMsgDirG2MultiEntityReply();
    explicit SMsgDirG2MultiEntityReply(const SmallMessage& received);
    // Reads the entries straight onto the end of `into` (a list gathered from several replies), so
    // that they are neither copied nor moved again; this reply's own list stays empty.
    SMsgDirG2MultiEntityReply(const SmallMessage& received, std::vector<DirEntity>& into);
    SMsgDirG2MultiEntityReply* Duplicate() const override { return new SMsgDirG2MultiEntityReply(*this); }
    const uint8_t* Pack() override;
    void Unpack() override;
    uint32_t GetFieldMask() const override { return fieldMask_; }
    void SetFieldMask(uint32_t value) { fieldMask_ = value; }
    int16_t GetStatus() const { return status_; }
    void SetStatus(int16_t value) { status_ = value; }
    uint32_t ComputePackSize() const override { return SMsgDirG2EntityListBase::ComputePackSize() + 8; }

private:
    int16_t status_ = 0;
    uint32_t fieldMask_ = 0;
};

// 101. Body: status, sequence byte, entity list under the fixed mask (no mask travels).
class SMsgDirG2GetDirectoryContentsReply : public SMsgDirG2EntityListBase {
public:
    static constexpr uint32_t kType = 101;
    static constexpr uint32_t kFieldMask = 0x6020036;
    SMsgDirG2GetDirectoryContentsReply();
    explicit SMsgDirG2GetDirectoryContentsReply(const SmallMessage& received);
    SMsgDirG2GetDirectoryContentsReply* Duplicate() const override {
        return new SMsgDirG2GetDirectoryContentsReply(*this);
    }
    const uint8_t* Pack() override;
    void Unpack() override;
    uint32_t GetFieldMask() const override { return kFieldMask; }
    int16_t GetStatus() const { return status_; }
    void SetStatus(int16_t value) { status_ = value; }
    uint32_t ComputePackSize() const override { return SMsgDirG2EntityListBase::ComputePackSize() + 4; }

private:
    int16_t status_ = 0;
};

// 111. Body: count, then per result its status and count.
class SMsgDirG2GetNumEntitiesReply : public SmallMessage {
public:
    static constexpr uint32_t kType = 111;
    using Result = std::pair<int16_t, uint16_t>;  // status, count
    SMsgDirG2GetNumEntitiesReply();
    explicit SMsgDirG2GetNumEntitiesReply(const SmallMessage& received);
    SMsgDirG2GetNumEntitiesReply* Duplicate() const override { return new SMsgDirG2GetNumEntitiesReply(*this); }
    const uint8_t* Pack() override;
    void Unpack() override;
    const std::vector<Result>& GetResults() const { return results_; }
    void SetResults(const std::vector<Result>& value) { results_ = value; }
    void AddResult(int16_t status, uint16_t count) { results_.emplace_back(status, count); }

private:
    std::vector<Result> results_;
};

}  // namespace TarnMsg
