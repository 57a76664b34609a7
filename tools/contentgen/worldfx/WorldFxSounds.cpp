#include "tools/contentgen/worldfx/WorldFxSounds.h"

#include <algorithm>
#include <cmath>

#include "game/world/sounds/SoundEffectNames.h"
#include "tools/contentgen/frontend/MenuSounds.h"
#include "tools/contentgen/worlds/WorldAmbience.h"

namespace tools {

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kRate = kFxRate;

// A small deterministic noise source.
class Noise {
public:
    explicit Noise(uint32_t seed) : state_(seed * 2654435761u + 1u) {}
    double Next() {
        state_ = state_ * 1664525u + 1013904223u;
        return static_cast<double>(state_ >> 8) / 8388608.0 - 1.0;
    }

private:
    uint32_t state_;
};

// Two-pole resonant band-pass (a formant or a ringing body).
class Resonator {
public:
    Resonator(double hz, double q) {
        const double w = kTwoPi * hz / kRate, alpha = std::sin(w) / (2 * q);
        b0_ = alpha / (1 + alpha);
        a1_ = -2 * std::cos(w) / (1 + alpha);
        a2_ = (1 - alpha) / (1 + alpha);
    }
    double operator()(double x) {
        const double y = b0_ * (x - x2_) - a1_ * y1_ - a2_ * y2_;
        x2_ = x1_, x1_ = x, y2_ = y1_, y1_ = y;
        return y;
    }

private:
    double b0_, a1_, a2_, x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
};

class LowPass {
public:
    explicit LowPass(double hz) : k_(1 - std::exp(-kTwoPi * hz / kRate)) {}
    double operator()(double x) { return y_ += k_ * (x - y_); }

private:
    double k_, y_ = 0;
};

std::vector<int16_t> ToPcm(const std::vector<double>& s, double peak) {
    double top = 1e-9;
    for (double v : s) top = std::max(top, std::fabs(v));
    std::vector<int16_t> out(s.size());
    for (size_t i = 0; i < s.size(); ++i) out[i] = static_cast<int16_t>(std::lrint(s[i] / top * peak * 32767.0));
    return out;
}

size_t Samples(double seconds) { return static_cast<size_t>(seconds * kRate); }

// Fast attack, exponential decay.
double Envelope(double t, double attack, double decay) {
    return t < attack ? t / attack : std::exp(-(t - attack) * decay);
}

// An engine-like tone: harmonics of the firing frequency with a little noise on each firing.
std::vector<double> Engine(double period, size_t n, int harmonics, double bright, double rough, uint32_t seed) {
    std::vector<double> s(n);
    Noise noise(seed);
    LowPass smooth(1200);
    for (size_t i = 0; i < n; ++i) {
        const double phase = static_cast<double>(i % static_cast<size_t>(period)) / period;
        double v = 0;
        for (int h = 1; h <= harmonics; ++h)
            v += std::sin(kTwoPi * h * static_cast<double>(i) / period) / std::pow(h, 1.2 - bright) * (h % 2 ? 1.0 : 0.6);
        v += smooth(noise.Next()) * rough * std::exp(-phase * 6);
        s[i] = v;
    }
    return s;
}

// A bang of filtered noise with an optional ringing body.
std::vector<double> Impact(double seconds, double cutoff, double decay, double ringHz, double ring, uint32_t seed) {
    std::vector<double> s(Samples(seconds));
    Noise noise(seed);
    LowPass lp(cutoff);
    Resonator body(ringHz > 0 ? ringHz : 100, 30);
    for (size_t i = 0; i < s.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double hit = lp(noise.Next()) * Envelope(t, 0.002, decay);
        s[i] = hit + (ringHz > 0 ? body(hit) * ring : 0.0);
    }
    return s;
}

// A voice-like cry: a buzz through two formants, its pitch following a curve over its length.
std::vector<double> Cry(double seconds, double startHz, double endHz, double f1, double f2, double breath, uint32_t seed) {
    std::vector<double> s(Samples(seconds));
    Resonator a(f1, 6), b(f2, 8);
    Noise noise(seed);
    double phase = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        const double t = static_cast<double>(i) / static_cast<double>(s.size());
        const double hz = startHz + (endHz - startHz) * std::sin(t * kTwoPi / 4);
        phase += hz / kRate;
        const double saw = 2 * (phase - std::floor(phase)) - 1 + noise.Next() * breath;
        s[i] = (a(saw) + 0.6 * b(saw)) * Envelope(t * seconds, 0.02, 3.0 / seconds) * std::min(1.0, (1 - t) * 8);
    }
    return s;
}

