// Movie playback: the pack's directory, decoding through the media layer, frames into a 2D surface
// shown full screen, the sound through a streaming source, and the movie's own event loop.
#include "game/app/movie/MoviePlayer.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "game/app/loop/FrameLoop.h"
#include "game/core/config/Config.h"
#include "game/core/datapack/MoviePackDirectory.h"
#include "game/core/display/Display.h"
#include "game/core/input/Input.h"
#include "game/core/input/InputScript.h"
#include "game/core/pack/PackFile.h"
#include "platform/audio/AudioGains.h"
#include "platform/audio/AudioOutput.h"
#include "platform/audio/AudioSource.h"
#include "platform/bytes/AsciiCase.h"
#include "platform/gfx/GfxDevice.h"
#include "platform/media/MediaDecoder.h"
#include "platform/sys/Clock.h"
#include "platform/sys/Env.h"
#include "platform/sys/EventLog.h"

namespace kes {
namespace {

constexpr uint32_t kDikEscape = 1;

struct MoviePack {
    std::string path;
    std::vector<MoviePackEntry> entries;
    bool open = false;
};

MoviePack g_pack;
MovieReaderWrapper g_wrapper;
std::function<void(int)> g_frameObserver;

// The movie's sound, queued as it is decoded.
class MovieSound {
public:
    explicit MovieSound(int rate) : rate_(rate) {
        if (plat::CurrentAudioOutput()) source_ = std::make_unique<plat::AudioSource>();
        if (source_ && !source_->Valid()) source_.reset();
        if (source_) source_->SetPan(0);
    }
    ~MovieSound() {
        if (!source_) return;
        source_->Stop();
        while (const uint32_t b = source_->UnqueueProcessed()) plat::FreeAudioBuffer(b);
    }
    void Add(const std::vector<int16_t>& samples) {
        if (!source_ || samples.empty()) return;
        while (const uint32_t b = source_->UnqueueProcessed()) plat::FreeAudioBuffer(b);
        const uint32_t b = plat::MakeAudioBuffer(samples.data(), samples.size() * 2, 2, 16, rate_);
        if (!b) return;
        source_->SetGain(plat::EffectsGain());
        source_->Queue(b);
        if (!paused_ && !source_->IsPlaying()) source_->Play(false);
    }
    void Pause(bool on) {
        paused_ = on;
        if (!source_) return;
        if (on) source_->Pause();
        else source_->Resume();
    }

private:
    int rate_;
    bool paused_ = false;
    std::unique_ptr<plat::AudioSource> source_;
};

void ClearScreenTwice() {
    plat::GfxDevice* gfx = DisplayGfx();
    if (!gfx) return;
    uint32_t w = 0, h = 0;
    GetRenderSize(&w, &h);
    for (int i = 0; i < 2; ++i) {
        gfx->ClearColour(plat::GfxRect{0, 0, static_cast<int>(w), static_cast<int>(h)}, 0xFF000000u);
        RenderPresent();
    }
}

// Decodes the next frame into the surface and shows it; false after the last frame.
bool CopyMovieFrame(plat::MediaDecoder& decoder, Surface2D* surface, MovieSound& sound, std::vector<int16_t>& pcm) {
    SDL_ShowCursor(SDL_DISABLE);
    uint8_t* pixels = surface ? plat::GfxDevice::SurfacePixels(surface->surface) : nullptr;
    std::vector<uint8_t> scratch;
    if (!pixels) {
        scratch.resize(static_cast<size_t>(decoder.Width()) * static_cast<size_t>(decoder.Height()) * 4);
        pixels = scratch.data();
    }
    const bool got = decoder.NextFrame(pixels, decoder.Width() * 4);
    decoder.TakeAudio(&pcm);
    sound.Add(pcm);
    if (!got) return false;
    if (surface && DisplayGfx()) {
        DisplayGfx()->SurfaceChanged(surface->surface);
        uint32_t w = 0, h = 0;
        GetRenderSize(&w, &h);
        const float dest[4] = {0.0f, 0.0f, static_cast<float>(decoder.Width()) / static_cast<float>(w ? w : 1),
                               static_cast<float>(decoder.Height()) / static_cast<float>(h ? h : 1)};
        BlitToScreen(surface, nullptr, dest);
        RenderPresent();
    }
    return true;
}

}  // namespace

int OpenMoviePack(const char* path) {
    CloseMoviePack();
    if (!path) return -1;
    PackFile pack(path, "rb", 0);
    if (!pack.IsOpen()) return -1;
    std::vector<MoviePackEntry> entries;
    if (ReadMoviePackDirectory(pack, &entries) != 0) return -1;
    g_pack.path = path;
    g_pack.entries = std::move(entries);
    g_pack.open = true;
    return 0;
}

void CloseMoviePack() { g_pack = MoviePack{}; }

bool MoviePackOpen() { return g_pack.open; }

uint32_t MoviePackCount() { return static_cast<uint32_t>(g_pack.entries.size()); }

const char* MoviePackName(uint32_t i) { return i < g_pack.entries.size() ? g_pack.entries[i].name : nullptr; }

int MovieSoundTrack(const char* name, uint32_t language) {
    if (!name || !plat::EqualNoCase(std::string_view(name).substr(0, std::min<size_t>(4, std::strlen(name))), "Tuto")) return 0;
    switch (language) {
    case 1: return 1;
    case 2: return 3;
    case 3: return 2;
    default: return 0;
    }
}

void SetMovieReaderWrapper(MovieReaderWrapper wrapper) { g_wrapper = std::move(wrapper); }

void SetMovieFrameObserver(std::function<void(int)> observer) { g_frameObserver = std::move(observer); }

MovieResult PlayMovie(const char* name) {
    MovieResult result;
    if (!g_pack.open || !name) return result;
    const MoviePackEntry* entry = FindMoviePackEntry(g_pack.entries, name);
    if (!entry) return result;
    result.end = MovieEnd::CannotOpen;
    ClearScreenTwice();
    const int track = MovieSoundTrack(name, g_Config.language);
    std::unique_ptr<plat::MediaReader> reader = plat::FileWindowReader::Open(g_pack.path, entry->offset, entry->size);
    if (!reader) return result;
    if (g_wrapper) reader = g_wrapper(std::move(reader));
    const int rate = plat::CurrentAudioOutput() ? plat::CurrentAudioOutput()->Rate() : 22050;
    auto decoder = plat::MediaDecoder::Open(std::move(reader), track, true, rate > 0 ? rate : 22050);
    if (!decoder || !decoder->HasVideo()) return result;
    plat::LogEvent(std::string("movie ") + name);
    result.width = decoder->Width();
    result.height = decoder->Height();
    result.frameCount = decoder->FrameCount();
    result.soundTrack = decoder->AudioTrack();

    Surface2D* surface = DisplayGfx() ? CreateSurface(static_cast<uint32_t>(result.width),
                                                      static_cast<uint32_t>(result.height))
                                      : nullptr;
    MovieSound sound(rate > 0 ? rate : 22050);
    std::vector<int16_t> pcm;
    // Escape from scripted input arrives through the key bindings; from the keyboard as a key event.
    uint32_t escape = 0;
    const InputBinding escapeBinding{kBindWord | kBindOnDown, &escape, kDikEscape, nullptr};
    InputAddBinding(&escapeBinding);
    uint32_t scriptFrame = FrameNumber();

    const double frameMs = 1000.0 / (decoder->FrameRate() > 0 ? decoder->FrameRate() : 25.0);
    // Runs with a fixed frame time (GRAVELON_FRAME_MS) show a frame every pass, without waiting.
    const bool fixedTime = plat::Env().frameMs.has_value();
    uint32_t clockStart = plat::TickMs();
    uint32_t pausedAt = 0;
    bool paused = false;

    CheckWindowFocus();
    result.end = MovieEnd::LastFrame;
    if (!CopyMovieFrame(*decoder, surface, sound, pcm)) {
        result.end = MovieEnd::CannotOpen;
    } else {
        if (g_frameObserver) g_frameObserver(0);
        ++result.framesShown;
        for (;;) {
            SDL_Event e;
            bool stop = false;
            while (!stop && SDL_PollEvent(&e)) {
                if (e.type == SDL_QUIT ||
                    (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_CLOSE)) {
                    // The request stays pending: the game leaves once the movie has ended.
                    RequestProgramQuit();
                } else if (e.type == SDL_KEYDOWN && e.key.keysym.sym == SDLK_ESCAPE) {
                    escape = 1;
                } else if (e.type == SDL_WINDOWEVENT && (e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED ||
                                                         e.window.event == SDL_WINDOWEVENT_FOCUS_LOST)) {
                    CheckWindowFocus();
                }
            }
            InputScriptFrame(++scriptFrame);
            InputPoll();
            if (ProgramQuitRequested()) {
                result.end = MovieEnd::Quit;
                break;
            }
            if (escape) {
                result.end = MovieEnd::Escape;
                break;
            }
            if (!WindowHasFocus()) {
                if (!paused) {
                    paused = true;
                    pausedAt = plat::TickMs();
                    sound.Pause(true);
                }
                SDL_WaitEventTimeout(nullptr, 100);
                continue;
            }
            if (paused) {
                paused = false;
                clockStart += plat::TickMs() - pausedAt;
                sound.Pause(false);
            }
            if (!fixedTime) {
                const double due = clockStart + result.framesShown * frameMs;
                const uint32_t now = plat::TickMs();
                if (static_cast<double>(now) < due) {
                    SDL_WaitEventTimeout(nullptr, static_cast<int>(due - static_cast<double>(now)) + 1);
                    continue;
                }
            }
            if (!CopyMovieFrame(*decoder, surface, sound, pcm)) break;
            if (g_frameObserver) g_frameObserver(result.framesShown);
            ++result.framesShown;
        }
    }
    InputRemoveBinding(&escapeBinding);
    if (surface) FreeSurface(surface);
    SDL_ShowCursor(SDL_ENABLE);
    return result;
}

}  // namespace kes
