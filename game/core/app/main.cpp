// Kestrun: the game program.
#include <string>
#include <vector>

#include "game/core/app/Startup.h"
#include "game/core/setup/SetupDialog.h"

int main(int argc, char** argv) {
    std::vector<std::string> tokens(argv, argv + argc);
    kes::InstallSetupSteps();
    return kes::GameMain(tokens);
}
