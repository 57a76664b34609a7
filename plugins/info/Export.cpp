// The library's one export.
#include "plugins/info/InfoPlugin.h"

extern "C" __attribute__((visibility("default"))) qv::EditorPlugin* PluginDescription() {
    static qv::InfoPlugin plugin;
    return &plugin;
}