std::vector<double> Tone(double seconds, double hz, double vibratoHz, double vibrato, double decay) {
    std::vector<double> s(Samples(seconds));
    double phase = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        phase += hz * (1 + vibrato * std::sin(kTwoPi * vibratoHz * t)) / kRate;
        s[i] = (std::sin(kTwoPi * phase) + 0.3 * std::sin(2 * kTwoPi * phase)) * Envelope(t, 0.01, decay) *
               std::min(1.0, (seconds - t) * 20);
    }
    return s;
}

// Noise shaped by a slow flutter: rustles, splashes, rushing water, wind.
std::vector<double> Rustle(double seconds, double cutoff, double flutterHz, double depth, double fade, uint32_t seed) {
    std::vector<double> s(Samples(seconds));
    Noise noise(seed);
    LowPass lp(cutoff), hp(cutoff / 8);
    for (size_t i = 0; i < s.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double x = noise.Next();
        const double band = lp(x) - hp(x);
        const double flutter = 1 - depth * (0.5 + 0.5 * std::sin(kTwoPi * flutterHz * t + 3 * std::sin(t * 2.3)));
        const double edge = fade > 0 ? std::min(1.0, std::min(t, seconds - t) * fade) : 1.0;
        s[i] = band * flutter * edge;
    }
    return s;
}

uint32_t Seed(const std::string& name) {
    uint32_t h = 2166136261u;
    for (char c : name) h = (h ^ static_cast<uint8_t>(c)) * 16777619u;
    return h;
}

bool Has(const std::string& name, const char* part) { return name.find(part) != std::string::npos; }

}  // namespace

std::vector<int16_t> EngineLoop(int bikeClass, int voice) {
    bikeClass = std::clamp(bikeClass, 0, 2);
    // Firing frequency of idle for the 125, 250 and 400 classes: smaller engines rev higher.
    const double idle[3] = {48.0, 40.0, 32.0}, bright[3] = {0.5, 0.35, 0.2};
    const double levelHz[9] = {1.6, 2.3, 3.1, 4.0, 1.5, 1.7, 4.6, 1.0, 0};
    const double levelGain[9] = {0.45, 0.55, 0.68, 0.82, 0.45, 0.4, 0.6, 0.35, 0.3};
    const uint32_t seed = static_cast<uint32_t>(bikeClass * 16 + voice);
    if (voice == 8) {  // skid: a rough scrape of band noise, looping
        return ToPcm(Rustle(1.0, 1800, 7, 0.5, 0, seed), levelGain[8]);
    }
    // A whole number of samples per firing and of firings per loop: the loop closes seamlessly.
    const double period = std::round(kRate / (idle[bikeClass] * levelHz[voice]));
    const size_t n = static_cast<size_t>(period * std::floor(kRate * 0.8 / period));
    std::vector<double> s = Engine(period, n, 10, bright[bikeClass], voice >= 4 && voice <= 5 ? 1.2 : 0.5, seed);
    if (voice == 4 || voice == 5) {
        // Over-run crackle on the way down: pops on some firings, more of them off the brake.
        Noise pops(seed);
        for (size_t f = 0; f * static_cast<size_t>(period) < n; ++f)
            if (pops.Next() > (voice == 4 ? 0.6 : 0.2))
                for (size_t i = 0; i < 40 && f * static_cast<size_t>(period) + i < n; ++i)
                    s[f * static_cast<size_t>(period) + i] += pops.Next() * 2.5 * std::exp(-static_cast<double>(i) / 8);
    }
    if (voice == 7) {
        // Idle lopes: every other firing a little weaker.
        for (size_t i = 0; i < n; ++i)
            if ((i / static_cast<size_t>(period)) % 2) s[i] *= 0.7;
    }
    return ToPcm(s, levelGain[voice]);
}

