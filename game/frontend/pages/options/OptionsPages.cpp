#include "game/frontend/pages/Pages.h"

// Placeholder until these pages land: their entries stay empty.
namespace kes {

void InstallOptionsPages() {}
void InstallControlsPage() {}
void InstallBikeSetupPage() {}
uint32_t FillBikeSetup(BikeSetup* out) {
    *out = BikeSetup{};
    return 0;
}

}  // namespace kes
