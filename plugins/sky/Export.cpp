// The library's one export.
#include "plugins/sky/SkyPlugin.h"

extern "C" __attribute__((visibility("default"))) qv::EditorPlugin* PluginDescription() {
    static qv::SkyPlugin plugin;
    return &plugin;
}
