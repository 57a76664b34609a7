#pragma once
// The file names of the 52 sounds of the effect bank ("ColSounds\" + name), in bank order: worlds
// name effects by these, and the bank's index of a name is its place here.
#include <cstdint>

namespace kes {

inline constexpr uint32_t kSoundEffectCount = 52;

inline constexpr const char* kSoundEffectNames[kSoundEffectCount] = {
    "ambulance.wav", "balloon.wav", "bangad.wav", "bangad small.wav", "bangbig.wav", "bangbike.wav",
    "bangbig small.wav", "bangboat.wav", "bangcar.wav", "bangcar small.wav", "bangcow.wav", "bangdul2.wav",
    "bangdull.wav", "bangfan1.wav", "bangfan2.wav", "banggen.wav", "banggenbig.wav", "banggensmall.wav",
    "banghorse.wav", "bangmain.wav", "bangpost.wav", "bangrail.wav", "bangramp.wav", "bangrave.wav",
    "bangrail small.wav", "bangramp small.wav", "bangsign.wav", "bangsign small.wav", "bangtape.wav",
    "brushtree.wav", "car.wav", "crash node1.wav", "crash node2.wav", "crash node3.wav", "crash node4.wav",
    "crash node5.wav", "crash node6.wav", "helicopter.wav", "land big.wav", "land small.wav", "leaves.wav",
    "plane.wav", "replay recording.wav", "replaybutton.wav", "replay option change.wav", "score.wav",
    "surfs1.wav", "surfs2.wav", "surfs3.wav", "ufo.wav", "vulture.wav", "beh5.wav",
};

}  // namespace kes
