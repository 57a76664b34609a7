#pragma once
// Page numbers and the installers of the single pages, shared inside this library.
#include <cstdint>

namespace kes {

enum SelectPageNumber : uint32_t {
    kMainPage = 0,
    kOptionsPage = 1,
    kProfilePage = 5,
    kRiderPage = 6,
    kWorldPage = 7,
    kNetworkListPage = 9,
    kBikeSetupPage = 11,
    kChampionshipPage = 12,
    kGameRoomPage = 13,
    kMoviePage = 14,
    kOnlineListPage = 15,
};

void InstallMainPage();
void InstallMoviePage();
void InstallWorldPage();

}  // namespace kes
