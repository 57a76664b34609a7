#pragma once
// The two world lists of the championship set-up: the worlds still available and the chosen ones in
// race order, as indices into the world list. Every world is in exactly one of the two lists.
#include <cstdint>
#include <vector>

namespace kes {

class ChampionshipLists {
public:
    // Both lists anew: every world offered (ascending world-list indices) is available, none chosen.
    void Reset(std::vector<uint32_t> offered);

    // The highlighted available world moves to the end of the chosen list; false when there is none.
    bool Add(uint32_t availableRow);
    // The highlighted chosen world goes back into the available list at its place in ascending
    // order; false when there is none.
    bool Remove(uint32_t chosenRow);
    // Swap the chosen world with its neighbour; the new row of the world, or the row unchanged at an
    // end of the list.
    uint32_t MoveUp(uint32_t chosenRow);
    uint32_t MoveDown(uint32_t chosenRow);
    // Every available world joins the end of the chosen list, in available order.
    void AddAll();
    // The chosen order shuffled by the game's random sequence; fewer than two worlds stay as they are.
    void Shuffle();

    const std::vector<uint32_t>& Available() const { return available_; }
    const std::vector<uint32_t>& Chosen() const { return chosen_; }

private:
    std::vector<uint32_t> available_, chosen_;
};

}  // namespace kes
