#pragma once
// The text lines of the game list and the game room, made from the records they show. Every line is
// cut at 64 characters; names are read only up to their field's size, so that a name without its
// terminator from the network never reads beyond its record.
#include <cstdint>
#include <string>
#include <vector>

#include "game/net/NetGame.h"

namespace kes {

struct ConfigRecord;
struct WorldRecord;

constexpr size_t kLobbyLineChars = 64;

// "%-16s          %d/%d": the game's name (its first 16 characters), players and maximum players.
std::string GameListLine(const ServerRecord& game);

// "(%d) %-16s" while no round-trip time is known (0), else "(%d) %-16s  %4d ms".
std::string PlayerLine(uint32_t slot, const char (&name)[16], uint32_t roundTripMs);

// The three lines of the race settings: the world (null when none is chosen or it is not listed),
// the game mode with its laps, time limit or points, and the world's name in the language.
std::vector<std::string> SettingsLines(const WorldRecord* world, const ConfigRecord& config, bool series);

// The bike the host rides: its class 0-3 when its parameters are a preset row, else 4 with them.
struct HostBike {
    uint32_t bikeClass = 0;
    int32_t params[4] = {};
};
// From the host's player record: bike parameters 1-4 are record words 6, 4, 5, 3 (floats), each
// x 100 and truncated.
HostBike HostBikeFromInfo(const NetPlayerInfo& info);
// "%s : %s" with the class's name, or for a custom bike the heading and four "%-14s : %3d" lines.
std::vector<std::string> BikeLines(const HostBike& bike);

}  // namespace kes
