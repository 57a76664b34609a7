// Feeds arbitrary bytes as the "SLND" chunk to the Landscape plug-in inside a real editor core. Any
// result is fine; a crash, a hang or a read past the chunk is not.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "editor/core/Editor.h"
#include "platform/dialogs/Modal.h"
#include "plugins/landscape/LandscapePlugin.h"
#include "plugins/shared/MemoryStream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static qv::LandscapePlugin plugin;
    static std::unique_ptr<qv::Editor> editor = [] {
        auto e = std::make_unique<qv::Editor>();
        e->RegisterPlugin(&plugin, &plugin);
        return e;
    }();
    qv::MemoryStream in(std::vector<uint8_t>(data, data + size));
    if (plugin.LoadChunk(&in, static_cast<uint32_t>(size)) == 0) {
        // A chunk that was taken must answer the ground questions and be written again.
        plugin.grid.HeightAt(0.0f, 0.0f);
        plugin.grid.NormalAt(1e9f, -1e9f);
        qv::MemoryStream out;
        uint32_t written = 0;
        plugin.SaveChunk(&out, &written);
    }
    plat::ClearMessagesShown();
    return 0;
}
