#pragma once
// Which worlds of the world list a player may choose: the three bonus worlds are offered only once
// the profile has unlocked them.
#include <cstdint>
#include <string>
#include <vector>

namespace kes {

struct WorldChoice {
    uint32_t index = 0;  // in the world list
    uint32_t identifier = 0;
    uint32_t kind = 0;
    std::string name;  // in the settings' language
};

// The bonus worlds 4001, 4002 and 4003 and the unlock bits (1, 2, 4 of the profile's unlock word)
// that offer them.
bool WorldUnlocked(uint32_t identifier, uint32_t unlocks);

// The worlds of one kind, in list order, without locked bonus worlds.
std::vector<WorldChoice> WorldsOfKind(uint32_t kind, uint32_t unlocks);
// Every world that can be raced (not the menu world), in list order, without locked bonus worlds.
std::vector<WorldChoice> RaceableWorlds(uint32_t unlocks);

}  // namespace kes
