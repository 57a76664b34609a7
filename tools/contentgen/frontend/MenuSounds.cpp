#include "tools/contentgen/frontend/MenuSounds.h"

#include <algorithm>
#include <cmath>

#include "platform/bytes/ByteIO.h"

namespace tools {

namespace {

constexpr uint32_t kRate = 22050;
constexpr float kTwoPi = 6.2831853f;

struct Tone {
    float startHz, endHz, seconds, decay;  // decay: e-folding time in seconds
};

// Tones one after another, each a sine sweep with a fast attack and an exponential decay.
std::vector<int16_t> Tones(std::initializer_list<Tone> tones, float noise = 0.0f) {
    std::vector<int16_t> out;
    uint32_t seed = 12345;
    for (const Tone& t : tones) {
        const int n = static_cast<int>(t.seconds * kRate);
        float phase = 0;
        for (int i = 0; i < n; ++i) {
            const float time = static_cast<float>(i) / kRate;
            const float hz = t.startHz + (t.endHz - t.startHz) * time / t.seconds;
            phase += kTwoPi * hz / kRate;
            seed = seed * 1664525u + 1013904223u;
            const float white = static_cast<float>(seed >> 8) / 8388608.0f - 1.0f;
            const float envelope = std::min(1.0f, time * 2000.0f) * std::exp(-time / t.decay);
            const float v = (std::sin(phase) * (1 - noise) + white * noise) * envelope * 0.6f;
            out.push_back(static_cast<int16_t>(std::clamp(v, -1.0f, 1.0f) * 32767.0f));
        }
    }
    return out;
}

// An engine blip: harmonics of a firing frequency rising and falling, for "menu rev" (played from
// half to one and a half times its rate as a slider moves).
std::vector<int16_t> Rev() {
    std::vector<int16_t> out;
    const int n = static_cast<int>(0.45f * kRate);
    float phase = 0;
    for (int i = 0; i < n; ++i) {
        const float t = static_cast<float>(i) / n;
        const float hz = 70 + 110 * std::sin(t * 3.14159f);
        phase += kTwoPi * hz / kRate;
        float v = 0;
        for (int h = 1; h <= 6; ++h) v += std::sin(phase * static_cast<float>(h)) / static_cast<float>(h);
        v *= 0.35f * std::min(1.0f, t * 20) * std::min(1.0f, (1 - t) * 6);
        out.push_back(static_cast<int16_t>(std::clamp(v, -1.0f, 1.0f) * 32767.0f));
    }
    return out;
}

}  // namespace

std::vector<uint8_t> EncodeWave(const std::vector<int16_t>& samples, uint32_t rate) {
    plat::ByteWriter w;
    const uint32_t data = static_cast<uint32_t>(samples.size() * 2);
    w.Bytes("RIFF", 4);
    w.U32(36 + data);
    w.Bytes("WAVE", 4);
    w.Bytes("fmt ", 4);
    w.U32(16);
    w.U16(1);  // PCM
    w.U16(1);  // mono
    w.U32(rate);
    w.U32(rate * 2);
    w.U16(2);
    w.U16(16);
    w.Bytes("data", 4);
    w.U32(data);
    for (int16_t s : samples) w.U16(static_cast<uint16_t>(s));
    return w.Take();
}

bool AddMenuSounds(PackContent& pack, std::string* error) {
    const struct {
        const char* name;
        std::vector<int16_t> samples;
    } sounds[] = {
        {"FrontEnd\\SOUND\\click on.wav", Tones({{1400, 1200, 0.05f, 0.012f}}, 0.3f)},
        {"FrontEnd\\SOUND\\click off.wav", Tones({{900, 800, 0.05f, 0.012f}}, 0.3f)},
        {"FrontEnd\\SOUND\\change option.wav", Tones({{1100, 1100, 0.03f, 0.008f}, {1500, 1500, 0.04f, 0.01f}}, 0.2f)},
        {"FrontEnd\\SOUND\\menu rev.wav", Rev()},
        {"FrontEnd\\SOUND\\type.wav", Tones({{3000, 2500, 0.02f, 0.004f}}, 0.7f)},
        {"FrontEnd\\SOUND\\done.wav", Tones({{660, 660, 0.09f, 0.08f}, {880, 880, 0.16f, 0.1f}})},
        {"FrontEnd\\SOUND\\back.wav", Tones({{880, 880, 0.08f, 0.06f}, {620, 620, 0.14f, 0.08f}})},
    };
    for (const auto& s : sounds)
        if (!pack.Add(s.name, EncodeWave(s.samples, kRate), error)) return false;
    return true;
}

}  // namespace tools
