#include "game/frontend/flow/KestrunFlow.h"

#include "game/app/startup/Startup.h"
#include "game/core/render/RenderInterface.h"
#include "game/frontend/flow/GameFlow.h"

namespace kes {

int KestrunGameFlow(const char* worldFile) {
    constexpr size_t kTracksFolder = 0;
    constexpr size_t kProfilesFolder = 2;
    const StartupState& s = Startup();
    GameFlowSetup setup;
    setup.render = &TheRenderInterface();
    setup.paths = FrontEndPaths{s.gameFolder, s.trackPackPath, s.folders[kTracksFolder]};
    setup.profilesFolderPresent = s.folderPresent[kProfilesFolder];
    return GameFlow(worldFile, setup);
}

}  // namespace kes
