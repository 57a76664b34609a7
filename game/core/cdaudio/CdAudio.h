#pragma once
// The music player's open, stop and close as start-up, the set-up dialog and shutdown call them. The
// player itself is installed through these hooks when it exists; until then the calls do nothing
// and return 0. Every call is counted so that start-up can be checked to open and close it in pairs.
namespace kes {

struct CdAudioHooks {
    int (*open)() = nullptr;
    int (*stop)() = nullptr;
    int (*close)() = nullptr;
};

void SetCdAudioHooks(const CdAudioHooks& hooks);
int CdOpen();
int CdStop();
int CdClose();
// Opens not yet closed.
int CdOpenCount();

}  // namespace kes
