// The library's one export.
#include "plugins/tessil/SoundPlugin.h"

extern "C" __attribute__((visibility("default"))) qv::EditorPlugin* PluginDescription() {
    static qv::SoundPlugin plugin;
    return &plugin;
}
