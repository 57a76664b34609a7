#pragma once
// The music player's calls as start-up, the set-up dialog, shutdown and the game call them. The
// player is installed through these hooks (InstallMusicPlayer); without one the calls do nothing and
// return 0. Every call is counted so that start-up can be checked to open and close it in pairs.
namespace kes {

struct CdAudioHooks {
    int (*open)() = nullptr;
    int (*stop)() = nullptr;
    int (*close)() = nullptr;
    void (*play)(int index, int loop) = nullptr;
    int (*trackCount)() = nullptr;
};

void SetCdAudioHooks(const CdAudioHooks& hooks);
int CdOpen();
int CdStop();
int CdClose();
// Plays a track by its table index (1 = the first); loop continues when it ends.
void CdPlayTrack(int index, int loop);
int CdTrackCount();
// Opens not yet closed.
int CdOpenCount();

}  // namespace kes
