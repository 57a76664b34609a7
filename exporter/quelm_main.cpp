// quelm: writes the meshes of a model file as a JMESH5 or JMESH4 mesh file.
#include <iostream>

#include "exporter/QuelmCommand.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return quelm::RunQuelm(args, std::cout, std::cerr);
}
