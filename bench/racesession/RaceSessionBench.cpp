// One drawn race frame at 640 x 480 through the real race session: eight racers with their bike and
// rider models on the generated race world, a 10-ms step of the race and the whole frame (world,
// racers, overlays), presented and finished, on llvmpipe with two rendering threads. "--figures"
// prints "race.frame_ms_8: N" (the median of 31 frames); otherwise it runs as a Google Benchmark.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/common/BenchDevice.h"
#include "bench/common/BenchMain.h"
#include "game/app/loop/FrameLoop.h"
#include "game/core/camera/Camera.h"
#include "game/core/datapack/DataPack.h"
#include "game/core/display/DeviceList.h"
#include "game/core/display/Display.h"
#include "game/core/image/ImageRecord.h"
#include "game/core/objects/Objects.h"
#include "game/core/sprite/Sprites.h"
#include "game/core/text/TextTable.h"
#include "game/frontend/race/Race.h"
#include "game/world/lights/Lights.h"
#include "game/world/models/BikeModels.h"
#include "game/world/models/RiderModel.h"
#include "game/world/racecam/RaceCamera.h"
#include "game/world/racer/Racer.h"
#include "game/world/racermodels/RacerModels.h"
#include "tools/contentgen/ContentGen.h"
#include "tools/packtool/PackWriter.h"
#include "tools/racelab/RaceWorld.h"

namespace {

using namespace kes;

uint32_t g_now = 0;
uint32_t FixedClock() { return g_now += 10; }

struct RaceScene {
    std::string pack, world;
    RenderInterface* r = nullptr;
    WorldRecord record;
    PlayerInput input;
    bool started = false;

    bool Init() {
        setenv("LP_NUM_THREADS", "2", 0);
        CreateImageHeap();
        const char* tmp = std::getenv("TMPDIR");
        const std::string stem = std::string(tmp ? tmp : "/tmp") + "/bench_race_session_" + std::to_string(getpid());
        pack = stem + ".dat";
        world = stem + ".wld";
        std::vector<uint8_t> bytes;
        std::string error;
        if (!tools::BuildContentPack(tools::ContentPacks()[0], &bytes, &error) ||
            !tools::WriteFileAtomically(pack, bytes, &error) || MakeLoadCache(pack.c_str()) != 1 ||
            !tools::SaveRaceWorld(world)) {
            std::fprintf(stderr, "race session bench: %s\n", error.c_str());
            return false;
        }
        LoadTextTable(0);
        const float box[6] = {-20000, -20000, -20000, 20000, 20000, 20000};
        InitObjects(0, 1, 1, 1, box);
        r = bench::OpenHiddenDevice();
        if (!r) return false;
        LightListCreate(4096, 16);
        InstallSceneLighting();
        InitSprites(r, 256, 640, 480);
        SetViewportSize(640, 480);
        SetFrameRenderer(r);
        SetFrameClock(FixedClock);
        LoadRacerModels(r);

        record.fileName = "Race.wld";
        record.path = world;
        RacerDesc desc;
        desc.kind = kRacerLocal;
        desc.input = &input;
        if (RaceStart(r, &record, &desc, 1, 7) != 0) return false;
        started = true;
        // Straight into the race: the camera follows, the countdown is over.
        if (SceneCamera* camera = ActiveCamera()) camera->object->update = UpdateRaceCamera;
        SetRacePhase(8, 1);
        for (int i = 0; i < 100; ++i) Frame();  // the field spreads out along the track
        return true;
    }

    void Frame() {
        FrameTick();
        DisplayGfx()->Finish();
    }

    void Shutdown() {
        if (started) RaceEnd(nullptr);
        FreeRacerModels();
        FreeObjects();
        SetFrameRenderer(nullptr);
        SetFrameClock(nullptr);
        FreeSprites();
        LightListFree();
        DeviceShutdown();
        FreeDeviceList();
        FreeTextTable();
        FreeLoadCache();
        std::remove(pack.c_str());
        std::remove(world.c_str());
    }
};

int Figures() {
    RaceScene s;
    if (!s.Init()) return 1;
    std::vector<double> ms;
    for (int i = 0; i < 31; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        s.Frame();
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    }
    std::sort(ms.begin(), ms.end());
    std::printf("race.frame_ms_8: %.2f\n", ms[ms.size() / 2]);
    s.Shutdown();
    return 0;
}

void BM_RaceSessionFrame8(benchmark::State& state) {
    RaceScene s;
    if (!s.Init()) {
        state.SkipWithError("no device or content");
        s.Shutdown();
        return;
    }
    for (auto _ : state) s.Frame();
    s.Shutdown();
}
BENCHMARK(BM_RaceSessionFrame8)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return bench::RunBenchmarkProgram(argc, argv, Figures); }
