// The library's one export.
#include "plugins/landscape/LandscapePlugin.h"

extern "C" __attribute__((visibility("default"))) qv::EditorPlugin* PluginDescription() {
    static qv::LandscapePlugin plugin;
    return &plugin;
}
