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

struct ImageRecord;

// One world of the world list (built by game/frontend/worlds). Texts are in glyph codes.
struct WorldRecord {
    uint32_t identifier = 0;
    uint32_t kind = 0;                     // kSelectWorldKind for the menu world
    std::string name;                      // display name: the name text up to its first "@"
    std::string nameText;                  // the whole name text ("English@Spanish@French@German")
    std::vector<std::string> description;  // lines of the description (one per CR)
    ImageRecord* preview = nullptr;        // owned by the list, or null
    uint32_t previewTexture = 0;           // 0 when none was made
    std::string fileName;                  // the name in the track pack or in the tracks folder
    std::string path;                      // the file to open: the track pack, or the loose world's full path
    uint32_t size = 0;
    uint32_t offset = 0;                   // in the track pack; 0 for a loose world
};
constexpr uint32_t kSelectWorldKind = 0xFFFFFFFFu;

extern std::vector<WorldRecord> g_WorldList;
uint32_t WorldCount();
const WorldRecord* WorldAt(uint32_t index);                   // null beyond the list
const WorldRecord* WorldFindNth(uint32_t n, uint32_t kind);   // the n-th (from 0) world of a kind, or null
const WorldRecord* WorldIndexOf(uint32_t identifier);         // null when no world has it

}  // namespace kes
