#include "tools/bikelab/BikeScript.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "game/world/physics/GeneratedGround.h"

namespace tools {

namespace {

std::vector<std::string_view> SplitWords(std::string_view line) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
        size_t j = i;
        while (j < line.size() && line[j] != ' ' && line[j] != '\t' && line[j] != '\r') ++j;
        if (j > i) words.push_back(line.substr(i, j - i));
        i = j;
    }
    return words;
}

bool ParseDouble(std::string_view word, double* out) {
    // from_chars for floating point, without locale; the whole word must be a finite number.
    double v = 0.0;
    const auto result = std::from_chars(word.data(), word.data() + word.size(), v);
    if (result.ec != std::errc() || result.ptr != word.data() + word.size() || !std::isfinite(v)) {
        return false;
    }
    *out = v;
    return true;
}

bool ParseFloat(std::string_view word, float* out, double limit) {
    double v;
    if (!ParseDouble(word, &v) || std::fabs(v) > limit) return false;
    *out = static_cast<float>(v);
    return true;
}

bool ParseSeed(std::string_view word, uint32_t* out) {
    const auto result = std::from_chars(word.data(), word.data() + word.size(), *out);
    return result.ec == std::errc() && result.ptr == word.data() + word.size();
}

bool Fail(std::string* error, size_t line, const std::string& what) {
    if (error != nullptr) *error = "line " + std::to_string(line) + ": " + what;
    return false;
}

const char* const kControlNames[9] = {"throttle", "brake", "left", "right", "back",
                                      "forward", "hop", "airleft", "airright"};
const char* const kAnalogNames[3] = {"steer=", "pitch=", "lean="};

constexpr double kCoordLimit = 1.0e5;

}  // namespace

