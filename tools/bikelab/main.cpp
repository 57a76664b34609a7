// bikelab: drives one bike through a script on a generated ground or a world file and prints its
// trajectory as CSV (and, with a world, its world contacts on standard error; with --effects the
// particles it throws up and, with a sound pack, its engine bank as heard); or runs computer riders
// around a world's AI track and prints their lap times.
//   bikelab SCRIPT [--every N] [--route] [--effects [--sounds PACK]]
//   bikelab --riders N WORLD [--laps L] [--seconds S] [--seed K] [--trace EVERY]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "tools/bikelab/BikeRun.h"
#include "tools/bikelab/BikeScript.h"
#include "tools/bikelab/RiderRun.h"

namespace {

const char kUsage[] =
    "usage: bikelab SCRIPT [--every N] [--route] [--effects [--sounds PACK]]\n"
    "       bikelab --riders N WORLD [--laps L] [--seconds S] [--seed K] [--trace EVERY]\n";

int Usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

int RunRiders(const char* world, const tools::RiderRunOptions& options) {
    const tools::RiderRunResult result = tools::RunComputerRiders(world, options);
    if (!result.worldLoaded) {
        std::fprintf(stderr, "bikelab: cannot load the world %s\n", world);
        return 1;
    }
    if (!result.hasRoute) {
        std::fprintf(stderr, "bikelab: the world %s has no AI track to ride\n", world);
        return 1;
    }
    const std::string report = tools::RiderReportText(result);
    std::fwrite(report.data(), 1, report.size(), stderr);
    if (options.traceEvery > 0) {
        const std::string csv = tools::TrajectoryCsv(result.trace, true);
        std::fwrite(csv.data(), 1, csv.size(), stdout);
    }
    return result.finite ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const char* path = nullptr;
    tools::RunOptions options;
    tools::RiderRunOptions riders;
    bool riderMode = false;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--every") == 0 && hasValue) {
            options.rowEveryFrames = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--effects") == 0) {
            options.effects = true;
        } else if (std::strcmp(argv[i], "--sounds") == 0 && hasValue) {
            options.soundPack = argv[++i];
        } else if (std::strcmp(argv[i], "--route") == 0) {
            options.routeColumns = true;
        } else if (std::strcmp(argv[i], "--riders") == 0 && hasValue) {
            riderMode = true;
            riders.riders = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--laps") == 0 && hasValue) {
            riders.laps = static_cast<uint32_t>(std::strtoul(argv[++i], nullptr, 10));
        } else if (std::strcmp(argv[i], "--seconds") == 0 && hasValue) {
            riders.maxSeconds = std::atof(argv[++i]);
        } else if (std::strcmp(argv[i], "--seed") == 0 && hasValue) {
            riders.seed = static_cast<uint32_t>(std::strtoul(argv[++i], nullptr, 10));
        } else if (std::strcmp(argv[i], "--trace") == 0 && hasValue) {
            riders.traceEvery = std::atoi(argv[++i]);
        } else if (path == nullptr && argv[i][0] != '-') {
            path = argv[i];
        } else {
            return Usage();
        }
    }
    if (path == nullptr) return Usage();
    if (riderMode) {
        if (riders.riders < 1 || riders.riders > 8 || !(riders.maxSeconds > 0 && riders.maxSeconds <= 3600))
            return Usage();
        return RunRiders(path, riders);
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
    const std::string csv = tools::TrajectoryCsv(result.rows, options.routeColumns);
    std::fwrite(csv.data(), 1, csv.size(), stdout);
    return 0;
}
