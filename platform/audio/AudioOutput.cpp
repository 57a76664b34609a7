// OpenAL Soft devices: by name, or loopback for tests.
#include "platform/audio/AudioOutput.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

#include <cstring>

namespace plat {
namespace {

AudioOutput* g_current = nullptr;
int g_loopbackRate = 0;

// A list of names separated by zero bytes and ended by two.
std::vector<std::string> SplitNames(const ALCchar* list) {
    std::vector<std::string> names;
    while (list && *list) {
        names.emplace_back(list);
        list += std::strlen(list) + 1;
    }
    return names;
}

// The game computes every volume itself: no distance attenuation, no Doppler.
void PrepareContext() {
    alDistanceModel(AL_NONE);
    alDopplerFactor(0.0f);
    alListenerf(AL_GAIN, 1.0f);
}

}  // namespace

std::vector<std::string> ListAudioDevices() {
    const bool all = alcIsExtensionPresent(nullptr, "ALC_ENUMERATE_ALL_EXT");
    std::vector<std::string> names =
        SplitNames(alcGetString(nullptr, all ? ALC_ALL_DEVICES_SPECIFIER : ALC_DEVICE_SPECIFIER));
    const ALCchar* def = alcGetString(nullptr, all ? ALC_DEFAULT_ALL_DEVICES_SPECIFIER : ALC_DEFAULT_DEVICE_SPECIFIER);
    if (def && *def) {
        for (size_t i = 0; i < names.size(); ++i) {
            if (names[i] == def && i != 0) {
                names.erase(names.begin() + static_cast<long>(i));
                names.insert(names.begin(), def);
                break;
            }
        }
    }
    return names;
}

void SetAudioLoopbackForTests(int rate) { g_loopbackRate = rate; }

AudioOutput* CurrentAudioOutput() { return g_current; }

std::unique_ptr<AudioOutput> AudioOutput::Open(const std::string& name) {
    if (g_loopbackRate > 0) return OpenLoopback(g_loopbackRate);
    ALCdevice* device = alcOpenDevice(name.empty() ? nullptr : name.c_str());
    if (!device && !name.empty()) device = alcOpenDevice(nullptr);
    if (!device) return nullptr;
    ALCcontext* context = alcCreateContext(device, nullptr);
    if (!context || !alcMakeContextCurrent(context)) {
        if (context) alcDestroyContext(context);
        alcCloseDevice(device);
        return nullptr;
    }
    std::unique_ptr<AudioOutput> out(new AudioOutput);
    out->device_ = device;
    out->context_ = context;
    ALCint rate = 0;
    alcGetIntegerv(device, ALC_FREQUENCY, 1, &rate);
    out->rate_ = rate;
    PrepareContext();
    g_current = out.get();
    return out;
}

std::unique_ptr<AudioOutput> AudioOutput::OpenLoopback(int rate) {
    if (!alcIsExtensionPresent(nullptr, "ALC_SOFT_loopback")) return nullptr;
    auto openLoopback =
        reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
    if (!openLoopback) return nullptr;
    ALCdevice* device = openLoopback(nullptr);
    if (!device) return nullptr;
    const ALCint attrs[] = {ALC_FORMAT_CHANNELS_SOFT, ALC_STEREO_SOFT, ALC_FORMAT_TYPE_SOFT, ALC_SHORT_SOFT,
                            ALC_FREQUENCY, rate, ALC_HRTF_SOFT, ALC_FALSE, 0};
    ALCcontext* context = alcCreateContext(device, attrs);
    if (!context || !alcMakeContextCurrent(context)) {
        if (context) alcDestroyContext(context);
        alcCloseDevice(device);
        return nullptr;
    }
    std::unique_ptr<AudioOutput> out(new AudioOutput);
    out->device_ = device;
    out->context_ = context;
    out->loopback_ = true;
    out->rate_ = rate;
    PrepareContext();
    g_current = out.get();
    return out;
}

AudioOutput::~AudioOutput() {
    if (g_current == this) g_current = nullptr;
    if (alcGetCurrentContext() == context_) alcMakeContextCurrent(nullptr);
    if (context_) alcDestroyContext(static_cast<ALCcontext*>(context_));
    if (device_) alcCloseDevice(static_cast<ALCdevice*>(device_));
}

bool AudioOutput::Render(int16_t* samples, int frames) {
    if (!loopback_) return false;
    auto render = reinterpret_cast<LPALCRENDERSAMPLESSOFT>(alcGetProcAddress(nullptr, "alcRenderSamplesSOFT"));
    if (!render) return false;
    render(static_cast<ALCdevice*>(device_), samples, frames);
    return true;
}

void AudioOutput::SetListener(const float position[3], const float front[3], const float top[3]) {
    const ALfloat orientation[6] = {front[0], front[1], front[2], top[0], top[1], top[2]};
    alListenerfv(AL_POSITION, position);
    alListenerfv(AL_ORIENTATION, orientation);
}

}  // namespace plat