bool ParseBikeScript(std::string_view text, BikeScript* out, std::string* error) {
    BikeScript script;
    size_t lineNumber = 0;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t eol = text.find('\n', pos);
        if (eol == std::string_view::npos) eol = text.size();
        std::string_view line = text.substr(pos, eol - pos);
        pos = eol + 1;
        ++lineNumber;
        const size_t hash = line.find('#');
        if (hash != std::string_view::npos) line = line.substr(0, hash);
        const std::vector<std::string_view> w = SplitWords(line);
        if (w.empty()) {
            if (eol == text.size()) break;
            continue;
        }
        const std::string_view cmd = w[0];
        if (cmd == "ground") {
            if (w.size() < 2) return Fail(error, lineNumber, "ground needs a kind");
            GroundSpec g;
            if (w[1] == "flat" && w.size() <= 3) {
                g.kind = GroundKind::Flat;
                if (w.size() == 3 && !ParseFloat(w[2], &g.a, kCoordLimit))
                    return Fail(error, lineNumber, "bad height");
            } else if (w[1] == "slope" && w.size() == 3) {
                g.kind = GroundKind::Slope;
                if (!ParseFloat(w[2], &g.a, 10.0)) return Fail(error, lineNumber, "bad grade (-10..10)");
            } else if (w[1] == "ramp" && w.size() == 5) {
                g.kind = GroundKind::Ramp;
                if (!ParseFloat(w[2], &g.a, kCoordLimit) || !ParseFloat(w[3], &g.b, 1000.0) ||
                    !ParseFloat(w[4], &g.c, 1000.0) || !(g.c > 0.0f))
                    return Fail(error, lineNumber, "ramp needs start, height (<= 1000) and length (0..1000]");
            } else if (w[1] == "random" && (w.size() == 3 || w.size() == 4)) {
                g.kind = GroundKind::Random;
                g.a = 10.0f;
                if (!ParseSeed(w[2], &g.seed)) return Fail(error, lineNumber, "bad seed");
                if (w.size() == 4 && !ParseFloat(w[3], &g.a, 1000.0))
                    return Fail(error, lineNumber, "bad amplitude (-1000..1000)");
            } else {
                return Fail(error, lineNumber, "unknown ground");
            }
            script.ground = g;
        } else if (cmd == "world") {
            if (w.size() != 2) return Fail(error, lineNumber, "world needs one path");
            script.worldPath = std::string(w[1]);
        } else if (cmd == "bike") {
            if (w.size() < 3 || w.size() > 4) return Fail(error, lineNumber, "bike needs 2 or 3 values");
            if (!ParseFloat(w[1], &script.params.topSpeedFactor, 2.0) ||
                !ParseFloat(w[2], &script.params.engineClass, 1.0) ||
                (w.size() == 4 && !ParseFloat(w[3], &script.params.airControl, 2.0)))
                return Fail(error, lineNumber, "bad bike value (top speed 0..2, engine 0..1, air 0..2)");
            if (script.params.topSpeedFactor < 0.0f || script.params.engineClass < 0.0f ||
                script.params.airControl < 0.0f)
                return Fail(error, lineNumber, "bike values must not be negative");
        } else if (cmd == "assist") {
            if (w.size() != 2 || (w[1] != "0" && w[1] != "1" && w[1] != "2"))
                return Fail(error, lineNumber, "assist needs 0, 1 or 2");
            script.params.landingAssist = static_cast<uint32_t>(w[1][0] - '0');
        } else if (cmd == "start") {
            if (w.size() < 4 || w.size() > 5) return Fail(error, lineNumber, "start needs x y z [heading]");
            if (!ParseFloat(w[1], &script.start.x, kCoordLimit) || !ParseFloat(w[2], &script.start.y, kCoordLimit) ||
                !ParseFloat(w[3], &script.start.z, kCoordLimit) ||
                (w.size() == 5 && !ParseFloat(w[4], &script.headingDegrees, 360.0)))
                return Fail(error, lineNumber, "bad start value");
        } else if (cmd == "anim") {
            uint32_t ms = 0;
            if (w.size() != 2 || !ParseSeed(w[1], &ms) || ms == 0 || ms > 60000)
                return Fail(error, lineNumber, "anim needs milliseconds in 1..60000");
            script.animMs = ms;
        } else if (cmd == "end") {
            double t;
            if (w.size() != 2 || !ParseDouble(w[1], &t) || t < 0.0 || t > kMaxScriptSeconds)
                return Fail(error, lineNumber, "end needs seconds in 0..3600");
            script.end = t;
        } else if (cmd == "at") {
            ControlPhase phase;
            if (w.size() < 2 || !ParseDouble(w[1], &phase.time) || phase.time < 0.0 ||
                phase.time > kMaxScriptSeconds)
                return Fail(error, lineNumber, "at needs seconds in 0..3600");
            if (!script.phases.empty() && phase.time < script.phases.back().time)
                return Fail(error, lineNumber, "time goes back");
            if (script.phases.size() >= kMaxScriptPhases) return Fail(error, lineNumber, "too many lines");
            for (size_t i = 2; i < w.size(); ++i) {
                bool known = false;
                if (w[i] == "none") known = true;
                for (int c = 0; c < 9 && !known; ++c) {
                    if (w[i] == kControlNames[c]) {
                        phase.bytes[c] = 1;
                        known = true;
                    }
                }
                for (int a = 0; a < 3 && !known; ++a) {
                    const std::string_view name = kAnalogNames[a];
                    if (w[i].substr(0, name.size()) == name) {
                        if (!ParseFloat(w[i].substr(name.size()), &phase.levels[a], 1.0))
                            return Fail(error, lineNumber, "analog level must lie in -1..1");
                        phase.analog[a] = true;
                        known = true;
                    }
                }
                uint32_t value = 0;
                if (!known && w[i].substr(0, 6) == "combo=") {
                    if (!ParseSeed(w[i].substr(6), &value) || value > 2)
                        return Fail(error, lineNumber, "combo table must be 0, 1 or 2");
                    phase.combo = static_cast<int>(value);
                    known = true;
                }
                if (!known && w[i].substr(0, 8) == "buttons=") {
                    if (!ParseSeed(w[i].substr(8), &value) || value > 15)
                        return Fail(error, lineNumber, "trick buttons must lie in 0..15");
                    phase.buttons = value;
                    known = true;
                }
                if (!known) return Fail(error, lineNumber, "unknown control '" + std::string(w[i]) + "'");
            }
            script.phases.push_back(phase);
        } else {
            return Fail(error, lineNumber, "unknown command '" + std::string(cmd) + "'");
        }
        if (eol == text.size()) break;
    }
    *out = std::move(script);
    return true;
}

std::unique_ptr<kes::GroundQuery> MakeGround(const GroundSpec& ground) {
    switch (ground.kind) {
        case GroundKind::Slope: return std::make_unique<kes::SlopeGround>(ground.a);
        case GroundKind::Ramp: return std::make_unique<kes::RampGround>(ground.a, ground.b, ground.c);
        case GroundKind::Random: return std::make_unique<kes::RandomGround>(ground.seed, ground.a);
        case GroundKind::Flat: break;
    }
    return std::make_unique<kes::FlatGround>(ground.a);
}

}  // namespace tools
