#include "game/world/chunk/TextureList.h"

#include "game/core/render/RenderInterface.h"

namespace kes {

int32_t LoadTextureList(ChunkStream& s, RenderInterface* render, uint32_t keepFormat, std::vector<uint32_t>* handles) {
    s.Skip(8);
    const uint32_t count = s.U32();
    if (!s.Ok() || count > s.Remaining() / kMinTextureRecordBytes) return -1;
    for (uint32_t n = 0; n < count; ++n) {
        uint32_t handle = 0;
        const int32_t r = render ? render->LoadTextureRecord(s, &handle, keepFormat, 0) : -1;
        if (r < 0) return r;
        if (r != 0) return -1;
        if (handles) handles->push_back(handle);
    }
    return 0;
}

}  // namespace kes
