// The library's one export.
#include "plugins/password/PasswordPlugin.h"

extern "C" __attribute__((visibility("default"))) qv::EditorPlugin* PluginDescription() {
    static qv::PasswordPlugin plugin;
    return &plugin;
}
