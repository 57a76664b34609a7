#include "game/frontend/flow/FlowMovies.h"

#include "game/app/movie/MoviePlayer.h"
#include "game/core/cdaudio/CdAudio.h"

namespace kes {
namespace {

void PlayFromPack(const char* name) { PlayMovie(name); }

MoviePlayFn g_play = PlayFromPack;
uint32_t g_podiumSet = 0, g_finish = 0, g_reward = 0;

}  // namespace

const char* const kPodiumMovies[kPodiumMovieCount] = {
    "Podium\\BOW_1ST_SOND.bik",   "Podium\\BOW_2ND_SOND.bik",   "Podium\\BOW_3RD_SOND.bik",
    "Podium\\CUP_1ST_SOND.bik",   "Podium\\CUP_2ND_SOND.bik",   "Podium\\CUP_3RD_SOND.bik",
    "Podium\\MFLEX_1ST_SOND.bik", "Podium\\MFLEX_2ND_SOND.bik", "Podium\\MFLEX_3RD_SOND.bik",
    "Podium\\PNCH_1ST_SOND.bik",  "Podium\\PNCH_2ND_SOND.bik",  "Podium\\PNCH_3RD_SOND.bik",
};

const char* const kRewardMovies[kRewardMovieCount] = {
    "Rewards\\deliriouslyhappy.bik", "Rewards\\dropbike.bik",          "Rewards\\funkychicken.bik",
    "Rewards\\handinokshape.bik",    "Rewards\\madflamengo.bik",       "Rewards\\shakehandsosomanner.bik",
    "Rewards\\shrugopenhands.bik",   "Rewards\\wooarmsup.bik",         "Rewards\\wooyeah.bik",
    "Rewards\\wooyeah2.bik",         "Rewards\\yeahbigthumbsup.bik",   "Rewards\\yeahclenchedfists.bik",
    "Rewards\\yeahthumbsup.bik",
};

const char* const kFinishMovies[kFinishMovieCount] = {
    "GameOver\\bikeflat.bik",        "GameOver\\cancanrearwheelie.bik", "GameOver\\candybar.bik",
    "GameOver\\candybar05.bik",      "GameOver\\CANDYBAR1HAND.bik",     "GameOver\\candybar03.bik",
    "GameOver\\candybar02.bik",      "GameOver\\doublecancan.bik",      "GameOver\\jump01.bik",
    "GameOver\\jump03.bik",          "GameOver\\jump04.bik",            "GameOver\\nothing01.bik",
    "GameOver\\nothing02.bik",       "GameOver\\nothing03.bik",         "GameOver\\rearwheelie03.bik",
    "GameOver\\rearwheelie01.bik",   "GameOver\\rearwheelie02.bik",     "GameOver\\reversethumbsup.bik",
    "GameOver\\saran02.bik",         "GameOver\\saranwrap.bik",         "GameOver\\superman02.bik",
    "GameOver\\superman04.bik",      "GameOver\\superman06.bik",        "GameOver\\superman07.bik",
    "GameOver\\superman08.bik",      "GameOver\\superman09.bik",        "GameOver\\superman01.bik",
    "GameOver\\supersuperman.bik",   "GameOver\\supermanfliplegs.bik",  "GameOver\\thruster01.bik",
    "GameOver\\THRUSTER02.bik",      "GameOver\\thruster03.bik",        "GameOver\\trick02.bik",
    "GameOver\\trick03.bik",         "GameOver\\trick04.bik",           "GameOver\\trick06.bik",
    "GameOver\\turnbike90.bik",      "GameOver\\wheelcancan.bik",       "GameOver\\wheeliecancan.bik",
    "GameOver\\windsurf.bik",
};

MoviePlayFn SetFlowMoviePlayer(MoviePlayFn play) {
    MoviePlayFn old = g_play;
    g_play = play ? play : PlayFromPack;
    return old;
}

void PlayFlowMovie(const char* name) {
    CdStop();
    g_play(name);
}

void PlayPodiumMovie(uint32_t place) {
    if (place > 2) return;
    PlayFlowMovie(kPodiumMovies[3 * g_podiumSet + place]);
    g_podiumSet = (g_podiumSet + 1) % 4;
}

void PlayFinishMovie(uint32_t retired) {
    if (retired) {
        PlayFlowMovie(kRetiredMovie);
        return;
    }
    PlayFlowMovie(kFinishMovies[g_finish]);
    g_finish = (g_finish + 1) % kFinishMovieCount;
}

void PlayRewardMovie() {
    PlayFlowMovie(kRewardMovies[g_reward]);
    g_reward = (g_reward + 1) % kRewardMovieCount;
}

void ResetMovieCycles() { g_podiumSet = g_finish = g_reward = 0; }

}  // namespace kes
