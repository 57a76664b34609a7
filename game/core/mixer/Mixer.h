#pragma once
// The two volume lines the game sets from its settings: music (kind 0) and effects (kind 1). They are
// gains inside the program, over the music stream and over every effect voice; the desktop's mixer
// is never touched. Levels are fractions 0.0 (silent) .. 1.0 (full).
namespace kes {

enum MixerLine : int {
    kMixerMusic = 0,
    kMixerEffects = 1,
};

// Reads the line's current level into its saved level. 0, or -1 for an unknown kind.
int MixerFindVolume(int kind);
// Sets the line's level; the saved level is left alone, so a restore gives back what was saved.
void MixerSetVolume(int kind, float level);
void MixerSaveVolumes();
void MixerRestoreVolumes();
// The saved level of a line (tests).
float MixerSavedLevel(int kind);

}  // namespace kes
