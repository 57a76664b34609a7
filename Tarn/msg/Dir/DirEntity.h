#pragma once
// One directory entry (a directory or a service) as the directory replies carry it, and the field mask
// that says which of its fields travel.
//
// A query can bring thousands of entries. Their texts, bytes and data objects are not kept in a heap
// block each: the entries read from one reply keep them together in one shared store (a few large
// blocks), and every field holds a shared reference into it. A field set by hand gets a block of its
// own. Fields never change in place, so entries copied to other threads can be read there safely.
#include <cstdint>
#include <iosfwd>
#include <iterator>
#include <memory>
#include <memory_resource>
#include <string>
#include <string_view>

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

// An unchangeable run of characters held by a shared reference: a text or a byte string of an entry.
// Reads like the standard string of its character type; assigning replaces the whole run.
template <typename Char>
class DirRun {
public:
    using View = std::basic_string_view<Char>;
    using String = std::basic_string<Char>;

    DirRun() = default;
    DirRun(View text) { Assign(text); }
    DirRun(const String& text) { Assign(text); }
    DirRun(const Char* text) { Assign(text ? View(text) : View()); }
    // Characters that `keep` holds alive.
    DirRun(std::shared_ptr<const Char> keep, uint32_t size) : chars_(std::move(keep)), size_(size) {}

    View view() const { return View(data(), size_); }
    operator View() const { return view(); }
    String str() const { return String(view()); }
    operator String() const { return str(); }

    const Char* data() const { return chars_ ? chars_.get() : Empty(); }
    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    Char operator[](size_t i) const { return data()[i]; }
    Char back() const { return data()[size_ - 1]; }
    const Char* begin() const { return data(); }
    const Char* end() const { return data() + size_; }

    friend bool operator==(const DirRun& a, View b) { return a.view() == b; }

private:
    static const Char* Empty() {
        static const Char none{};
        return &none;
    }
    void Assign(View text) {
        size_ = static_cast<uint32_t>(text.size());
        if (text.empty()) {
            chars_.reset();
            return;
        }
        std::shared_ptr<Char[]> own(new Char[text.size()]);
        text.copy(own.get(), text.size());
        chars_ = std::shared_ptr<const Char>(own, own.get());
    }

    std::shared_ptr<const Char> chars_;
    uint32_t size_ = 0;
};

using DirText = DirRun<char16_t>;
using DirBytes = DirRun<char>;

std::ostream& operator<<(std::ostream& out, const DirText& text);
std::ostream& operator<<(std::ostream& out, const DirBytes& bytes);

// An entry's data objects: ordered by type (DataObjectLess), one per type, held by a shared reference.
// Reads like the set it stands for; insert and clear replace the whole list.
class DirObjects {
public:
    using const_iterator = const TarnCommon::DataObject*;
    using const_reverse_iterator = std::reverse_iterator<const_iterator>;

    DirObjects() = default;
    DirObjects(const TarnCommon::DataObjectSet& set);
    // Objects that `keep` holds alive, already in order and of distinct types.
    DirObjects(std::shared_ptr<const TarnCommon::DataObject> keep, uint32_t size)
        : first_(std::move(keep)), size_(size) {}

    const_iterator begin() const { return first_.get(); }
    const_iterator end() const { return first_.get() + size_; }
    const_reverse_iterator rbegin() const { return const_reverse_iterator(end()); }
    const_reverse_iterator rend() const { return const_reverse_iterator(begin()); }
    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    // Like the set's insert: an object whose type is already present is not taken.
    void insert(const TarnCommon::DataObject& object);
    void clear() { *this = DirObjects(); }
    TarnCommon::DataObjectSet ToSet() const { return TarnCommon::DataObjectSet(begin(), end()); }

private:
    std::shared_ptr<const TarnCommon::DataObject> first_;
    uint32_t size_ = 0;
};

// The shared store of the entries read from one reply: texts, byte strings and data objects laid end
// to end in a few large blocks, released when the last field that refers to it goes.
class DirEntityStore {
public:
    // `expectedBytes`: what the entries will probably need, the size of the first block.
    static std::shared_ptr<DirEntityStore> Make(size_t expectedBytes);
    explicit DirEntityStore(size_t expectedBytes);
    ~DirEntityStore();
    DirEntityStore(const DirEntityStore&) = delete;
    DirEntityStore& operator=(const DirEntityStore&) = delete;

    // Room for `count` characters or bytes, to be filled before the run is handed out.
    char16_t* NewText(uint32_t count);
    char* NewBytes(uint32_t count);
    // Takes `count` data objects over (the handles are left empty); destroyed with the store.
    const TarnCommon::DataObject* TakeObjects(TarnCommon::DataObject* objects, uint32_t count);

private:
    struct ObjectBlock {
        ObjectBlock* next;
        uint32_t count;
    };
    std::pmr::monotonic_buffer_resource arena_;
    ObjectBlock* objectBlocks_ = nullptr;
};

struct DirEntity {
    static constexpr uint8_t kDirectory = 'D';
    static constexpr uint8_t kService = 'S';

    uint8_t type = 0;
    DirText path;
    DirText name;
    DirText displayName;
    uint32_t numberA = 0;  // the server's numbers, carried unchanged
    uint32_t numberB = 0;
    uint32_t numberC = 0;
    DirObjects dataObjects;
    uint8_t directoryByte = 0;  // directories only
    DirBytes netAddress;        // services only, at most 255 bytes
};

}  // namespace TarnMsg
