#pragma once
// The sound output device: OpenAL Soft with one context, made current for the whole process. A device
// is opened by its name (empty: the system's default), or as a loopback device that renders only when
// asked, into memory: tests hear exactly what was played, with no timing involved.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace plat {

// The names of the output devices present, the default first. Headless (ALSOFT_DRIVERS=null) the
// list holds the null device, which plays into nothing.
std::vector<std::string> ListAudioDevices();

class AudioOutput {
public:
    // Opens a device and makes its context current; null when there is none.
    static std::unique_ptr<AudioOutput> Open(const std::string& name);
    // A loopback device rendering 16-bit stereo at the given rate; null when the library lacks it.
    static std::unique_ptr<AudioOutput> OpenLoopback(int rate);
    ~AudioOutput();
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    bool IsLoopback() const { return loopback_; }
    int Rate() const { return rate_; }
    // Loopback only: mixes the next frames into interleaved left/right samples.
    bool Render(int16_t* samples, int frames);

    // Listener: position and orientation (front, top) in world units; gain over every source.
    void SetListener(const float position[3], const float front[3], const float top[3]);

private:
    AudioOutput() = default;
    void* device_ = nullptr;
    void* context_ = nullptr;
    bool loopback_ = false;
    int rate_ = 0;
};

// The output the process has open (the last one opened and not yet closed), or null.
AudioOutput* CurrentAudioOutput();

// A test switch: while set, Open gives a loopback device whatever name it is asked for.
void SetAudioLoopbackForTests(int rate);

}  // namespace plat
