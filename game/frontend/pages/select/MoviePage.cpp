// The tutorial page: ten hot spots over the tutorial picture, each playing one tutorial movie while
// the menu music pauses.
#include "game/app/movie/MoviePlayer.h"
#include "game/core/cdaudio/CdAudio.h"
#include "game/frontend/menu/Menu.h"
#include "game/frontend/pages/select/SelectPagesInternal.h"

namespace kes {

namespace {

constexpr uint32_t kBack = 0;
constexpr uint32_t kMovieCount = 10;

const char* const kMovies[kMovieCount] = {
    "Tutorial\\basiccntrl.bik", "Tutorial\\bkclass.bik", "Tutorial\\skill_lvl.bik", "Tutorial\\cntrlbk.bik",
    "Tutorial\\perfstnt.bik",   "Tutorial\\wchstunt.bik", "Tutorial\\scoring.bik",   "Tutorial\\custom.bik",
    "Tutorial\\camera.bik",     "Tutorial\\help.bik",
};

MenuItem g_items[] = {
    {kItemBottomButton, 527, 433, 43}, {kItemHotSpot, 167, 119}, {kItemHotSpot, 130, 192}, {kItemHotSpot, 136, 263},
    {kItemHotSpot, 188, 321},          {kItemHotSpot, 281, 339}, {kItemHotSpot, 365, 323}, {kItemHotSpot, 439, 279},
    {kItemHotSpot, 448, 203},          {kItemHotSpot, 405, 140}, {kItemHotSpot, 330, 109}, {},
};

void MoviePageUpdate() {
    const bool back = (g_items[kBack].state & kItemClicked) || MenuKeyWords().esc;
    if (back) {
        SetMenuPage(kMainPage);
        return;
    }
    for (uint32_t n = 1; n <= kMovieCount; ++n) {
        if (!(g_items[n].state & kItemClicked)) continue;
        g_items[n].state &= ~kItemClicked;
        // Two stops, as the tutorial page has always sent; a stop with nothing playing does nothing.
        CdStop();
        CdStop();
        PlayMovie(kMovies[n - 1]);
        CdPlayTrack(1, 1);
        return;
    }
}

}  // namespace

void InstallMoviePage() { SetMenuPageEntry(kMoviePage, MenuPage{4, g_items, MoviePageUpdate, nullptr, nullptr, nullptr}); }

}  // namespace kes
