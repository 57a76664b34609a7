#pragma once
// Shared inside the menu library.
namespace kes {

// The render states of flat, blended, unsorted 2D drawing (items, texts, the cursor).
void SetMenuState2D();

}  // namespace kes
