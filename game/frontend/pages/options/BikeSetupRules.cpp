#include "game/frontend/pages/options/BikeSetupRules.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "game/frontend/flow/FlowState.h"
#include "game/frontend/pages/Pages.h"
#include "game/frontend/profile/Profile.h"
#include "platform/sys/Fpu.h"

namespace kes {

const int32_t kPresetBikes[4][kBikeParams] = {
    {64, 48, 25, 12},
    {23, 41, 39, 21},
    {11, 36, 59, 44},
    {100, 100, 100, 100},
};

namespace {

// A stat read from a profile file may hold anything a float can.
float Sane(float value) { return std::isfinite(value) && value > 0.0f ? std::min(value, 1.0e6f) : 0.0f; }

}  // namespace

int32_t BikePointBudget(float bikePoints, float careerTotal) {
    const int32_t own = plat::FloatToInt(Sane(bikePoints));
    const int32_t earned = plat::FloatToInt(std::pow(Sane(careerTotal) / 1500.0f, 0.6f) * 250.0f);
    return std::clamp(own + earned, 0, kBikeBudgetCap);
}

void KeepWithinBudget(int32_t values[kBikeParams], const int32_t stored[kBikeParams], int32_t budget) {
    for (uint32_t i = 0; i < kBikeParams; ++i) {
        if (values[i] == stored[i]) continue;
        int32_t spent = 0;
        for (uint32_t j = 0; j < kBikeParams; ++j) spent += values[j];
        if (budget - spent < 0) values[i] = std::max(0, values[i] + (budget - spent));
    }
}

uint32_t ValidBikeClass(uint32_t bikeClass) { return bikeClass < kBikeClassCount ? bikeClass : 0; }

uint32_t BikeTier(uint32_t bikeClass, float scaledParam4) {
    if (bikeClass != kCustomBikeClass) return std::min(bikeClass, 2u);
    if (scaledParam4 < 0.33f) return 0;
    return scaledParam4 < 0.66f ? 1 : 2;
}

uint32_t FillBikeSetup(BikeSetup* out) {
    const GameFlowState& flow = Flow();
    const uint32_t bikeClass = ValidBikeClass(flow.setupClass);
    int32_t params[kBikeParams];
    for (uint32_t i = 0; i < kBikeParams; ++i) {
        params[i] = bikeClass == kCustomBikeClass
                        ? static_cast<int32_t>(std::min(flow.setupParams[i], static_cast<uint32_t>(kBikeParamMax)))
                        : kPresetBikes[bikeClass][i];
    }
    out->value0 = flow.setupValue0;
    out->param4 = static_cast<float>(params[3]) * kBikeParamScale;
    out->param2 = static_cast<float>(params[1]) * kBikeParamScale;
    out->param3 = static_cast<float>(params[2]) * kBikeParamScale;
    out->param1 = static_cast<float>(params[0]) * kBikeParamScale;
    out->value1 = flow.setupValue1;
    return BikeTier(bikeClass, out->param4);
}

NetPlayerInfo MakeLocalPlayerInfo(const Profile* profile) {
    NetPlayerInfo info;
    if (profile) {
        info.words[0] = profile->GetBikeSkin();
        info.words[1] = profile->GetRiderSkin();
    }
    BikeSetup setup;
    FillBikeSetup(&setup);
    info.words[2] = setup.value0;
    std::memcpy(&info.words[3], &setup.param4, 4);
    std::memcpy(&info.words[4], &setup.param2, 4);
    std::memcpy(&info.words[5], &setup.param3, 4);
    std::memcpy(&info.words[6], &setup.param1, 4);
    info.words[7] = setup.value1;
    return info;
}

}  // namespace kes
