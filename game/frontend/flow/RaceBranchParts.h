#pragma once
// The pieces of the race branch that the single-player races and the network race share.
#include <cstdint>

namespace kes {

class RenderInterface;
class Profile;

Profile* CurrentProfile();
// Descriptor 0 of the race: the local player with the profile's skins, controls and bike; returns
// the bike sound set of the chosen bike.
uint32_t FillPlayerDescriptor();
// The menu loop of one page that the flow shows between races; its quit code.
int ShowPage(uint32_t page);
// Places the 40 points of the point-collection mode and sinks them below the ground.
void PlaceCoursePoints();
// Sinks the points in place (placed here or received from the host) below the ground.
void SinkCoursePoints();
// The time limit of timed worlds in minutes.
uint32_t TimeLimit();

// The race branch of a network game; its quit code, or 3 when no race ran.
int RunNetworkRace(RenderInterface* render);

}  // namespace kes
