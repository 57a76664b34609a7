// The library's one export.
#include "plugins/texture/TexturePlugin.h"

extern "C" __attribute__((visibility("default"))) qv::EditorPlugin* PluginDescription() {
    static qv::TexturePlugin plugin;
    return &plugin;
}
