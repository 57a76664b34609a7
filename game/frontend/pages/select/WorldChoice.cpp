#include "game/frontend/pages/select/WorldChoice.h"

#include "game/frontend/pages/select/SelectShared.h"
#include "game/frontend/session/RaceSession.h"

namespace kes {

namespace {

constexpr uint32_t kFirstBonusWorld = 4001, kLastBonusWorld = 4003;

WorldChoice ChoiceFor(uint32_t index, const WorldRecord& w) { return {index, w.identifier, w.kind, WorldNameInLanguage(w)}; }

}  // namespace

bool WorldUnlocked(uint32_t identifier, uint32_t unlocks) {
    if (identifier < kFirstBonusWorld || identifier > kLastBonusWorld) return true;
    return (unlocks & (1u << (identifier - kFirstBonusWorld))) != 0;
}

std::vector<WorldChoice> WorldsOfKind(uint32_t kind, uint32_t unlocks) {
    std::vector<WorldChoice> out;
    for (uint32_t i = 0; i < WorldCount(); ++i) {
        const WorldRecord* w = WorldAt(i);
        if (w && w->kind == kind && WorldUnlocked(w->identifier, unlocks)) out.push_back(ChoiceFor(i, *w));
    }
    return out;
}

std::vector<WorldChoice> RaceableWorlds(uint32_t unlocks) {
    std::vector<WorldChoice> out;
    for (uint32_t i = 0; i < WorldCount(); ++i) {
        const WorldRecord* w = WorldAt(i);
        if (w && w->kind != kSelectWorldKind && WorldUnlocked(w->identifier, unlocks)) out.push_back(ChoiceFor(i, *w));
    }
    return out;
}

}  // namespace kes