std::vector<int16_t> EffectSound(const std::string& name) {
    const uint32_t seed = Seed(name);
    const bool small = Has(name, "small");
    const double scale = small ? 0.55 : 1.0;
    if (Has(name, "crash node"))
        return ToPcm(Impact(0.7, 1400 + (seed % 5) * 300, 5, 180 + (seed % 7) * 40, 0.8, seed), 0.9);
    if (Has(name, "land big")) return ToPcm(Impact(0.45, 300, 9, 70, 1.5, seed), 0.95);
    if (Has(name, "land small")) return ToPcm(Impact(0.25, 600, 16, 110, 1.0, seed), 0.7);
    if (Has(name, "bang")) {
        // Metal rings, wood knocks, soft things thud.
        double ring = 0, cutoff = 2500, length = 0.5;
        if (Has(name, "rail") || Has(name, "sign") || Has(name, "post") || Has(name, "fan") || Has(name, "gen") ||
            Has(name, "car") || Has(name, "boat") || Has(name, "bike"))
            ring = 300 + (seed % 9) * 90;
        if (Has(name, "dul") || Has(name, "cow") || Has(name, "horse") || Has(name, "tape")) cutoff = 700;
        if (Has(name, "big")) length = 0.8, cutoff *= 0.7;
        return ToPcm(Impact(length * scale, cutoff / scale, 8 / scale, ring, ring > 0 ? 0.9 : 0, seed), 0.85 * scale + 0.1);
    }
    if (Has(name, "ambulance")) {
        std::vector<double> s;
        for (int i = 0; i < 4; ++i) {
            const std::vector<double> t = Tone(0.45, i % 2 ? 660 : 880, 0, 0, 0.1);
            s.insert(s.end(), t.begin(), t.end());
        }
        return ToPcm(s, 0.6);
    }
    if (Has(name, "helicopter")) {
        std::vector<double> s = Rustle(1.5, 600, 12, 0.95, 10, seed);
        return ToPcm(s, 0.7);
    }
    if (Has(name, "plane") || Has(name, "car.wav"))
        return ToPcm(Engine(std::round(kRate / (Has(name, "plane") ? 95.0 : 70.0)), Samples(1.5), 8, 0.3, 0.4, seed), 0.6);
    if (Has(name, "ufo")) return ToPcm(Tone(1.5, 520, 6, 0.25, 0.5), 0.6);
    if (Has(name, "vulture")) return ToPcm(Cry(0.6, 1400, 900, 2200, 3400, 0.4, seed), 0.7);
    if (Has(name, "beh")) return ToPcm(Cry(0.5, 260, 240, 700, 1200, 0.2, seed), 0.7);
    if (Has(name, "balloon")) return ToPcm(Rustle(0.8, 6000, 3, 0.2, 8, seed), 0.5);
    if (Has(name, "brushtree") || Has(name, "leaves")) return ToPcm(Rustle(0.6, 5000, 14, 0.7, 12, seed), 0.6);
    if (Has(name, "surfs")) return ToPcm(Rustle(0.9 + (seed % 3) * 0.2, 2500, 1.2, 0.6, 4, seed), 0.65);
    if (Has(name, "score")) {
        std::vector<double> s = Tone(0.12, 1320, 0, 0, 12), t = Tone(0.25, 1760, 0, 0, 8);
        s.insert(s.end(), t.begin(), t.end());
        return ToPcm(s, 0.6);
    }
    if (Has(name, "replay")) return ToPcm(Tone(Has(name, "recording") ? 0.3 : 0.08, Has(name, "option") ? 990 : 1200, 0, 0, 20), 0.5);
    return ToPcm(Impact(0.3, 2000, 10, 0, 0, seed), 0.7);
}

std::vector<int16_t> PainCry(int index) {
    // Short grunts, each a little different in pitch and vowel.
    const double pitch = 150 + (index % 4) * 25, vowel = 500 + (index % 3) * 120;
    return ToPcm(Cry(0.3 + (index % 5) * 0.05, pitch * 1.3, pitch * 0.8, vowel, vowel * 2.2, 0.25, static_cast<uint32_t>(index)), 0.8);
}

