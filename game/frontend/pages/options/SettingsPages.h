#pragma once
// The page entries InstallOptionsPages puts in the menu engine's table, one file each.
namespace kes {

void InstallDisplayPage();     // 2
void InstallSoundPage();       // 3
void InstallInRaceMenuPage();  // 8

}  // namespace kes
