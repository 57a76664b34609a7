// The library's one export.
#include "plugins/morvik/TrackPlugin.h"

extern "C" __attribute__((visibility("default"))) qv::EditorPlugin* PluginDescription() {
    static qv::TrackPlugin plugin;
    return &plugin;
}
