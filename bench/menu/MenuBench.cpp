// One front-end frame at 640 x 480: the page background, a page of buttons, fields, sliders and a
// list with their texts, the scene of the menu camera and the pointer, presented and finished, on
// llvmpipe with two rendering threads.
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
#include "game/core/datapack/DataPack.h"
#include "game/core/display/DeviceList.h"
#include "game/core/display/Display.h"
#include "game/core/image/ImageRecord.h"
#include "game/core/objects/Objects.h"
#include "game/core/sprite/Sprites.h"
#include "game/core/text/TextTable.h"
#include "game/frontend/menu/FrontEnd.h"
#include "game/frontend/menu/Menu.h"
#include "tools/contentgen/ContentGen.h"
#include "tools/packtool/PackWriter.h"

namespace {

using namespace kes;

const char* const kRows[] = {"ALPHA", "BRAVO", "CHARLIE", "DELTA", "ECHO", "FOXTROT", "GOLF", "HOTEL",
                             "INDIA", "JULIETT", "KILO", "LIMA", nullptr};

MenuItem g_page[] = {
    {kItemTitle, 207, 10, 1},         {kItemMenuButton, 20, 90, 12},    {kItemMenuButton, 20, 135, 13},
    {kItemMenuButton, 20, 180, 14},   {kItemField, 200, 140, 15},       {kItemSlider, 200, 200, 16},
    {kItemCaptionSlider, 20, 270, 17}, {kItemTextBox, 230, 280, 18},    {kItemListBox, 460, 90},
    {kItemBottomButton, 520, 430, 11}, {kItemBottomButton, 20, 430, 24}, {},
};

uint32_t g_now = 0;
uint32_t FixedClock() { return g_now += 10; }

struct MenuScene {
    std::string pack;
    RenderInterface* r = nullptr;

    bool Init() {
        setenv("LP_NUM_THREADS", "2", 0);
        CreateImageHeap();
        const char* tmp = std::getenv("TMPDIR");
        pack = std::string(tmp ? tmp : "/tmp") + "/bench_menu_" + std::to_string(getpid()) + ".dat";
        std::vector<uint8_t> bytes;
        std::string error;
        if (!tools::BuildContentPack(tools::ContentPacks()[0], &bytes, &error) ||
            !tools::WriteFileAtomically(pack, bytes, &error) || MakeLoadCache(pack.c_str()) != 1) {
            std::fprintf(stderr, "menu bench: %s\n", error.c_str());
            return false;
        }
        LoadTextTable(2);
        // The scene the menu camera looks at, as start-up makes it.
        const float box[6] = {-4100.0f, -4100.0f, -2000.0f, 8100.0f, 8100.0f, 7000.0f};
        InitObjects(0, 1, 1, 1, box);
        r = bench::OpenHiddenDevice();
        if (!r) return false;
        InitSprites(r, 256, 640, 480);
        SetFrameRenderer(r);
        SetFrameClock(FixedClock);
        FrontEndLoad(r, FrontEndPaths{std::string(tmp ? tmp : "/tmp"), "", ""});
        g_page[8].list = kRows;
        g_page[8].maximum = 11;
        g_page[8].value = 3;
        g_page[5].maximum = 100;
        g_page[5].value = 30;
        g_page[6].maximum = 10;
        g_page[6].value = 4;
        g_page[7].text = "PILOTE";
        SetMenuPageEntry(0, MenuPage{1, g_page, nullptr, nullptr, nullptr, nullptr});
        SetMenuPage(0);
        return true;
    }

    void Frame() {
        MenuFrame();
        DisplayGfx()->Finish();
    }

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
    }
};

int Figures() {
    MenuScene s;
    if (!s.Init()) return 1;
    for (int i = 0; i < 5; ++i) s.Frame();
    std::vector<double> ms;
    for (int i = 0; i < 31; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        s.Frame();
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    }
    std::sort(ms.begin(), ms.end());
    std::printf("menu.frame_ms: %.2f\n", ms[ms.size() / 2]);
    s.Shutdown();
    return 0;
}

void BM_MenuFrame(benchmark::State& state) {
    MenuScene s;
    if (!s.Init()) {
        state.SkipWithError("no device or content");
        return;
    }
    for (auto _ : state) s.Frame();
    s.Shutdown();
}
BENCHMARK(BM_MenuFrame)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return bench::RunBenchmarkProgram(argc, argv, Figures); }
