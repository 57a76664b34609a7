// MenuTestPage: the game program with a test flow instead of the game's: the front end loads, three
// pages holding every item type run in the menu loop, and what the player did is printed when the
// loop ends. Driven headless by GRAVELON_INPUT scripts in the tests.
#include <cstdio>
#include <string>
#include <vector>

#include "game/app/loop/FrameLoop.h"
#include "game/app/startup/Startup.h"
#include "game/core/render/RenderInterface.h"
#include "game/frontend/menu/FrontEnd.h"
#include "game/frontend/menu/Menu.h"
#include "game/frontend/session/RaceSession.h"

namespace kes {
namespace {

const char* const kRows[] = {"ALPHA", "BRAVO", "CHARLIE", "DELTA", "ECHO", "FOXTROT", "GOLF", "HOTEL",
                             "INDIA", "JULIETT", "KILO", "LIMA", nullptr};
const char* const kLines[] = {"LIGNE UN", "LIGNE DEUX", "LIGNE TROIS", nullptr};

std::string g_counterText = "0", g_sliderText, g_captionText, g_typed;
int g_counter = 0, g_okClicks = 0, g_spotClicks = 0;

// Page A: the items a player operates.
MenuItem g_pageA[] = {
    {kItemMenuButton, 20, 90, 12},       // 0: to page B
    {kItemBottomButton, 520, 430, 11},   // 1: OK
    {kItemLeftArrow, 20, 150},           // 2
    {kItemRightArrow, 60, 150},          // 3
    {kItemUpArrow, 100, 150},            // 4
    {kItemDownArrow, 140, 150},          // 5
    {kItemField, 200, 140, 13},          // 6
    {kItemSlider, 20, 200, 14},          // 7
    {kItemCaptionSlider, 20, 270, 15},   // 8
    {kItemTextBox, 230, 280, 16},        // 9
    {kItemListBox, 460, 90},             // 10
    {kItemScrollBar, 620, 100},          // 11
    {kItemHotSpot, 470, 300},            // 12
    {kItemNothing, 0, 0},                // 13
    {},
};
MenuItem g_pageB[] = {
    {kItemTitle, 207, 10, 1},  {kItemHeading, 10, 70, 10}, {kItemValueText, 300, 80, 11},
    {kItemSixLineBox, 10, 140, 12}, {kItemPanel, 290, 140, 13}, {kItemHeadingPanel, 10, 330, 14},
    {kItemTwoPartField, 10, 385}, {kItemBottomButton, 530, 430, 11}, {},
};
MenuItem g_pageC[] = {
    {kItemPicture, 10, 10},       {kItemBigPicture, 230, 10},   {kItemLargeList, 10, 200, 12},
    {kItemWideList, 330, 200},    {kItemDescriptionField, 10, 420}, {kItemWideField, 240, 10},
    {kItemBottomButton, 530, 430, 11}, {},
};

void Say(const char* what) { std::printf("menu: %s\n", what); }

void UpdateA() {
    MenuKeys& k = MenuKeyWords();
    MenuItem* items = g_pageA;
    if (items[1].state & kItemClicked) ++g_okClicks, Say("ok clicked");
    if (items[2].state & kItemClicked) --g_counter;
    if (items[3].state & kItemClicked) ++g_counter;
    g_counterText = std::to_string(g_counter);
    items[6].text = g_counterText.c_str();
    MenuItem& list = items[10];
    if (items[4].state & kItemClicked) k.up = 1;
    if (items[5].state & kItemClicked) k.down = 1;
    if (k.down) list.value = std::min(list.value + 1, list.maximum), k.down = 0;
    if (k.up) list.value = std::max(list.value - 1, 0.0f), k.up = 0;
    items[11].value = list.value;
    g_sliderText = std::to_string(static_cast<int>(items[7].value + 0.5f));
    items[7].text = g_sliderText.c_str();
    g_captionText = std::to_string(static_cast<int>(items[8].value + 0.5f));
    items[8].text = g_captionText.c_str();
    if (items[12].state & kItemClicked) ++g_spotClicks, Say("hot spot clicked");
    if (items[0].state & kItemClicked) SetMenuPage(1);
    if (k.enter) SetMenuPage(1);
    if (k.esc) RequestQuit(5);
}

// The text box: a click starts an entry; Return ends it and leaves state 2 for one step.
int g_entryOpen = 0;
void UpdateAWithEntry() {
    MenuItem& box = g_pageA[9];
    if (g_entryOpen && MenuState() == kMenuNormal) {
        g_entryOpen = 0;
        if (box.state == kItemClicked) {
            g_typed = TextEntryText();
            std::string hex;
            for (unsigned char c : g_typed) {
                char b[4];
                std::snprintf(b, sizeof b, "%02X ", c);
                hex += b;
            }
            std::printf("menu: typed %s\n", hex.c_str());
        }
        box.state = 0;
        return;
    }
    if (!g_entryOpen && box.state == kItemClicked) {
        StartTextEntry(&box, "", 12);
        g_entryOpen = 1;
        Say("text entry started");
        return;
    }
    UpdateA();
}

void UpdateB() {
    MenuKeys& k = MenuKeyWords();
    if ((g_pageB[7].state & kItemClicked) || k.enter) SetMenuPage(2);
    if (k.esc) RequestQuit(5);
}

void UpdateC() {
    MenuKeys& k = MenuKeyWords();
    if ((g_pageC[6].state & kItemClicked) || k.esc || k.enter) RequestQuit(5);
}

void EnterPage() { std::printf("menu: page %d\n", CurrentMenuPage()); }

int TestPageFlow(const char*) {
    const StartupState& s = Startup();
    FrontEndLoad(&TheRenderInterface(), FrontEndPaths{s.gameFolder, s.trackPackPath, s.folders[0]});
    std::printf("menu: %u worlds\n", WorldCount());
    MenuItem* a = g_pageA;
    a[7].maximum = 100;
    a[8].maximum = 10;
    a[8].value = 5;
    a[10].list = kRows;
    a[10].maximum = 11;
    a[11].maximum = 11;
    g_pageB[3].list = kLines;
    g_pageB[4].text = "UN PANNEAU DE TEXTE QUI PASSE A LA LIGNE TOUT SEUL";
    g_pageB[5].text = "EN-TETE";
    g_pageB[6].text = "CHAMP";
    g_pageC[2].list = kRows;
    g_pageC[2].maximum = 11;
    g_pageC[3].list = kRows;
    g_pageC[3].maximum = 11;
    g_pageC[3].value = 4;
    g_pageC[4].text = "DESCRIPTION";
    g_pageC[5].text = "LARGE";
    SetMenuPageEntry(0, MenuPage{1, g_pageA, UpdateAWithEntry, nullptr, EnterPage, nullptr});
    SetMenuPageEntry(1, MenuPage{3, g_pageB, UpdateB, nullptr, EnterPage, nullptr});
    SetMenuPageEntry(2, MenuPage{2, g_pageC, UpdateC, nullptr, EnterPage, nullptr});
    SetMenuPage(0);
    const int code = MenuLoop();
    std::printf("menu: loop ended with %d on page %d\n", code, CurrentMenuPage());
    std::printf("menu: counter %d ok %d spot %d slider %s caption %s list %d\n", g_counter, g_okClicks,
                g_spotClicks, g_sliderText.c_str(), g_captionText.c_str(), static_cast<int>(a[10].value));
    FrontEndFree();
    return 0;
}

}  // namespace
}  // namespace kes

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    kes::SetGameFlow(kes::TestPageFlow);
    return kes::GameMain(std::vector<std::string>(argv, argv + argc));
}
