#pragma once
// The program's own two volume controls: one over the music stream and one over every effect voice.
// They stand where a desktop mixer's lines would be; the desktop's mixer is never touched.
namespace plat {

// Linear gains, 0.0 (silent) .. 1.0 (full); values outside are clamped. Any thread may read them.
void SetMusicGain(float gain);
float MusicGain();
void SetEffectsGain(float gain);
float EffectsGain();

}  // namespace plat
