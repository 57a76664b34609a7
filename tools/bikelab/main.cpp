// bikelab: drives one bike through a script on a generated ground or a world file and prints its
// trajectory as CSV (and, with a world, its world contacts on standard error).
//   bikelab SCRIPT [--every N] [--effects [--sounds PACK]]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "tools/bikelab/BikeRun.h"
#include "tools/bikelab/BikeScript.h"

int main(int argc, char** argv) {
    const char* path = nullptr;
    tools::RunOptions options;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--every") == 0 && i + 1 < argc) {
            options.rowEveryFrames = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--effects") == 0) {
            options.effects = true;
        } else if (std::strcmp(argv[i], "--sounds") == 0 && i + 1 < argc) {
            options.soundPack = argv[++i];
        } else if (path == nullptr && argv[i][0] != '-') {
            path = argv[i];
        } else {
            std::fprintf(stderr, "usage: bikelab SCRIPT [--every N] [--effects [--sounds PACK]]\n");
            return 2;
        }
    }
    if (path == nullptr) {
        std::fprintf(stderr, "usage: bikelab SCRIPT [--every N] [--effects [--sounds PACK]]\n");
        return 2;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "bikelab: cannot read %s\n", path);
        return 1;
    }
    std::stringstream text;
    text << in.rdbuf();
    tools::BikeScript script;
    std::string error;
    if (!tools::ParseBikeScript(text.str(), &script, &error)) {
        std::fprintf(stderr, "bikelab: %s: %s\n", path, error.c_str());
        return 1;
    }
    const tools::RunResult result = tools::RunBikeScript(script, options);
    if (!result.worldLoaded) {
        std::fprintf(stderr, "bikelab: cannot load the world %s\n", script.worldPath.c_str());
        return 1;
    }
    if (!script.worldPath.empty())
        std::fprintf(stderr, "bikelab: world contacts %u, fence panels broken %u, pickups collected %u (points %.0f)\n",
                     result.worldContacts, result.panelsBroken, result.pickups, result.points);
    if (!result.effects.empty()) std::fputs(result.effects.c_str(), stderr);
    const std::string csv = tools::TrajectoryCsv(result.rows);
    std::fwrite(csv.data(), 1, csv.size(), stdout);
    return 0;
}
