// Kestrun: the game program.
#include <string>
#include <vector>

#include "game/app/startup/Startup.h"
#include "game/core/setup/SetupDialog.h"

int main(int argc, char** argv) {
    std::vector<std::string> tokens(argv, argv + argc);
    kes::InstallSetupSteps();
    return kes::GameMain(tokens);
}
