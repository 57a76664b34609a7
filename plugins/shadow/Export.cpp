// The library's one export.
#include "plugins/shadow/ShadowPlugin.h"

extern "C" __attribute__((visibility("default"))) qv::EditorPlugin* PluginDescription() {
    static qv::ShadowPlugin plugin;
    return &plugin;
}
