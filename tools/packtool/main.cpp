// packtool: builds, lists, extracts and checks data packs.
#include <iostream>
#include <string>
#include <vector>

#include "tools/packtool/PackToolCommands.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return tools::RunPackTool(args, std::cout, std::cerr);
}
