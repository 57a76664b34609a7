#pragma once
// The front-end pages install their entries in the menu engine's page table. The game flow installs
// them all once, after the front end is loaded.
#include <cstdint>

#include "game/net/NetGame.h"

namespace kes {

class Profile;

// The bike the race and the network player record carry (six words).
struct BikeSetup {
    uint32_t value0 = 0;
    float param4 = 0, param2 = 0, param3 = 0, param1 = 0;  // parameter x 0.01001
    uint32_t value1 = 0;
};
// From the race set-up words; returns the bike's tier 0-2 (the bike sound set).
uint32_t FillBikeSetup(BikeSetup* out);
// The local player's network record: the profile's skin checksums (none without a profile), then the
// bike of the race set-up words.
NetPlayerInfo MakeLocalPlayerInfo(const Profile* profile);

void InstallMainPages();         // 0 main, 7 world, 14 tutorial
void InstallProfilePages();      // 5 profile, 6 rider
void InstallChampionshipPage();  // 12 race set-up of the championship and the host
void InstallOptionsPages();      // 1 options, 2 display, 3 sound, 8 in-race menu
void InstallControlsPage();      // 4 controls
void InstallBikeSetupPage();     // 11 bike set-up
void InstallResultsPages();      // 16-22 results
void InstallLobbyPages();        // 9 and 15 network game list, 10 host page, 13 game room

}  // namespace kes
