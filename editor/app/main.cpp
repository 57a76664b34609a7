// QV, the world editor. Options for tests and tools:
//     --plugins FOLDER     load the "*.qv" libraries of FOLDER instead of the program's folder
//     --screenshot FILE    write the window's last frame as a 24-bit BMP when the editor ends
//     WORLD                open this world file after start-up
#include <cstdio>
#include <cstring>
#include <string>

#include "editor/app/AppDisplay.h"
#include "platform/fs/Paths.h"
#include "platform/sys/Env.h"

int main(int argc, char** argv) {
    qv::AppOptions options;
    options.pluginFolder = plat::GameFolder();
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--plugins" && i + 1 < argc) {
            options.pluginFolder = argv[++i];
        } else if (arg == "--screenshot" && i + 1 < argc) {
            options.screenshot = argv[++i];
        } else if (arg.rfind("--", 0) != 0 && options.world.empty()) {
            options.world = arg;
        } else {
            std::fprintf(stderr, "QV: unknown option %s\nusage: QV [--plugins FOLDER] [--screenshot FILE] [WORLD]\n", argv[i]);
            return 2;
        }
    }
    if (plat::RefuseBadEnv("QV")) return 2;
    const plat::EnvSettings& env = plat::Env();
    options.hidden = env.headless;
    if (env.quitAfterFrames) options.quitAfterFrames = *env.quitAfterFrames;
    return qv::RunEditor(options);
}
