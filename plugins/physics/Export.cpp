// The library's one export.
#include "plugins/physics/PhysicsPlugin.h"

extern "C" __attribute__((visibility("default"))) qv::EditorPlugin* PluginDescription() {
    static qv::PhysicsPlugin plugin;
    return &plugin;
}
