#pragma once
// The asset families of the default content. Each adds its named entries to a pack; the packs' lists
// of families are in ContentGen.cpp.
#include <string>
#include <utility>
#include <vector>

#include "tools/contentgen/ContentGen.h"

namespace tools {

// Data pack: the four language files "LOCALIZE\\<LANGUAGE>.TXT".
bool AddLanguageFiles(PackContent& pack, std::string* error);

// Data pack: the front end's backgrounds, loading screens, pointer, buttons, fonts and menu sounds.
bool AddFrontEnd(PackContent& pack, std::string* error);

// Data pack: the race's loading screens, language strips, progress bar and countdown texture.
bool AddRaceScreens(PackContent& pack, std::string* error);
// Data pack: the race overlay's sheets (glyphs, map marker, wrong-way sign, balance gauge, replay
// panel) and the direction arrow's mesh and texture.
bool AddHudArt(PackContent& pack, std::string* error);

// Track pack: the menu world "_select.wld" and the race worlds, made through the editor's plug-ins.
bool AddWorlds(PackContent& pack, std::string* error);

// Data pack: the menu, countdown and score sounds (22050 Hz mono 16-bit waves).
bool AddSounds(PackContent& pack, std::string* error);

// Data pack: the bike meshes ("BIKES\\*.JM5"), skins, skin mask and wheel textures.
bool AddBikes(PackContent& pack, std::string* error);

// Data pack: the rider mesh ("RIDER\\Rider.jm5") with its key frames, the rider skins and the
// skeleton's vertex lists ("NODE01.dmp", "BONE02.dmp").
bool AddRider(PackContent& pack, std::string* error);

// Movie pack: every movie the game plays by name, stored as they are.
bool AddMovies(PackContent& pack, std::string* error);

// The music tracks, as files below the output folder ("Music/TrackNN.wav") with their bytes.
std::vector<std::pair<std::string, std::vector<uint8_t>>> MusicTracks();

}  // namespace tools
