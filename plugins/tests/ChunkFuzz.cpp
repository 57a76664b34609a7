// Feeds arbitrary bytes as a plug-in's chunk to its reader inside a real editor core. Any result is
// fine; a crash, a hang or a read past the chunk is not.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "editor/core/Editor.h"
#include "platform/dialogs/Modal.h"
#include "plugins/shared/MemoryStream.h"

#if defined(FUZZ_PLUGIN_info)
#include "plugins/info/InfoPlugin.h"
using Plugin = qv::InfoPlugin;
#elif defined(FUZZ_PLUGIN_physics)
#include "plugins/physics/PhysicsPlugin.h"
using Plugin = qv::PhysicsPlugin;
#elif defined(FUZZ_PLUGIN_shadow)
#include "plugins/shadow/ShadowPlugin.h"
using Plugin = qv::ShadowPlugin;
#elif defined(FUZZ_PLUGIN_morvik)
#include "plugins/morvik/TrackPlugin.h"
using Plugin = qv::TrackPlugin;
#elif defined(FUZZ_PLUGIN_camera)
#include "plugins/camera/CameraPlugin.h"
using Plugin = qv::CameraPlugin;
#elif defined(FUZZ_PLUGIN_sky)
#include "plugins/sky/SkyPlugin.h"
using Plugin = qv::SkyPlugin;
#elif defined(FUZZ_PLUGIN_tessil)
#include "plugins/tessil/SoundPlugin.h"
using Plugin = qv::SoundPlugin;
#elif defined(FUZZ_PLUGIN_object)
#include "plugins/object/ObjectPlugin.h"
using Plugin = qv::ObjectPlugin;
#else
#include "plugins/password/PasswordPlugin.h"
using Plugin = qv::PasswordPlugin;
#endif

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Plugin plugin;
    static std::unique_ptr<qv::Editor> editor = [] {
        auto e = std::make_unique<qv::Editor>();
        e->RegisterPlugin(&plugin, &plugin);
        return e;
    }();
    qv::MemoryStream in(std::vector<uint8_t>(data, data + size));
    plugin.ResetWorld();
    plugin.LoadChunk(&in, static_cast<uint32_t>(size));
    plat::ClearMessagesShown();
    return 0;
}
