// The library's one export.
#include "plugins/object/ObjectPlugin.h"

extern "C" __attribute__((visibility("default"))) qv::EditorPlugin* PluginDescription() {
    static qv::ObjectPlugin plugin;
    return &plugin;
}
