// Loading a race as the world page's OK starts it: the race session loads the world and creates the
// player and three computer riders, and the first frame of the race (its countdown) is drawn. The
// oval race world of racelab with an information chunk, on llvmpipe with two rendering threads.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "bench/common/BenchDevice.h"
#include "bench/common/BenchMain.h"
#include "game/app/loop/FrameLoop.h"
#include "game/core/datapack/DataPack.h"
#include "game/core/display/DeviceList.h"
#include "game/core/display/Display.h"
#include "game/core/image/ImageRecord.h"
#include "game/core/input/Input.h"
#include "game/core/objects/Objects.h"
#include "game/core/sprite/Sprites.h"
#include "game/core/text/TextTable.h"
#include "game/frontend/flow/FlowState.h"
#include "game/frontend/menu/FrontEnd.h"
#include "game/frontend/race/Race.h"
#include "game/frontend/worlds/WorldList.h"
#include "game/world/writer/WorldWriter.h"
#include "platform/bytes/ByteIO.h"
#include "tools/contentgen/ContentGen.h"
#include "tools/packtool/PackWriter.h"
#include "tools/racelab/RaceWorld.h"

namespace {

using namespace kes;

uint32_t g_now = 0;
uint32_t FixedClock() { return g_now += 10; }

struct RaceLoad {
    std::string pack, world;
    RenderInterface* r = nullptr;
    const WorldRecord* entry = nullptr;

    bool Init() {
        setenv("LP_NUM_THREADS", "2", 0);
        CreateImageHeap();
        const char* tmp = std::getenv("TMPDIR");
        const std::string base = std::string(tmp ? tmp : "/tmp") + "/bench_flow_" + std::to_string(getpid());
        pack = base + ".dat";
        world = base + ".wld";
        std::vector<uint8_t> bytes;
        std::string error;
        if (!tools::BuildContentPack(tools::ContentPacks()[0], &bytes, &error) ||
            !tools::WriteFileAtomically(pack, bytes, &error) || MakeLoadCache(pack.c_str()) != 1) {
            std::fprintf(stderr, "flow bench: %s\n", error.c_str());
            return false;
        }
        std::vector<uint8_t> w = tools::MakeRaceWorld();
        WorldWriter info;
        InfoData data;
        data.id = 101;
        data.name = "Boucle";
        info.Info(data);
        const std::vector<uint8_t> chunk = info.Finish();
        w.insert(w.end(), chunk.begin() + 8, chunk.end());
        plat::StoreU32(w.data() + 4, static_cast<uint32_t>(w.size() - 8));
        std::ofstream(world, std::ios::binary).write(reinterpret_cast<const char*>(w.data()), static_cast<std::streamsize>(w.size()));
        LoadTextTable(2);
        const float box[6] = {-4100.0f, -4100.0f, -2000.0f, 8100.0f, 8100.0f, 7000.0f};
        InitObjects(0, 1, 1, 1, box);
        InputInit(nullptr, nullptr);
        r = bench::OpenHiddenDevice();
        if (!r) return false;
        InitSprites(r, 256, 640, 480);
        SetFrameRenderer(r);
        SetFrameClock(FixedClock);
        FrontEndLoad(r, FrontEndPaths{std::string(tmp ? tmp : "/tmp"), "", ""});
        entry = WorldInfoForFile(world, r);
        return entry != nullptr;
    }

    // One load: true when the race started and its first frame was drawn.
    bool Load() {
        GameFlowState& flow = Flow();
        for (RacerDesc& d : flow.racerDescs) d = RacerDesc{};
        flow.racerDescs[0].kind = kRacerLocal;
        flow.racerCount = 4;
        if (RaceStart(r, entry, flow.racerDescs, 1, 3) != 0) return false;
        FrameTick();
        DisplayGfx()->Finish();
        return true;
    }
    void Unload() { RaceEnd(Flow().raceResults); }

    void Shutdown() {
        FrontEndFree();
        FreeObjects();
        SetFrameRenderer(nullptr);
        SetFrameClock(nullptr);
        FreeSprites();
        DeviceShutdown();
        FreeDeviceList();
        FreeTextTable();
        FreeLoadCache();
        std::remove(pack.c_str());
        std::remove(world.c_str());
    }
};

int Figures() {
    RaceLoad s;
    if (!s.Init()) return 1;
    std::vector<double> ms;
    for (int i = 0; i < 5; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        if (!s.Load()) {
            std::fprintf(stderr, "flow bench: the race did not start\n");
            return 1;
        }
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
        s.Unload();
    }
    std::sort(ms.begin(), ms.end());
    std::printf("flow.load_race_ms: %.1f\n", ms[ms.size() / 2]);
    s.Shutdown();
    return 0;
}

void BM_LoadRace(benchmark::State& state) {
    RaceLoad s;
    if (!s.Init()) {
        state.SkipWithError("no device or content");
        return;
    }
    for (auto _ : state) {
        if (!s.Load()) {
            state.SkipWithError("the race did not start");
            break;
        }
        state.PauseTiming();
        s.Unload();
        state.ResumeTiming();
    }
    s.Shutdown();
}
BENCHMARK(BM_LoadRace)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return bench::RunBenchmarkProgram(argc, argv, Figures); }
