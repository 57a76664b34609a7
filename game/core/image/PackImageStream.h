#pragma once
// The picture readers over the game's file class (plain files, windows of packs, containers).
#include "game/core/image/ImageStream.h"
#include "game/core/pack/PackFile.h"

namespace kes {

class PackImageStream : public ImageStream {
public:
    explicit PackImageStream(PackFile& file) : file_(file) {}
    // The file class reads whole requests or nothing.
    size_t Read(void* out, size_t n) override {
        if (n == 0) return 0;
        if (n > 0x7FFFFFFF) return 0;
        return file_.Read(out, static_cast<uint32_t>(n)) == kOk ? n : 0;
    }
    uint64_t Tell() override {
        const int32_t p = file_.Tell();
        return p < 0 ? 0 : static_cast<uint64_t>(p);
    }
    bool Seek(uint64_t position) override {
        return position <= 0x7FFFFFFF && file_.Seek(static_cast<int32_t>(position), 0) == kOk;
    }
    uint64_t Remaining() override {
        const int32_t size = file_.Size(), pos = file_.Tell();
        return size > pos ? static_cast<uint64_t>(size - pos) : 0;
    }

private:
    PackFile& file_;
};

}  // namespace kes
