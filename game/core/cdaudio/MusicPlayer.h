#pragma once
// Music as the game's "CD": the files Music/Track01.ogg (or .wav) .. Track64 in the game folder are
// the audio tracks, in number order, and no files means no disc. A worker thread owns the playing:
// the game posts it requests (play a track, stop, rescan, quit); once a second it checks whether the
// track has ended and, for looping play, starts the next one: track 1 repeats itself, any other
// continues with a random track from 2 on. The stream's gain is the music volume.
#include <cstdint>
#include <string>
#include <vector>

namespace kes {

enum : int32_t {
    kCdNotOpen = static_cast<int32_t>(0x81231200),
    kCdNoDisc = static_cast<int32_t>(0x81231201),
    kCdStatusFailed = static_cast<int32_t>(0x81231202),
};

constexpr int kMaxCdTracks = 64;

// Minute-second-frame positions packed as bytes: 0 minutes, 1 seconds, 2 frames (75 a second).
constexpr uint32_t Msf(uint32_t minutes, uint32_t seconds, uint32_t frames) {
    return (minutes & 0xFF) | ((seconds & 0xFF) << 8) | ((frames & 0xFF) << 16);
}
// Field by field with carries: frames past 75 into seconds, seconds past 60 into minutes.
uint32_t MsfAdd(uint32_t a, uint32_t b);
uint32_t MsfToMilliseconds(uint32_t msf);
uint32_t MsfFromMilliseconds(uint32_t ms);
// The table index that follows a looping track once it has ended (r: the random number 0..32767).
int NextCdIndex(int repeatIndex, int count, int r);

struct CdTrackEntry {
    uint32_t track = 0;   // the file's number
    uint32_t start = 0;   // MSF
    uint32_t length = 0;  // MSF
    std::string path;
};

// The audio tracks in a folder, in number order (at most 64).
std::vector<CdTrackEntry> ScanMusicFolder(const std::string& folder);

// The player. Open starts the thread (0, or kCdNotOpen); a second open without a close does
// nothing. Close posts quit and joins the thread.
int MusicOpen();
int MusicStop();
int MusicClose();
void MusicPlayTrack(int index, int loop);
int MusicTrackCount();
// Installs the player behind CdOpen/CdStop/CdClose/CdPlayTrack/CdTrackCount.
void InstallMusicPlayer();

// Where the track files are ("" = "Music" in the game folder).
void SetMusicFolder(const std::string& folder);
// Tests: the end-of-track check's period (default 1000 ms), and the indexes started so far.
void SetMusicTimerPeriod(int milliseconds);
std::vector<int> MusicStartedIndexes();
bool MusicThreadRunning();

}  // namespace kes
