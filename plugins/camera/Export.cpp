// The library's one export.
#include "plugins/camera/CameraPlugin.h"

extern "C" __attribute__((visibility("default"))) qv::EditorPlugin* PluginDescription() {
    static qv::CameraPlugin plugin;
    return &plugin;
}
