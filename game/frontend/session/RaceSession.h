#pragma once
// What the game flow shares with the network layer: the race phase, the lobby's two flag words and
// the world list's identifiers.
#include <cstdint>
#include <string>
#include <vector>

namespace kes {

// The race phase; lap records are refused from phase 9 on.
uint32_t RacePhase();
// Stores the phase. When not from the network, the installed broadcast runs first (the network layer
// installs one that sends the phase to every player when this machine hosts).
void SetRacePhase(uint32_t phase, uint32_t fromNetwork);
using RacePhaseBroadcast = void (*)(uint32_t phase);
void SetRacePhaseBroadcast(RacePhaseBroadcast broadcast);

// The host's flag word sent in the race settings, and the word a client received there.
extern uint32_t g_HostFlagWord;
extern uint32_t g_ReceivedHostFlagWord;

// One world of the world list; its first word is the world identifier.
struct WorldRecord {
    uint32_t identifier = 0;
    std::string name;
};
extern std::vector<WorldRecord> g_WorldList;
const WorldRecord* WorldAt(uint32_t index);       // null beyond the list
int WorldIndexOf(uint32_t identifier);            // -1 when no world has it

}  // namespace kes
