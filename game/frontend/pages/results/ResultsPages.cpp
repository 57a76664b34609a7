#include "game/frontend/pages/Pages.h"

// Placeholder until these pages land: their entries stay empty.
namespace kes {

void InstallResultsPages() {}

}  // namespace kes
