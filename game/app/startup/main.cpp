// Kestrun: the game program.
#include <string>
#include <vector>

#include "game/app/startup/Startup.h"
#include "game/core/setup/SetupDialog.h"
#include "game/frontend/flow/KestrunFlow.h"
#include "platform/sys/Env.h"

int main(int argc, char** argv) {
    // A test or tool that set a steering variable wrongly gets told, not an endless run.
    if (plat::RefuseBadEnv("Kestrun")) return 2;
    std::vector<std::string> tokens(argv, argv + argc);
    kes::InstallSetupSteps();
    kes::InstallDialogRunner();
    kes::SetGameFlow(kes::KestrunGameFlow);
    return kes::GameMain(tokens);
}
