#include "bench/container/MixedAssets.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <string>

#include "platform/bytes/ByteIO.h"

namespace bench {

std::vector<uint8_t> MakeBmp(int width, int height, unsigned seed) {
    std::mt19937 rng(seed);
    const int stride = (width * 3 + 3) & ~3;
    plat::ByteWriter w;
    w.U8('B');
    w.U8('M');
    w.U32(static_cast<uint32_t>(54 + stride * height));
    w.U32(0);
    w.U32(54);
    w.U32(40);
    w.I32(width);
    w.I32(height);
    w.U16(1);
    w.U16(24);
    w.U32(0);
    w.U32(static_cast<uint32_t>(stride * height));
    w.U32(2835);
    w.U32(2835);
    w.U32(0);
    w.U32(0);
    std::vector<uint8_t> row(static_cast<size_t>(stride), 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double dx = x - width * 0.6, dy = y - height * 0.4;
            const bool disc = dx * dx + dy * dy < (width * 0.2) * (width * 0.2);
            int r = disc ? 200 : x * 255 / width;
            int g = disc ? 180 - y * 100 / height : y * 255 / height;
            int b = disc ? 40 : (x + y) * 127 / (width + height) + 64;
            const int noise = static_cast<int>(rng() % 7) - 3;
            r = std::clamp(r + noise, 0, 255);
            g = std::clamp(g + noise, 0, 255);
            b = std::clamp(b + noise, 0, 255);
            row[x * 3] = static_cast<uint8_t>(b);
            row[x * 3 + 1] = static_cast<uint8_t>(g);
            row[x * 3 + 2] = static_cast<uint8_t>(r);
        }
        w.Bytes(row.data(), row.size());
    }
    return w.Take();
}

std::vector<uint8_t> MakeWav(int seconds, int rate, unsigned seed) {
    std::mt19937 rng(seed);
    const uint32_t samples = static_cast<uint32_t>(seconds * rate);
    plat::ByteWriter w;
    w.Bytes("RIFF", 4);
    w.U32(36 + samples * 2);
    w.Bytes("WAVE", 4);
    w.Bytes("fmt ", 4);
    w.U32(16);
    w.U16(1);
    w.U16(1);
    w.U32(static_cast<uint32_t>(rate));
    w.U32(static_cast<uint32_t>(rate * 2));
    w.U16(2);
    w.U16(16);
    w.Bytes("data", 4);
    w.U32(samples * 2);
    static const double kScale[] = {261.6, 293.7, 329.6, 349.2, 392.0, 440.0, 493.9, 523.3};
    const uint32_t noteLength = static_cast<uint32_t>(rate / 4);
    double freq = kScale[0];
    for (uint32_t i = 0; i < samples; ++i) {
        const uint32_t inNote = i % noteLength;
        if (inNote == 0) freq = kScale[rng() % 8];
        const double t = static_cast<double>(i) / rate;
        const double envelope = std::exp(-3.0 * inNote / noteLength);
        double v = envelope * (0.5 * std::sin(2 * M_PI * freq * t) + 0.2 * std::sin(4 * M_PI * freq * t));
        v += 0.1 * std::sin(2 * M_PI * 110.0 * t);
        const int noise = static_cast<int>(rng() % 33) - 16;
        w.U16(static_cast<uint16_t>(static_cast<int16_t>(std::lround(v * 20000) + noise)));
    }
    return w.Take();
}

std::vector<uint8_t> MakeText(size_t size, unsigned seed) {
    static const char* const kWords[] = {
        "the", "of", "and", "to", "a", "in", "is", "it", "that", "was", "for", "on", "are", "with",
        "as", "his", "they", "be", "at", "one", "have", "this", "from", "by", "hot", "word", "but",
        "what", "some", "we", "can", "out", "other", "were", "all", "there", "when", "up", "use",
        "your", "how", "said", "an", "each", "she", "which", "do", "their", "time", "if", "will",
        "way", "about", "many", "then", "them", "write", "would", "like", "so", "these", "her",
        "long", "make", "thing", "see", "him", "two", "has", "look", "more", "day", "could", "go",
        "come", "did", "number", "sound", "no", "most", "people", "my", "over", "know", "water",
        "than", "call", "first", "who", "may", "down", "side", "been", "now", "find", "rider",
        "track", "mud", "engine", "jump", "corner", "throttle", "race", "bike", "hill"};
    constexpr size_t kCount = sizeof(kWords) / sizeof(kWords[0]);
    std::mt19937 rng(seed);
    std::string text;
    bool sentenceStart = true;
    while (text.size() < size) {
        // Roughly Zipf: small indices far more often.
        const double u = std::uniform_real_distribution<double>(0.0, 1.0)(rng);
        const size_t index = std::min(kCount - 1, static_cast<size_t>(std::pow(kCount, u)) - 1);
        std::string word = kWords[index];
        if (sentenceStart) word[0] = static_cast<char>(word[0] - 'a' + 'A');
        text += word;
        sentenceStart = false;
        const unsigned r = rng() % 100;
        if (r < 8) {
            text += ". ";
            sentenceStart = true;
        } else if (r < 12) {
            text += ", ";
        } else if (r < 13) {
            text += ".\n\n";
            sentenceStart = true;
        } else {
            text += ' ';
        }
    }
    text.resize(size);
    return {text.begin(), text.end()};
}

std::vector<uint8_t> MakeMixedAssets(int megabytes) {
    const size_t total = static_cast<size_t>(megabytes) << 20;
    std::vector<uint8_t> out = MakeBmp(640, 480, 1);
    const std::vector<uint8_t> wav = MakeWav(static_cast<int>(total / 3 / 44100), 22050, 2);
    out.insert(out.end(), wav.begin(), wav.end());
    const std::vector<uint8_t> text = MakeText(total > out.size() ? total - out.size() : 1 << 20, 3);
    out.insert(out.end(), text.begin(), text.end());
    return out;
}

}  // namespace bench
