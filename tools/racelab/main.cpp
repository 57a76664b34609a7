// racelab: a headless race without the front end.
//
//   racelab WORLD.wld [options]      race on a world file
//   racelab --generate FILE          write the generated race world and exit
//
// Options: --computers N (8), --local (one local racer, steered by --input FILE or GRAVELON_INPUT),
// --frame-ms M (GRAVELON_FRAME_MS or 10), --frames A,B,C (a repeating sequence of frame times),
// --laps N (3), --max-seconds S (900), --sound (the racers' sounds and particles), --sounds PACK (the
// data pack they load from; implies --sound), --no-camera, --seed N, --render null|real (the null
// render interface, or the display device in a hidden window), --shot FILE.ppm (with the display
// device: the last frame, 320 x 240), --data FOLDER (the folder holding Kestrun.dat: the racers get
// their bike and rider models, drawn with the display device), --record-demo FILE (with --local: the
// local racer's race saved as a demo when the race ends), --play-demo FILE (the first racer plays the
// demo through once instead of a local racer).
// Prints "t=S hash=H" once per simulated second, then one line per racer, one line per racer with
// where its bike ended and how fast it went ("racer N ends at=X,Y,Z speed=S"), and the totals. Exit code
// 0 when every racer finished (or the demo played through), 3 when some did not, 1 on an error. With a
// demo, a last line "demo keyframes=N poses=H" gives its key frames and a hash of their bike poses.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/racelab/RaceRun.h"
#include "tools/racelab/RaceWorld.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: racelab WORLD.wld [--computers N] [--local] [--input FILE] [--frame-ms M] [--frames A,B,...]\n"
                 "               [--laps N] [--max-seconds S] [--sound] [--sounds PACK] [--no-camera] [--seed N] [--render null|real] [--shot FILE.ppm]\n"
                 "               [--data FOLDER] [--record-demo FILE] [--play-demo FILE]\n"
                 "       racelab --generate FILE\n");
    return 1;
}

bool ParseFrames(const char* text, std::vector<uint32_t>* out) {
    out->clear();
    const char* p = text;
    while (*p) {
        char* end = nullptr;
        const long v = std::strtol(p, &end, 10);
        if (end == p || v < 1 || v > 202) return false;
        out->push_back(static_cast<uint32_t>(v));
        p = end;
        if (*p == ',') ++p;
        else if (*p) return false;
    }
    return !out->empty();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    if (std::strcmp(argv[1], "--generate") == 0) {
        if (argc != 3) return Usage();
        if (!tools::SaveRaceWorld(argv[2])) {
            std::fprintf(stderr, "racelab: cannot write %s\n", argv[2]);
            return 1;
        }
        return 0;
    }
    tools::RaceRunOptions o;
    o.worldPath = argv[1];
    if (const char* ms = std::getenv("GRAVELON_FRAME_MS")) {
        if (!ParseFrames(ms, &o.frameMs)) return Usage();
    }
    if (const char* input = std::getenv("GRAVELON_INPUT")) o.inputScript = input;
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--computers" && hasValue) o.computers = std::atoi(argv[++i]);
        else if (a == "--local") o.local = true;
        else if (a == "--input" && hasValue) o.inputScript = argv[++i];
        else if ((a == "--frame-ms" || a == "--frames") && hasValue) {
            if (!ParseFrames(argv[++i], &o.frameMs)) return Usage();
        } else if (a == "--laps" && hasValue) o.laps = static_cast<uint32_t>(std::atoi(argv[++i]));
        else if (a == "--max-seconds" && hasValue) o.maxSeconds = std::atof(argv[++i]);
        else if (a == "--sound") o.sound = true;
        else if (a == "--sounds" && hasValue) {
            o.sound = true;
            o.soundPack = argv[++i];
        }
        else if (a == "--no-camera") o.camera = false;
        else if (a == "--seed" && hasValue) o.seed = static_cast<uint32_t>(std::atoi(argv[++i]));
        else if (a == "--render" && hasValue) {
            const std::string r = argv[++i];
            if (r != "null" && r != "real") return Usage();
            o.realRender = r == "real";
        } else if (a == "--shot" && hasValue) o.shotPath = argv[++i];
        else if (a == "--data" && hasValue) o.dataFolder = argv[++i];
        else if (a == "--record-demo" && hasValue) o.recordDemo = argv[++i];
        else if (a == "--play-demo" && hasValue) o.playDemo = argv[++i];
        else return Usage();
    }
    if (o.computers < 0 || o.computers + (o.local || !o.playDemo.empty() ? 1 : 0) > 64) return Usage();
    // A recording needs the local racer; a playback takes its place.
    if (!o.recordDemo.empty() && (!o.local || !o.playDemo.empty())) return Usage();
    if (!o.playDemo.empty() && o.local) return Usage();
    o.log = stdout;
    const tools::RaceOutcome outcome = tools::RunRace(o);
    if (!outcome.demoError.empty()) {
        std::fprintf(stderr, "racelab: %s\n", outcome.demoError.c_str());
        return 1;
    }
    if (!outcome.loaded) {
        std::fprintf(stderr, "racelab: cannot load %s%s\n", o.worldPath.c_str(),
                     o.local && !o.inputScript.empty() ? " or its input script" : "");
        return 1;
    }
    tools::PrintRaceOutcome(outcome, stdout);
    if (!o.shotPath.empty() && !outcome.shotWritten) {
        std::fprintf(stderr, "racelab: no picture written to %s\n", o.shotPath.c_str());
        return 1;
    }
    if (!outcome.finite) return 1;
    if (!o.playDemo.empty()) return outcome.demoDone ? 0 : 3;
    return outcome.allFinished ? 0 : 3;
}
