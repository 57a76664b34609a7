// Hooks standing in for the music player.
#include "game/core/cdaudio/CdAudio.h"

namespace kes {
namespace {
CdAudioHooks g_cd;
int g_open = 0;
}  // namespace

void SetCdAudioHooks(const CdAudioHooks& hooks) { g_cd = hooks; }

int CdOpen() {
    // A second open without a close would start a second player: refused.
    if (g_open > 0) return 0;
    ++g_open;
    return g_cd.open ? g_cd.open() : 0;
}

int CdStop() { return g_cd.stop ? g_cd.stop() : 0; }

int CdClose() {
    if (g_open == 0) return 0;
    --g_open;
    return g_cd.close ? g_cd.close() : 0;
}

void CdPlayTrack(int index, int loop) {
    if (g_cd.play) g_cd.play(index, loop);
}

int CdTrackCount() { return g_cd.trackCount ? g_cd.trackCount() : 0; }

int CdOpenCount() { return g_open; }

}  // namespace kes
