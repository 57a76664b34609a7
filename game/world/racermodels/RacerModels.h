#pragma once
// Connects the racers to the bike and rider models: with the models loaded, every racer made
// afterwards gets its own rider, the rider's pose follows the bike body each frame (whether or not
// anything is drawn, so a drawn race and a headless one run the same), and drawing a racer draws
// its bike and rider meshes, or the crashed rider's mesh bent over the rider body.
#include <cstdint>

namespace kes {

class RenderInterface;
class RiderAnimation;
struct RiderInstance;

// Loads the rider and the bike models (with their detail levels) from the open data pack and connects
// them. False, with nothing connected, when either cannot be loaded.
bool LoadRacerModels(RenderInterface* renderer);
// Disconnects the racers from the models and frees both.
void FreeRacerModels();

// Fills the racer hooks of the models that are loaded (the bike models, TheBikeModels(); the rider,
// TheRiderModel()) and empties those of the models that are not. Call after loading the models and
// before making racers; racers made before keep doing without a rider.
void ConnectRacerModels();
// Empties the hooks ConnectRacerModels filled. Call after the last racer is gone.
void DisconnectRacerModels();

// The rider a connected racer carries (its record's rider pointer): the model's instance and the
// animation the bike body plays its tricks through.
RiderInstance* RacerRiderInstance(void* rider);
RiderAnimation* RacerRiderAnimation(void* rider);

}  // namespace kes
