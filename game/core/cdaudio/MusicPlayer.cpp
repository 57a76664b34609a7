// The music worker thread: track table, playing by table index, end-of-track continuation.
#include "game/core/cdaudio/MusicPlayer.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "game/core/cdaudio/CdAudio.h"
#include "platform/audio/AudioGains.h"
#include "platform/audio/AudioOutput.h"
#include "platform/audio/AudioSource.h"
#include "platform/fs/Paths.h"
#include "platform/media/MediaDecoder.h"
#include "platform/sys/CrtRand.h"

namespace kes {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kStreamRate = 44100;
constexpr size_t kStreamBufferFrames = 4410;  // 0.1 s
constexpr int kStreamBuffers = 6;
constexpr auto kStreamPoll = std::chrono::milliseconds(20);

enum class Request { Quit, Rescan, Stop, Play };

struct Message {
    Request request;
    int index = 0;
    int loop = 0;
};

// One track being streamed to the output, or timed by the clock when there is no output.
struct Stream {
    std::unique_ptr<plat::MediaDecoder> decoder;
    std::unique_ptr<plat::AudioSource> source;
    std::vector<uint32_t> freeBuffers;
    Clock::time_point started;
    uint32_t lengthMs = 0;
    bool decoderDone = false;

    ~Stream() {
        if (source) source->Stop();
        while (source) {
            const uint32_t b = source->UnqueueProcessed();
            if (!b) break;
            plat::FreeAudioBuffer(b);
        }
        source.reset();  // drops the remaining queued buffers' use
        for (uint32_t b : freeBuffers) plat::FreeAudioBuffer(b);
    }

    bool Playing() const {
        if (!source) return Clock::now() - started < std::chrono::milliseconds(lengthMs);
        return !decoderDone || source->IsPlaying();
    }

    // Keeps the output's queue filled; restarts the source after an underrun.
    void Feed() {
        if (!source) return;
        source->SetGain(plat::MusicGain());
        while (const uint32_t b = source->UnqueueProcessed()) plat::FreeAudioBuffer(b);
        std::vector<int16_t> samples;
        while (!decoderDone && source->QueuedCount() < kStreamBuffers) {
            if (!decoder->DecodeAudio(kStreamBufferFrames)) {
                decoderDone = true;
                break;
            }
            decoder->TakeAudio(&samples);
            const uint32_t b = plat::MakeAudioBuffer(samples.data(), samples.size() * 2, 2, 16, kStreamRate);
            if (!b) {
                decoderDone = true;
                break;
            }
            source->Queue(b);
        }
        if (!source->IsPlaying() && source->QueuedCount() > 0) source->Play(false);
    }
};

struct Player {
    std::mutex lock;
    std::condition_variable wake;
    std::deque<Message> queue;
    std::thread thread;
    bool open = false;
    std::string folder;
    int timerMs = 1000;
    std::vector<int> started;  // guarded by lock

    // Worker-thread state.
    std::vector<CdTrackEntry> table;
    std::atomic<int> count{0};  // read by MusicTrackCount from the game's thread
    int repeat = 0;
    std::unique_ptr<Stream> stream;
};

Player g_player;

std::string MusicFolder() {
    return g_player.folder.empty() ? plat::GameFolder() + "/Music/" : g_player.folder;
}

int Scan() {
    g_player.table = ScanMusicFolder(MusicFolder());
    g_player.count = static_cast<int>(g_player.table.size());
    return g_player.count ? 0 : kCdNoDisc;
}

void StopPlaying() { g_player.stream.reset(); }

// Plays table index i (1-based); the track's length in milliseconds, or 0.
uint32_t CdPlay(int i, int loop) {
    Player& p = g_player;
    if (i <= 0 || i > p.count) return 0;
    p.repeat = 0;
    const CdTrackEntry& e = p.table[static_cast<size_t>(i - 1)];
    StopPlaying();
    auto stream = std::make_unique<Stream>();
    stream->started = Clock::now();
    stream->lengthMs = MsfToMilliseconds(e.length);
    if (plat::CurrentAudioOutput()) {
        stream->decoder = plat::MediaDecoder::Open(plat::FileWindowReader::Open(e.path, 0, -1), 0, false, kStreamRate);
        if (!stream->decoder) return 0;
        stream->source = std::make_unique<plat::AudioSource>();
        if (!stream->source->Valid()) stream->source.reset();
        else stream->source->SetPan(0);
    }
    p.stream = std::move(stream);
    p.stream->Feed();
    {
        std::lock_guard<std::mutex> g(p.lock);
        p.started.push_back(i);
    }
    if (loop) p.repeat = i;
    return MsfToMilliseconds(e.length);
}

void OnTimer() {
    Player& p = g_player;
    if (p.repeat == 0) return;
    if (p.stream && p.stream->Playing()) return;
    const int next = NextCdIndex(p.repeat, p.count, plat::CrtRand());
    CdPlay(next, 1);
}

void CdThread() {
    Player& p = g_player;
    Scan();
    auto timer = Clock::now() + std::chrono::milliseconds(p.timerMs);
    for (;;) {
        Message m{};
        bool have = false;
        {
            std::unique_lock<std::mutex> g(p.lock);
            auto until = timer;
            if (p.stream && p.stream->source && Clock::now() + kStreamPoll < until) until = Clock::now() + kStreamPoll;
            p.wake.wait_until(g, until, [&] { return !p.queue.empty(); });
            if (!p.queue.empty()) {
                m = p.queue.front();
                p.queue.pop_front();
                have = true;
            }
        }
        if (have) {
            if (m.request == Request::Quit) break;
            if (m.request == Request::Rescan) Scan();
            if (m.request == Request::Stop) {
                StopPlaying();
                p.repeat = 0;
            }
            if (m.request == Request::Play) CdPlay(m.index, m.loop);
        }
        if (p.stream) p.stream->Feed();
        if (Clock::now() >= timer) {
            timer = Clock::now() + std::chrono::milliseconds(p.timerMs);
            OnTimer();
        }
    }
    StopPlaying();
    p.repeat = 0;
}

void Post(Message m) {
    {
        std::lock_guard<std::mutex> g(g_player.lock);
        if (!g_player.open) return;
        g_player.queue.push_back(m);
    }
    g_player.wake.notify_one();
}

}  // namespace

