// contentgen OUTDIR [--force]: writes the default content packs into OUTDIR.
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "tools/contentgen/ContentGen.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    // The worlds are made in editor cores, each of which opens a sound device; nothing is played, so
    // the silent driver serves unless the caller chose another.
    setenv("ALSOFT_DRIVERS", "null", 0);
    // The packs are rebuilt whenever this program is newer than them.
    std::error_code ec;
    std::string self = std::filesystem::read_symlink("/proc/self/exe", ec).string();
    return tools::RunContentGen(args, ec ? std::string() : self, std::cout, std::cerr);
}
