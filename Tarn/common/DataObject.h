#pragma once
// A typed data item of a directory entry: a type key and data bytes in one shared body. Copies share
// the body (the count is atomic); a change first gives the changed handle a private body
// (copy on write), so a body shared between threads is never written.
#include <atomic>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace TarnCommon {

class DataObject {
public:
    DataObject();
    DataObject(const std::string& type, const std::string& data);
    DataObject(const DataObject& other) : body_(other.body_) {
        if (body_) body_->refCount.fetch_add(1, std::memory_order_relaxed);
    }
    DataObject& operator=(const DataObject& other);
    // A moved-from handle holds no body and reads as an empty object.
    DataObject(DataObject&& other) noexcept : body_(other.body_) { other.body_ = nullptr; }
    DataObject& operator=(DataObject&& other) noexcept;
    virtual ~DataObject() { Release(); }

    // -1, 0 or 1: the types compared as unsigned bytes over the shorter length, a shorter equal prefix
    // first; equal types then compare their data the same way when compareData is set.
    virtual int Compare(const DataObject& other, bool compareData = false) const;
    // Gives this handle a private body when the body is shared.
    virtual void Detach();

    const std::string& GetType() const;
    const std::string& GetData() const;
    void SetType(const std::string& type);
    void SetData(const std::string& data);
    // Handles sharing this object's body (0 when the body could not be made).
    int32_t GetRefCount() const { return body_ ? body_->refCount.load() : 0; }

private:
    struct Body {
        std::atomic<int32_t> refCount{1};
        std::string type;
        std::string data;
        uint32_t reserved[2] = {0, 0};
    };
    void Release() {
        if (body_ && body_->refCount.fetch_sub(1, std::memory_order_acq_rel) <= 1) delete body_;
        body_ = nullptr;
    }
    Body* body_;
};

// Orders data objects by type only, so that a set holds one object per type.
struct DataObjectLess {
    bool operator()(const DataObject& a, const DataObject& b) const { return a.Compare(b, false) < 0; }
};
using DataObjectSet = std::set<DataObject, DataObjectLess>;

// Hands out one shared body for equal data objects: a list of directory entries read from one reply
// mostly repeats a few objects ("MaxPlayers" 8, ...), and sharing them spares an allocation per object.
// Remembers a bounded number of distinct objects; past that every object gets a body of its own.
class DataObjectShare {
public:
    DataObject Get(std::string_view type, std::string_view data);

private:
    static constexpr size_t kMaxDistinct = 64;
    std::vector<DataObject> known_;
    size_t next_ = 0;  // where the search starts: objects tend to come in the same order each entry
};

// Byte-wise unsigned three-way comparison, shorter first on an equal prefix.
int CompareBytes(const std::string& a, const std::string& b);

}  // namespace TarnCommon
