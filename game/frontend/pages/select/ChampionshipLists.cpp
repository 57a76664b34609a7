#include "game/frontend/pages/select/ChampionshipLists.h"

#include <algorithm>
#include <utility>

#include "platform/sys/CrtRand.h"

namespace kes {

void ChampionshipLists::Reset(std::vector<uint32_t> offered) {
    available_ = std::move(offered);
    std::sort(available_.begin(), available_.end());
    chosen_.clear();
}

bool ChampionshipLists::Add(uint32_t availableRow) {
    if (availableRow >= available_.size()) return false;
    chosen_.push_back(available_[availableRow]);
    available_.erase(available_.begin() + availableRow);
    return true;
}

bool ChampionshipLists::Remove(uint32_t chosenRow) {
    if (chosenRow >= chosen_.size()) return false;
    const uint32_t world = chosen_[chosenRow];
    chosen_.erase(chosen_.begin() + chosenRow);
    available_.insert(std::upper_bound(available_.begin(), available_.end(), world), world);
    return true;
}

uint32_t ChampionshipLists::MoveUp(uint32_t chosenRow) {
    if (chosenRow == 0 || chosenRow >= chosen_.size()) return chosenRow;
    std::swap(chosen_[chosenRow], chosen_[chosenRow - 1]);
    return chosenRow - 1;
}

uint32_t ChampionshipLists::MoveDown(uint32_t chosenRow) {
    if (chosenRow + 1 >= chosen_.size()) return chosenRow;
    std::swap(chosen_[chosenRow], chosen_[chosenRow + 1]);
    return chosenRow + 1;
}

void ChampionshipLists::AddAll() {
    chosen_.insert(chosen_.end(), available_.begin(), available_.end());
    available_.clear();
}

void ChampionshipLists::Shuffle() {
    // A sort whose comparison answers at random may read outside the list; a Fisher-Yates shuffle
    // from the same random sequence mixes the order without that risk.
    if (chosen_.size() >= 2) plat::CrtShuffle(chosen_);
}

}  // namespace kes
