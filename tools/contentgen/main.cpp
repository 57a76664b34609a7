// contentgen OUTDIR [--force]: writes the default content packs into OUTDIR.
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "tools/contentgen/ContentGen.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    // The packs are rebuilt whenever this program is newer than them.
    std::error_code ec;
    std::string self = std::filesystem::read_symlink("/proc/self/exe", ec).string();
    return tools::RunContentGen(args, ec ? std::string() : self, std::cout, std::cerr);
}
