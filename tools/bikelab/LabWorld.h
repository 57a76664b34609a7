#pragma once
// The world file a lab run loads: its chunks fill the game's world state for the run, textures become
// table entries only (nothing is drawn), and the scene-object pool holds the world's dynamic objects
// and the lab's racers. Pickups pay into the run's own profile.
#include <cstdint>
#include <string>

#include "game/world/chunk/TableRender.h"

namespace tools {

class LabWorld {
public:
    // An empty path loads nothing (the run uses a generated ground).
    explicit LabWorld(const std::string& path);
    ~LabWorld();
    LabWorld(const LabWorld&) = delete;
    LabWorld& operator=(const LabWorld&) = delete;
    bool Loaded() const { return loaded_; }
    // Bonus pickups collected and the points they paid into the run's profile.
    static uint32_t Pickups();
    static float Points();

private:
    kes::TableRender render_;
    bool loaded_ = false;
};

}  // namespace tools
