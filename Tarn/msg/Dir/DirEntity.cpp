#include "Tarn/msg/Dir/DirEntity.h"

#include <algorithm>
#include <bit>
#include <mutex>
#include <new>
#include <ostream>
#include <vector>

#include "Tarn/common/TextConvert.h"

namespace TarnMsg {

using TarnCommon::DataObject;

std::ostream& operator<<(std::ostream& out, const DirText& text) {
    return out << TarnCommon::WideToNarrow(text.str());
}

std::ostream& operator<<(std::ostream& out, const DirBytes& bytes) { return out << bytes.view(); }

namespace {
// An owned list: the vector keeps the objects, the reference points at its first one.
DirObjects OwnedObjects(std::vector<DataObject> objects) {
    if (objects.empty()) return {};
    auto own = std::make_shared<const std::vector<DataObject>>(std::move(objects));
    const auto size = static_cast<uint32_t>(own->size());
    return DirObjects(std::shared_ptr<const DataObject>(own, own->data()), size);
}
}  // namespace

DirObjects::DirObjects(const TarnCommon::DataObjectSet& set)
    : DirObjects(OwnedObjects(std::vector<DataObject>(set.begin(), set.end()))) {}

void DirObjects::insert(const DataObject& object) {
    const_iterator at = std::lower_bound(begin(), end(), object, TarnCommon::DataObjectLess());
    if (at != end() && at->Compare(object) == 0) return;
    std::vector<DataObject> objects;
    objects.reserve(size_ + 1);
    objects.insert(objects.end(), begin(), at);
    objects.push_back(object);
    objects.insert(objects.end(), at, end());
    *this = OwnedObjects(std::move(objects));
}

namespace {

// The large blocks of entity stores, kept for the next store when their store goes. A client that
// reads a long directory again and again would otherwise have the C library give the blocks back to
// the system and take them again at every query, and every page of them would fault in anew.
// Blocks come in sizes of powers of two; a bounded number of bytes is kept.
class RecycledBlocks final : public std::pmr::memory_resource {
public:
    static RecycledBlocks& Instance() {
        // Never destroyed: stores may go after static destruction began.
        static auto* instance = new RecycledBlocks;
        return *instance;
    }

private:
    static constexpr size_t kSmallest = 16 * 1024;  // the least size kept; smaller ones are rounded up
    static constexpr size_t kLargest = 4 * 1024 * 1024;
    static constexpr size_t kKeptBytes = 2 * 1024 * 1024;
    static constexpr size_t kAlignment = 64;

    RecycledBlocks() { kept_.reserve(kKeptBytes / kSmallest); }  // keeping a block never allocates

    static bool Recycled(size_t bytes, size_t alignment) { return alignment <= kAlignment && bytes <= kLargest; }
    static size_t SizeClass(size_t bytes) { return std::bit_ceil(std::max(bytes, kSmallest)); }

    void* do_allocate(size_t bytes, size_t alignment) override {
        if (!Recycled(bytes, alignment)) return ::operator new(bytes, std::align_val_t(std::max(alignment, kAlignment)));
        const size_t size = SizeClass(bytes);
        {
            std::lock_guard<std::mutex> hold(lock_);
            for (auto it = kept_.begin(); it != kept_.end(); ++it) {
                if (it->size != size) continue;
                void* block = it->block;
                keptBytes_ -= size;
                kept_.erase(it);
                return block;
            }
        }
        return ::operator new(size, std::align_val_t(kAlignment));
    }

    void do_deallocate(void* block, size_t bytes, size_t alignment) override {
        if (!Recycled(bytes, alignment)) {
            ::operator delete(block, std::align_val_t(std::max(alignment, kAlignment)));
            return;
        }
        const size_t size = SizeClass(bytes);
        {
            std::lock_guard<std::mutex> hold(lock_);
            if (keptBytes_ + size <= kKeptBytes) {
                kept_.push_back({block, size});
                keptBytes_ += size;
                return;
            }
        }
        ::operator delete(block, std::align_val_t(kAlignment));
    }

    bool do_is_equal(const std::pmr::memory_resource& other) const noexcept override { return this == &other; }

    struct Kept {
        void* block;
        size_t size;
    };
    std::mutex lock_;
    std::vector<Kept> kept_;
    size_t keptBytes_ = 0;
};

}  // namespace

std::shared_ptr<DirEntityStore> DirEntityStore::Make(size_t expectedBytes) {
    return std::make_shared<DirEntityStore>(expectedBytes);
}

DirEntityStore::DirEntityStore(size_t expectedBytes)
    : arena_(std::max<size_t>(expectedBytes, 256), &RecycledBlocks::Instance()) {}

DirEntityStore::~DirEntityStore() {
    for (ObjectBlock* block = objectBlocks_; block; block = block->next) {
        auto* objects = reinterpret_cast<DataObject*>(block + 1);
        std::destroy_n(objects, block->count);
    }
}

char16_t* DirEntityStore::NewText(uint32_t count) {
    return static_cast<char16_t*>(arena_.allocate(count * sizeof(char16_t), alignof(char16_t)));
}

char* DirEntityStore::NewBytes(uint32_t count) { return static_cast<char*>(arena_.allocate(count, 1)); }

const DataObject* DirEntityStore::TakeObjects(DataObject* objects, uint32_t count) {
    static_assert(sizeof(ObjectBlock) % alignof(DataObject) == 0, "the objects follow the block header");
    void* room = arena_.allocate(sizeof(ObjectBlock) + count * sizeof(DataObject),
                                 std::max(alignof(ObjectBlock), alignof(DataObject)));
    auto* block = new (room) ObjectBlock{objectBlocks_, 0};
    auto* copies = reinterpret_cast<DataObject*>(block + 1);
    std::uninitialized_move_n(objects, count, copies);
    block->count = count;
    objectBlocks_ = block;
    return copies;
}

}  // namespace TarnMsg
