#pragma once
// The command line of quelm: reads a model file into the modeller scene, selects nodes, and runs
// the exporter with the panel's settings given as options.
#include <ostream>
#include <string>
#include <vector>

namespace quelm {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// args are the arguments after the program name. The exporter's prompts go to out, its message
// boxes and the tool's own errors to err. Returns the process exit code.
int RunQuelm(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace quelm
