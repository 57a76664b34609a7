#include "game/world/sounds/SoundLoad.h"

namespace kes {

AudioSystem* PlayingAudio() {
    AudioSystem* a = TheAudioSystem();
    return a && a->IsOpen() ? a : nullptr;
}

SoundVoice* LoadGameSound(AudioSystem* audio, const char* name) {
    if (!audio) return nullptr;
    SoundVoice* v = audio->LoadSoundFile(name);
    return v ? v : audio->LoadSoundFromPack(name);
}

void DropVoice(SoundVoice*& voice) {
    if (!voice) return;
    voice->Stop();
    delete voice;
    voice = nullptr;
}

void PlayFromStart(SoundVoice* voice, const Vec3& at) {
    if (!voice) return;
    voice->SetPosition(&at);
    voice->SetPlayPosition(0);
    voice->Play(0);
}

}  // namespace kes