std::vector<int16_t> CrashCry(int index) {
    // Longer yells that rise and fall: "whoa".
    const double pitch = 170 + (index % 5) * 20;
    return ToPcm(Cry(0.7 + (index % 4) * 0.1, pitch, pitch * 1.6, 600 + (index % 3) * 80, 1100, 0.3, 100u + static_cast<uint32_t>(index)), 0.85);
}

std::vector<int16_t> Cheer(int index) {
    // Two syllables, the second higher and longer: "yee-haa".
    std::vector<double> s = Cry(0.22, 260 + index * 10, 300 + index * 10, 300, 2300, 0.2, 200u + static_cast<uint32_t>(index));
    const std::vector<double> t = Cry(0.45, 330 + index * 12, 420 + index * 12, 750, 1200, 0.2, 300u + static_cast<uint32_t>(index));
    s.insert(s.end(), t.begin(), t.end());
    return ToPcm(s, 0.85);
}

std::vector<int16_t> AmbientSound(Ambience kind) {
    switch (kind) {
    case Ambience::Brook: return ToPcm(Rustle(2.0, 3000, 5, 0.5, 0, 41), 0.5);
    case Ambience::Wind: return ToPcm(Rustle(3.0, 700, 0.3, 0.7, 0, 42), 0.5);
    case Ambience::Crowd: {
        std::vector<double> s(Samples(2.0), 0.0);
        for (int v = 0; v < 12; ++v) {
            const std::vector<double> c = Cry(2.0, 180 + v * 17, 220 + v * 13, 500 + v * 40, 1500, 0.6, 50u + static_cast<uint32_t>(v));
            for (size_t i = 0; i < s.size(); ++i) s[i] += c[(i + static_cast<size_t>(v) * 1500) % c.size()];
        }
        return ToPcm(s, 0.5);
    }
    case Ambience::Machine:
        return ToPcm(Engine(std::round(kRate / 50.0), static_cast<size_t>(std::round(kRate / 50.0)) * 80, 12, 0.6, 0.3, 43), 0.5);
    case Ambience::Birds:
    default: {
        std::vector<double> s;
        for (int i = 0; i < 3; ++i) {
            const std::vector<double> t = Tone(0.09, 2800 + i * 400, 30, 0.08, 20);
            s.insert(s.end(), t.begin(), t.end());
            s.insert(s.end(), Samples(0.05), 0.0);
        }
        return ToPcm(s, 0.6);
    }
    }
}

bool AddRaceSounds(PackContent& pack, std::string* error) {
    const char* folders[3] = {"Bikes\\Sound125\\", "Bikes\\Sound250\\", "Bikes\\Sound400\\"};
    const char* voices[9] = {"Constant1.wav", "Constant2.wav", "Constant3.wav", "Constant4.wav", "DecelerateWB.wav",
                             "DecelerateWO.wav", "Freerevs.wav", "Tickover.wav", "Skid.wav"};
    auto add = [&](const std::string& name, const std::vector<int16_t>& samples) {
        return pack.Add(name, EncodeWave(samples, kFxRate), error);
    };
    for (int c = 0; c < 3; ++c)
        for (int v = 0; v < 9; ++v)
            if (!add(std::string(folders[c]) + voices[v], EngineLoop(c, v))) return false;
    for (const char* e : kes::kSoundEffectNames)
        if (!add(std::string("ColSounds\\") + e, EffectSound(e))) return false;
    for (int i = 0; i < 8; ++i)
        if (!add("IKYeehaa\\Success" + std::to_string(i + 1) + ".wav", Cheer(i))) return false;
    for (int i = 0; i < 12; ++i)
        if (!add("IKImpact\\pain" + std::to_string(i + 1) + ".wav", PainCry(i))) return false;
    for (int i = 0; i < 10; ++i)
        if (!add("IKOffBike\\crashing" + std::to_string(i + 1) + ".wav", CrashCry(i))) return false;
    // The waves the default worlds' sound maps carry, for authors who place more emitters.
    for (const worlds::AmbientWave& wave : worlds::AmbientWaves())
        if (!add(std::string("Ambient\\") + wave.fileName, wave.samples())) return false;
    return true;
}

}  // namespace tools
