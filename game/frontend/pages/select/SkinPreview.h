#pragma once
// The preview of the profile and rider pages: a front-end display racer (a rider on a bike, wearing
// the chosen skins) on the menu world, lit by a fixed light set and turning slowly inside a frame of
// the page. It is made when a page is entered and destroyed when the page is left.
#include <cstdint>

namespace kes {

class Profile;

// The skin lists' indices of the profile's skins (0 when a checksum is 0 or matches none).
uint32_t RiderSkinIndex(const Profile& profile);
uint32_t BikeSkinIndex(const Profile& profile);

// Makes the preview racer and its lights (replacing one that is left). Without the menu world there
// is no ground to make it on, and nothing is shown.
void CreatePreviewRacer(uint32_t riderSkin, uint32_t bikeSkin);
void DestroyPreviewRacer();
void SetPreviewSkins(uint32_t riderSkin, uint32_t bikeSkin);

// Turns the racer by the step and places it in the frame of `width` pixels centred on (x, y) of the
// 640 x 480 menu; called each step after the scene objects' updates (the page's update).
void PosePreviewRacer(int32_t x, int32_t y, int32_t width, uint32_t ms);
// Draws it over the page (the page's draw callback).
void DrawPreviewRacer();

}  // namespace kes
