#pragma once
// The rider and bike skins a profile wears, shown flat side by side in a page's preview frame so
// that the player sees what the skin arrows choose.
#include <cstdint>

namespace kes {

class Profile;

// The skin lists' indices of the profile's skins (0 when a checksum is 0 or matches none).
uint32_t RiderSkinIndex(const Profile& profile);
uint32_t BikeSkinIndex(const Profile& profile);

// Draws the rider skin and the bike skin as two squares of `size` pixels, the first with its top left
// corner at (x, y) in 640 x 480 pixels, the second `size` + 10 pixels to its right. Nothing is drawn
// for a list without skins.
void DrawSkinPreview(int32_t x, int32_t y, int32_t size, uint32_t riderSkin, uint32_t bikeSkin);

}  // namespace kes
