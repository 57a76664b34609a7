#pragma once
// The game flow as the game program installs it: the flow with the folders and the renderer that
// start-up found.
namespace kes {

int KestrunGameFlow(const char* worldFile);

}  // namespace kes