uint32_t MsfAdd(uint32_t a, uint32_t b) {
    uint32_t frames = ((a >> 16) & 0xFF) + ((b >> 16) & 0xFF);
    uint32_t seconds = ((a >> 8) & 0xFF) + ((b >> 8) & 0xFF);
    uint32_t minutes = (a & 0xFF) + (b & 0xFF);
    if (frames >= 75) {
        frames -= 75;
        ++seconds;
    }
    if (seconds >= 60) {
        seconds -= 60;
        ++minutes;
    }
    return Msf(minutes, seconds, frames);
}

uint32_t MsfToMilliseconds(uint32_t msf) {
    const uint32_t minutes = msf & 0xFF, seconds = (msf >> 8) & 0xFF, frames = (msf >> 16) & 0xFF;
    return frames * 1000 / 75 + (seconds + minutes * 60) * 1000;
}

uint32_t MsfFromMilliseconds(uint32_t ms) {
    uint32_t minutes = ms / 60000;
    if (minutes > 255) return Msf(255, 59, 74);
    return Msf(minutes, (ms / 1000) % 60, (ms % 1000) * 75 / 1000);
}

int NextCdIndex(int repeatIndex, int count, int r) {
    if (repeatIndex == 1) return 1;
    return ((r * (count - 1)) >> 15) + 2;
}

std::vector<CdTrackEntry> ScanMusicFolder(const std::string& folder) {
    std::vector<CdTrackEntry> table;
    for (int n = 1; n <= 99 && table.size() < kMaxCdTracks; ++n) {
        char name[32];
        for (const char* ext : {"ogg", "wav"}) {
            std::snprintf(name, sizeof name, "Track%02d.%s", n, ext);
            const std::string path = plat::ResolvePath(folder + "/" + name);
            if (!plat::PathExists(path) || plat::IsFolder(path)) continue;
            // A file that does not decode is skipped, as a data track is on a disc.
            auto decoder = plat::MediaDecoder::Open(plat::FileWindowReader::Open(path, 0, -1), 0, false, kStreamRate);
            if (!decoder) continue;
            CdTrackEntry e;
            e.track = static_cast<uint32_t>(n);
            e.length = MsfFromMilliseconds(static_cast<uint32_t>(decoder->DurationSeconds() * 1000.0));
            e.path = path;
            table.push_back(e);
            break;
        }
    }
    return table;
}

int MusicOpen() {
    Player& p = g_player;
    {
        std::lock_guard<std::mutex> g(p.lock);
        if (p.open) return 0;
        p.open = true;
        p.queue.clear();
        p.started.clear();
    }
    p.count = 0;
    p.thread = std::thread(CdThread);
    return 0;
}

int MusicStop() {
    if (!g_player.open) return kCdNotOpen;
    Post({Request::Stop});
    return 0;
}

int MusicClose() {
    Player& p = g_player;
    if (!p.open) return 0;
    Post({Request::Quit});
    // The worker never waits on a device: the join returns once it has read the quit request.
    if (p.thread.joinable()) p.thread.join();
    std::lock_guard<std::mutex> g(p.lock);
    p.open = false;
    p.queue.clear();
    p.table.clear();
    p.count = 0;
    return 0;
}

void MusicPlayTrack(int index, int loop) { Post({Request::Play, index, loop}); }

int MusicTrackCount() { return g_player.count; }

void InstallMusicPlayer() {
    CdAudioHooks hooks;
    hooks.open = MusicOpen;
    hooks.stop = MusicStop;
    hooks.close = MusicClose;
    hooks.play = MusicPlayTrack;
    hooks.trackCount = MusicTrackCount;
    SetCdAudioHooks(hooks);
}

void SetMusicFolder(const std::string& folder) { g_player.folder = folder; }

void SetMusicTimerPeriod(int milliseconds) { g_player.timerMs = milliseconds > 0 ? milliseconds : 1000; }

std::vector<int> MusicStartedIndexes() {
    std::lock_guard<std::mutex> g(g_player.lock);
    return g_player.started;
}

bool MusicThreadRunning() { return g_player.thread.joinable(); }

}  // namespace kes
