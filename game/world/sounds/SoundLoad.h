#pragma once
// Loading a sound of the game: a file on disk first, then the data pack.
#include "game/core/audio/AudioSystem.h"

namespace kes {

// The running sound system when it can play, else null.
AudioSystem* PlayingAudio();
// The sound as a voice, or null when neither the disk nor the pack has a playable one.
SoundVoice* LoadGameSound(AudioSystem* audio, const char* name);
// Deletes the voice (after stopping it) and clears the pointer.
void DropVoice(SoundVoice*& voice);
// Places a voice and plays it once from its start.
void PlayFromStart(SoundVoice* voice, const Vec3& at);

}  // namespace kes
