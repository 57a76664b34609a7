// The track pack's worlds.
#include "tools/contentgen/AssetFamilies.h"

namespace tools {

// The worlds ("_select.wld", the menu world, and the race worlds) are to be written here through the
// world writer once it exists; until then the track pack is an empty, well-formed pack.
bool AddWorlds(PackContent& /*pack*/, std::string* /*error*/) { return true; }

}  // namespace tools
